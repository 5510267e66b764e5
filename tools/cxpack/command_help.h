// What `cxpack help [COMMAND]` and `cxpack COMMAND --help` print.
#pragma once
#include <string>

// The overview: every command on one line and where to read more.
const char* OverviewHelp();
// One command's usage and options, or null for a name that is no command.
const char* CommandHelp(const std::string& command);
