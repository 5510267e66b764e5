// Fuzz target for the script checks: lint and plan arbitrary bytes (no
// package folder), in both modes and bitnesses. Neither may crash, and a
// plan must format.
#include <cstddef>
#include <cstdint>
#include <string>

#include "authoring/script_lint.h"
#include "authoring/script_plan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;  // real scripts are a few KiB
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  FormatLintFindings(LintScript(bytes, LintOptions()), "S");
  for (int variant = 0; variant < 2; ++variant) {
    PlanOptions options;
    options.uninstall = variant == 1;
    options.is64 = variant == 0;
    options.languageCode = static_cast<uint32_t>(size % 3);
    Plan plan;
    std::string error;
    if (MakePlan(bytes, options, &plan, &error) == CX_OK) {
      FormatPlanText(plan);
      FormatPlanJson(plan);
    }
  }
  return 0;
}
