// cxpack lint PACKAGE_DIR|SCRIPT [--codepage 1252|936]
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "authoring/script_lint.h"

struct ScriptInput;

// `args` follow the command's name. Exit status: 0 no errors, 1 errors or a
// bad input, 2 usage.
int LintCommand(const std::vector<std::string>& args);

// Lints `input`; package files are named below the folder as typed.
std::vector<LintFinding> LintInput(const ScriptInput& input, uint32_t codePage);
