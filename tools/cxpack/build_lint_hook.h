// The check `cxpack build` runs before it writes anything: the package's
// linter, whose findings go to stderr. Kept apart so the build does not
// depend on how the linter is put together.
#pragma once
#include <cstdint>
#include <string>

// Lints the package folder `packageDir` (file names checked against
// `codePage`, 0 for ASCII only), printing each finding to stderr; returns
// the number of errors (warnings don't count). Any error stops the build.
// A script that can't be read counts as one error, with its reason printed.
int LintBeforeBuild(const std::string& packageDir, uint32_t codePage);
