// The dry run: the "os" filter by bitness, and where the runner would stop.
// Its descriptions are the actions' own (package/action_values.h), checked
// line by line against the real actions in win/action_schema_win_test.cpp;
// the sample product's full plans are compared with reviewed files by the
// cxpack.lint_plan test.
#include <gtest/gtest.h>

#include <string>

#include "common/codepage.h"
#include "common/file_io.h"
#include "authoring/script_plan.h"

namespace {

std::string AllActionsScript() {
  const std::string path = std::string(CX_TEST_DATA_DIR) + "/lint/all-actions/PackageFiles/SetupScript.xml";
  std::string bytes;
  EXPECT_EQ(ReadWholeFile(Utf8ToUtf16(path).c_str(), &bytes), CX_OK);
  return bytes;
}

Plan MakeOrFail(const std::string& script, bool is64, bool uninstall = false) {
  PlanOptions options;
  options.is64 = is64;
  options.uninstall = uninstall;
  Plan plan;
  std::string error;
  EXPECT_EQ(MakePlan(script, options, &plan, &error), CX_OK) << error;
  return plan;
}

}  // namespace

TEST(ScriptPlan, OsFilterSkipsByBitness) {
  const std::string script = AllActionsScript();
  auto skipped = [](const Plan& plan) {
    std::string out;
    for (const PlannedAction& a : plan.lists[0].actions) out += a.skipped ? "s" : ".";
    return out;
  };
  // File, AddRegister and one RunRegFile carry os="os64"; the other
  // RunRegFile imports only on a 32-bit Windows.
  const Plan on32 = MakeOrFail(script, false);
  const Plan on64 = MakeOrFail(script, true);
  EXPECT_EQ(skipped(on32), "...s....s....s.......");
  EXPECT_EQ(skipped(on64), "............s........");
  EXPECT_EQ(on32.systemVariables[0].second, "C:\\Program Files");
  EXPECT_EQ(on64.systemVariables[0].second, "C:\\Program Files (x86)");
}

TEST(ScriptPlan, MarksWhereTheRunStops) {
  std::string script = AllActionsScript();
  // An unknown element and an action without its template, each in a
  // main list, stop the run; in a finish list an unknown element is skipped.
  auto replace = [&script](const std::string& from, const std::string& to) {
    const size_t at = script.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    script.replace(at, from.size(), to);
  };
  replace("<KillProcess Pid=\"1234\"/>", "<Kill Pid=\"1234\"/>");
  replace("<DelTrustedSite><zh_cn>", "<Unused><zh_cn>");
  replace("</DelTrustedSite>", "</Unused>");
  replace("<DelDir Src=\"$(pf32)\\KOVA\"/>", "<Gone/>");
  const Plan install = MakeOrFail(script, true);
  EXPECT_TRUE(install.lists[0].actions[1].stopsRun);
  EXPECT_EQ(install.lists[0].actions[1].note, "not an action: the run stops here (0xE0600008)");
  EXPECT_FALSE(install.lists[0].actions[0].stopsRun);
  const Plan uninstall = MakeOrFail(script, true, true);
  EXPECT_EQ(uninstall.lists[0].actions[3].note,
            "no description template: the run stops here (0xE0609001)");
  EXPECT_FALSE(uninstall.lists[1].actions[0].stopsRun);
  EXPECT_EQ(uninstall.lists[1].actions[0].note, "not an action: skipped");
}
