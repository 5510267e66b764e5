// cxpack lint: the script's faults in the compiler's format, for editors
// and CI annotations.
#include "lint_command.h"

#include <cstdio>

#include "package/script_lint.h"
#include "script_input.h"

namespace {
const char kLintUsage[] =
    "usage: cxpack lint PACKAGE_DIR|PACKAGE|SCRIPT [--codepage 1252|936]\n"
    "prints FILE:LINE:COL: error|warning: message per finding; --codepage is the\n"
    "code page the package's file names must fit (as for pack; none: ASCII only)\n";
}  // namespace

int LintCommand(const std::vector<std::string>& args) {
  std::string target;
  uint32_t codePage = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--codepage" && i + 1 < args.size() &&
        (args[i + 1] == "1252" || args[i + 1] == "936")) {
      codePage = uint32_t(std::stoul(args[++i]));
    } else if (args[i] == "--help" || args[i] == "-h") {
      std::fputs(kLintUsage, stdout);
      return 0;
    } else if (target.empty() && !args[i].empty() && args[i][0] != '-') {
      target = args[i];
    } else {
      std::fprintf(stderr, "cxpack: lint: unexpected argument %s\n%s", args[i].c_str(), kLintUsage);
      return 2;
    }
  }
  if (target.empty()) {
    std::fprintf(stderr, "cxpack: lint needs a package folder or script\n%s", kLintUsage);
    return 2;
  }
  ScriptInput input;
  std::string problem;
  if (!ReadScriptInput(target, &input, &problem, codePage)) {
    std::fprintf(stderr, "cxpack: %s: %s\n", target.c_str(), problem.c_str());
    return 1;
  }
  LintOptions options;
  options.packageDir = input.packageDir;
  options.codePage = codePage;
  const std::vector<LintFinding> findings = LintScript(input.bytes, options);
  std::fputs(FormatLintFindings(findings, input.label).c_str(), stdout);
  if (std::fflush(stdout) != 0) return 1;
  return HasLintErrors(findings) ? 1 : 0;
}
