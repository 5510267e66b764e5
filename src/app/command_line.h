// The command line's meaning: run mode, silent flag and the uninstaller
// flags, from the arguments and the running executable's file name.
// Portable so that every combination is table-tested natively.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/install_context.h"

struct CommandLineFlags {
  int32_t mode = kModeUnset;
  uint32_t silent = 0;
  uint32_t isUninstallCopy = 0;
  uint32_t selfDeleteAllowed = 1;
  // Set for the uninstall launcher: the process must relaunch a temporary
  // copy and end without showing anything.
  bool relaunch = false;
};

// `args` are the arguments after the program name. Switches are compared
// whole, ignoring the case of ASCII letters; the first mode switch wins and
// silent switches may stand anywhere. Without a mode switch, an executable
// whose file name contains "uninstall.exe" is the uninstall launcher.
CommandLineFlags ParseCommandLine(const std::vector<std::u16string>& args,
                                  const char16_t* modulePath);

// Parameters handed to the relaunched uninstaller copy.
std::u16string RelaunchParameters(uint32_t silent);
