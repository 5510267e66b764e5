// What `cxpack msi` needs from the build machine: a private work folder and
// msitools' msibuild, which writes the database from IDT files. msitools
// exist for Linux only, so on Windows `cxpack msi` says so instead.
#pragma once
#include <string>
#include <vector>

// False with `reason` where msibuild cannot be run at all (Windows).
bool MsibuildAvailable(std::string* reason);

// Makes a new folder named `prefix` plus six random characters, readable by
// its owner only; true with `made` set, else false with `reason`.
bool MakeWorkFolder(const std::string& prefix, std::string* made, std::string* reason);

// Runs `msibuild ARGS...` (found on PATH) in `folder`, where the IDT files
// name their stream files relative to it. True when it exited with 0;
// otherwise false with `reason` (not found, its exit status or signal).
bool RunMsibuild(const std::string& folder, const std::vector<std::string>& args, std::string* reason);
