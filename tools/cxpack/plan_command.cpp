// cxpack plan: a dry run of the script on a standard Windows.
#include "plan_command.h"

#include <cstdio>

#include "package/script_plan.h"
#include "script_input.h"

namespace {

const char kPlanUsage[] =
    "usage: cxpack plan PACKAGE_DIR|PACKAGE|SCRIPT [--mode install|uninstall]\n"
    "                   [--lang zh_cn|en_us|zh_tw] [--os 64|32] [--json]\n"
    "prints the mode's list and then its finish list as the setup would carry\n"
    "them out on a standard Windows (defaults: install, en_us, 64)\n";

int Usage(const std::string& problem) {
  std::fprintf(stderr, "cxpack: plan: %s\n%s", problem.c_str(), kPlanUsage);
  return 2;
}

}  // namespace

int PlanCommand(const std::vector<std::string>& args) {
  std::string target;
  PlanOptions options;
  bool json = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const std::string value = i + 1 < args.size() ? args[i + 1] : std::string();
    if (a == "--json") {
      json = true;
    } else if (a == "--help" || a == "-h") {
      std::fputs(kPlanUsage, stdout);
      return 0;
    } else if (a == "--mode" && (value == "install" || value == "uninstall")) {
      options.uninstall = value == "uninstall";
      ++i;
    } else if (a == "--lang" && (value == "zh_cn" || value == "en_us" || value == "zh_tw")) {
      options.languageCode = value == "zh_cn" ? 0 : value == "en_us" ? 1 : 2;
      ++i;
    } else if (a == "--os" && (value == "64" || value == "32")) {
      options.is64 = value == "64";
      ++i;
    } else if (target.empty() && !a.empty() && a[0] != '-') {
      target = a;
    } else {
      return Usage("unexpected argument " + a + (value.empty() ? "" : " " + value));
    }
  }
  if (target.empty()) return Usage("needs a package folder or script");
  ScriptInput input;
  std::string problem;
  if (!ReadScriptInput(target, &input, &problem)) {
    std::fprintf(stderr, "cxpack: %s: %s\n", target.c_str(), problem.c_str());
    return 1;
  }
  Plan plan;
  if (MakePlan(input.bytes, options, &plan, &problem) != 0) {
    std::fprintf(stderr, "cxpack: %s: %s\n", input.label.c_str(), problem.c_str());
    return 1;
  }
  const std::string text = json ? FormatPlanJson(plan) : FormatPlanText(plan);
  std::fputs(text.c_str(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
