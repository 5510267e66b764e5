// `cxpack build PACKAGE_DIR -o FILE [--stub PATH] [--codepage 1252|936]`:
// writes a setup program from the prebuilt stub and a package folder.
#pragma once
#include <string>
#include <vector>

// `args` starts with "build". Exit status: 0 written, 1 failed (one line
// "cxpack: PATH: reason" on stderr, no output file left behind), 2 usage.
int RunBuild(const std::vector<std::string>& args);

// Reports a failure found while reading the folder `folder`: "cxpack:
// FOLDER: reason", or "cxpack: reason" when the reason already starts with
// a path inside it (the file at fault). Returns the failure exit status.
int FailedInFolder(const std::string& folder, const std::string& reason);

// Where the stub is looked for without --stub, in this order: next to the
// cxpack program, in ../share/cxsetup/ from there (an installed tree), then
// in the Windows build tree of the source tree cxpack was built from.
std::vector<std::string> StubCandidates();
// The first candidate that holds "cxsetup_stub.exe"; empty when none does.
std::string DefaultStubPath();
