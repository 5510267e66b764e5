// The build's lint step: the same findings as `cxpack lint`, on stderr so
// the build's own output stays one line per fault.
#include "build_lint_hook.h"

#include <cstdio>

#include "lint_command.h"
#include "script_input.h"

int LintBeforeBuild(const std::string& packageDir, uint32_t codePage) {
  ScriptInput input;
  std::string problem;
  if (!ReadScriptInput(packageDir, &input, &problem)) {
    std::fprintf(stderr, "cxpack: %s: %s\n", packageDir.c_str(), problem.c_str());
    return 1;
  }
  const std::vector<LintFinding> findings = LintInput(input, codePage);
  std::fputs(FormatLintFindings(findings, input.label).c_str(), stderr);
  int errors = 0;
  for (const LintFinding& f : findings) errors += f.severity == LintSeverity::kError ? 1 : 0;
  return errors;
}
