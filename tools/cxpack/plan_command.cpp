// cxpack plan: a dry run of the script on a standard Windows.
#include "plan_command.h"

#include <cstdio>

#include "authoring/script_plan.h"
#include "cli_args.h"
#include "lint_command.h"
#include "script_input.h"

namespace {

const char* const kModes[] = {"install", "uninstall", nullptr};
const char* const kLanguages[] = {"zh_cn", "en_us", "zh_tw", nullptr};
const char* const kBitness[] = {"64", "32", nullptr};

// True for the lint errors that keep a script from loading.
bool StopsLoading(const LintFinding& f) {
  return f.severity == LintSeverity::kError &&
         (f.message.find("loading fails") != std::string::npos || f.message.rfind("not well-formed", 0) == 0 ||
          f.message.rfind("the script must begin", 0) == 0 || f.message.rfind("the text is not valid", 0) == 0);
}

// A script that does not load says little by itself; lint's finding names
// the line and the fault.
int ReportUnplannable(const std::string& target, const ScriptInput& input, const std::string& problem) {
  for (const LintFinding& f : LintInput(input, 0)) {
    if (!StopsLoading(f)) continue;
    std::string where = FormatLintFindings({f}, input.label);
    where.pop_back();  // the newline
    std::fprintf(stderr, "cxpack: %s; \"cxpack lint %s\" lists every fault\n", where.c_str(),
                 target.c_str());
    return kExitFailed;
  }
  return Failed(input.label, problem + "; \"cxpack lint " + target + "\" lists every fault");
}

}  // namespace

int PlanCommand(const std::vector<std::string>& args) {
  CliArgs a;
  std::string problem = ParseCliArgs(args,
                                     {{"--mode", true, kModes},
                                      {"--lang", true, kLanguages},
                                      {"--os", true, kBitness},
                                      {"--json", false, nullptr}},
                                     &a);
  if (problem.empty() && a.positional.size() != 1) problem = "takes one PACKAGE_DIR, SCRIPT or SETUP";
  if (!problem.empty()) return UsageError("plan", problem);
  PlanOptions options;
  options.uninstall = a.Value("--mode") == "uninstall";
  const std::string lang = a.Has("--lang") ? a.Value("--lang") : "en_us";
  options.languageCode = lang == "zh_cn" ? 0 : lang == "en_us" ? 1 : 2;
  options.is64 = a.Value("--os") != "32";

  const std::string& target = a.positional[0];
  ScriptInput input;
  if (!ReadScriptInput(target, &input, &problem)) return Failed(target, problem);
  Plan plan;
  if (MakePlan(input.bytes, options, &plan, &problem) != 0)
    return ReportUnplannable(target, input, problem);
  const std::string text = a.Has("--json") ? FormatPlanJson(plan) : FormatPlanText(plan);
  std::fputs(text.c_str(), stdout);
  return std::fflush(stdout) == 0 ? 0 : kExitFailed;
}
