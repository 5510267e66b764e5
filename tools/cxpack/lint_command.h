// cxpack lint PACKAGE_DIR|SCRIPT [--codepage 1252|936]
#pragma once
#include <string>
#include <vector>

// `args` follow the command's name. Exit status: 0 no errors, 1 errors or a
// bad input, 2 usage.
int LintCommand(const std::vector<std::string>& args);
