// A dry run of a setup script: what the runner would carry out on a
// standard Windows installation of a chosen bitness and language, without
// doing any of it. The mode's list comes first, then its finish list, each
// action with its description text and its expanded attributes. The output
// is deterministic, so the plans of two package versions can be compared
// with diff.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/result_codes.h"

struct PlanOptions {
  bool uninstall = false;  // the "Uninstall" lists instead of "Insall"
  uint32_t languageCode = 1;  // sysinfo.h: 0 zh_cn, 1 en_us, 2 zh_tw
  bool is64 = true;           // the Windows planned for
};

struct PlannedAction {
  std::string type;         // the element's tag
  int line = 0;             // in the script
  std::string description;  // the progress line, UTF-8
  std::vector<std::pair<std::string, std::string>> attributes;  // expanded, document order
  std::string note;  // why it is skipped or what goes wrong; empty when it runs
  bool skipped = false;     // the "os" filter rules it out on this Windows
  bool stopsRun = false;    // the runner stops at this element
  CxResult stopCode = 0;    // with this code
};

struct PlannedList {
  std::string name;
  bool present = false;
  std::vector<PlannedAction> actions;
};

struct Plan {
  std::string productName, version;  // UTF-8
  std::string mode;                  // "install" or "uninstall"
  std::string language;              // "zh_cn", "en_us" or "zh_tw"
  std::string windows;               // e.g. "standard 64-bit Windows"
  std::vector<std::pair<std::string, std::string>> systemVariables;  // UTF-8
  std::vector<PlannedList> lists;    // the mode's list, then its finish list
};

// Plans the script held in `scriptBytes` (a SetupScript.xml's bytes).
// CX_OK, or the loading error with `error` saying what is wrong; `plan`
// is untouched on failure.
CxResult MakePlan(const std::string& scriptBytes, const PlanOptions& options, Plan* plan,
                  std::string* error);

// The plan as text, and as one JSON object; both end with a newline.
std::string FormatPlanText(const Plan& plan);
std::string FormatPlanJson(const Plan& plan);
