// cxpack lint: the script's faults in the compiler's format, for editors
// and CI annotations. Every path is written as the user typed the package's,
// so an editor opens the file the finding is about.
#include "lint_command.h"

#include <cstdio>

#include "authoring/script_lint.h"
#include "cli_args.h"
#include "script_input.h"

std::vector<LintFinding> LintInput(const ScriptInput& input, uint32_t codePage) {
  LintOptions options;
  options.packageDir = input.packageDir;
  options.codePage = codePage;
  std::vector<LintFinding> findings = LintScript(input.bytes, options);
  for (LintFinding& f : findings)
    if (!f.file.empty()) f.file = TypedPackagePath(input, f.file);
  return findings;
}

int LintCommand(const std::vector<std::string>& args) {
  CliArgs a;
  std::string problem = ParseCliArgs(args, {{"--codepage", true, kCodePageChoices}}, &a);
  if (problem.empty() && a.positional.size() != 1) problem = "takes one PACKAGE_DIR or SCRIPT";
  if (!problem.empty()) return UsageError("lint", problem);
  ScriptInput input;
  if (!ReadScriptInput(a.positional[0], &input, &problem)) return Failed(a.positional[0], problem);
  const uint32_t codePage = a.Has("--codepage") ? uint32_t(std::stoul(a.Value("--codepage"))) : 0;
  const std::vector<LintFinding> findings = LintInput(input, codePage);
  std::fputs(FormatLintFindings(findings, input.label).c_str(), stdout);
  if (std::fflush(stdout) != 0) return kExitFailed;
  return HasLintErrors(findings) ? kExitFailed : 0;
}
