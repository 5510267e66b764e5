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
  // "/QUIET": no window, message box or balloon at all; outcomes become
  // exit codes and log lines.
  bool quiet = false;
  // "/?" or "/HELP": show the switches and exit codes, do nothing else.
  bool help = false;
  // "/LOG" or "/LOG=path": write a log; an empty path means a file named
  // after the product and the time in the temporary folder.
  bool log = false;
  std::u16string logPath;
};

// `args` are the arguments after the program name. Switches are compared
// whole, ignoring the case of ASCII letters; the first mode switch wins and
// silent switches may stand anywhere. Without a mode switch, an executable
// whose file name contains "uninstall.exe" is the uninstall launcher.
// "/QUIET", "/?", "/HELP" and "/LOG" are matched the same way and may stand
// anywhere; "/LOG=" takes the rest of its argument as the path (the last one
// given wins).
CommandLineFlags ParseCommandLine(const std::vector<std::u16string>& args,
                                  const char16_t* modulePath);

// Parameters handed to the relaunched uninstaller copy: "/UNINSTALL_COPY",
// then " /S" when silent, " /QUIET" when quiet, and the log switch with its
// path quoted when a log path is given.
std::u16string RelaunchParameters(uint32_t silent, bool quiet = false,
                                  const std::u16string& logPath = std::u16string());

// The command interpreter's command line that deletes the program file
// `path` once this process has ended; `interpreter` is cmd.exe's path. Both
// paths are quoted: where 8.3 names are disabled a "short" path is the long
// one, spaces included. With `waitForEnd` the interpreter first reads a line
// from its standard input (a pipe this process holds until it ends) and then
// tries the delete a few hundred times, for the moment Windows takes to
// release a program's file after its end.
std::u16string SelfDeleteCommand(const std::u16string& interpreter, const std::u16string& path,
                                 bool waitForEnd);
