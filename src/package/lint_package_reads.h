// Lint checks of what a run reads from the package beyond the actions'
// source attributes: the programs StartProcess starts and the package files
// their command lines name, the tools of the Firefox step in CertToReg, and
// the wizard's logo, which is drawn from one fixed place only.
#pragma once
#include "package/lint_context.h"

// The package path below PackageFiles where the wizard's logo must lie,
// whatever the product.
inline constexpr char kLogoPackagePathText[] = "PackageFiles/ProgramFiles(x86)/KOVA/Corvexa/Res/Logo_Long.bmp";

void LintProgramSources(const LintContext& context);
void LintCertToRegTools(const LintContext& context);
void LintLogo(const LintContext& context);
