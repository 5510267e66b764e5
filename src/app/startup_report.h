// What the program tells about itself: the "/?" help box with the switches
// and exit codes, and the log's opening and restart lines. Windows only.
#pragma once
#include <vector>

#include "app/command_line.h"
#include "platform/pending_renames.h"

// The help text (switches and exit codes), as shown by ShowHelp.
const wchar_t* HelpText();
// One message box with HelpText.
void ShowHelp();
// Enables the log when asked for and writes the program's version, its
// command line, the mode, the OS version and language and the temporary
// folder. A launcher without a log path chooses the file now, so that its
// copy writes to the same one.
void StartLog(const CommandLineFlags& flags);
// At the end of the program: a log without a path yet (the run ended before
// the product was known) goes to the temporary folder under "Setup".
void EndLog();
// One line per operation registered for the next restart.
void LogRestartOperations(const std::vector<PendingRename>& entries);
