// The check `cxpack build` runs before it writes anything: the package's
// linter, whose reports go to stderr. Kept apart so the build does not
// depend on how the linter is put together.
#pragma once
#include <string>

// Lints the package folder `packageDir`, printing each finding; returns the
// number of errors (warnings don't count). Any error stops the build.
int LintBeforeBuild(const std::string& packageDir);
