// Lint checks of what a run reads from the package beyond the actions'
// source attributes: the programs StartProcess starts and the package files
// their command lines name, the tools of the Firefox step in CertToReg, and
// the wizard's logo, which is drawn from one fixed place only.
#pragma once
#include <string>

#include "authoring/lint_context.h"

// A package path of the vocabulary ('\'-separated) as lint names package
// files: UTF-8, '/'-separated.
std::string LintPackagePath(const char16_t* packagePath);

void LintProgramSources(const LintContext& context);
void LintCertToRegTools(const LintContext& context);
void LintLogo(const LintContext& context);
