// The action runners over scripts loaded from memory, with fake actions in
// a test registry: reports, callback answers, stop flag, lists by mode,
// the administrator refusal and the finish list.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/action_runner.h"
#include "engine/failure_policy.h"

namespace {

std::vector<std::string> g_events;        // "D:id" per Describe, "E:id" per Execute
std::atomic<uint32_t>* g_stop;           // set by an action with stop="true"

// Needs "id"; Execute returns the "result" attribute (default 0).
struct FakeAction : Action {
  using Action::Action;
  CxResult Parse(int) override { return element_->GetAttr("id", &id); }
  CxResult Describe(ScriptElement* templates, InstallContext*, WString* out) override {
    CxResult r = Parse(0);
    if (r == CX_OK) {
      g_events.push_back(std::string("D:") + id.Narrow());
      r = TemplateText(templates, element_->Name(), out);
    }
    if (r == CX_OK) FillPlaceholder(out, u"id", id);
    return r;
  }
  CxResult Execute(InstallContext*) override {
    if (CxResult r = Parse(0)) return r;
    g_events.push_back(std::string("E:") + id.Narrow());
    if (element_->GetAttrBool("stop", false)) g_stop->store(1);
    return static_cast<CxResult>(element_->GetAttrInt("result", 0));
  }
  WString id;
};
Action* MakeFake(ScriptElement* e) { return new FakeAction(e); }

struct Report {
  std::string name, description;
  uint32_t phase, result, completed, total;
};

// Records every report; answers through `answer` (go on by default).
struct Recorder {
  std::vector<Report> reports;
  std::function<uint32_t(const ProgressRecord&)> answer;
  static uint32_t Callback(ProgressRecord* r, void* userData) {
    auto* self = static_cast<Recorder*>(userData);
    self->reports.push_back({r->name.Narrow(), r->description.Narrow(), r->phase, r->result,
                             r->completed, r->total});
    return self->answer ? self->answer(*r) : kProgressGoOn;
  }
};

std::vector<std::string> g_messages;  // "caption|text"
void RecordMessage(const WString& text, const WString& caption) {
  g_messages.push_back(std::string(caption.Narrow()) + "|" + text.Narrow());
}
int g_admin = 1;
int FakeIsAdmin() { return g_admin; }

const char kTemplates[] =
    "<ActionDescString><Step>step $[id]</Step><File>copy $[id]</File>"
    "<KillProcess>kill $[id]</KillProcess><DelRegister>delreg $[id]</DelRegister>"
    "</ActionDescString>";

std::string List(const char* name, const std::string& children) {
  return std::string("<Action name=\"") + name + "\">" + children + "</Action>";
}

class ActionRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_events.clear();
    g_messages.clear();
    g_admin = 1;
    g_stop = &stop;
    for (const char* name : {"Step", "File", "KillProcess", "DelRegister"})
      registry.Register(name, MakeFake);
    env.script = &script;
    env.registry = &registry;
    env.context = &context;
    env.stop = &stop;
    env.isUserAdmin = FakeIsAdmin;
    env.showMessage = RecordMessage;
  }

  // Loads a script whose "Config" holds `body` (templates added unless told not to).
  void Load(const std::string& body, bool withTemplates = true) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?><Config>" +
                      std::string(withTemplates ? kTemplates : "") + body + "</Config>";
    ASSERT_EQ(script.LoadFromMemory(xml.data(), xml.size()), CX_OK);
    ASSERT_EQ(script.ExpandVariables(), CX_OK);
  }
  int Run(Recorder* rec, CxResult* code) {
    return RunActions(env, rec ? Recorder::Callback : nullptr, rec, code);
  }

  SetupScript script;
  ActionRegistry registry;
  InstallContext context;
  std::atomic<uint32_t> stop{0};
  RunnerEnv env;
  Recorder rec;
  CxResult code = 0x12345678;
};

using Events = std::vector<std::string>;

TEST_F(ActionRunnerTest, ReportsBeforeAndAfterEachActionInOrder) {
  Load(List("Insall", ""));
  EXPECT_EQ(Run(&rec, &code), 1);  // empty list: success without reports
  EXPECT_TRUE(rec.reports.empty());
  Load(List("Insall", "<Step id='1'/><!-- note --><Step id='2'/>"));
  ASSERT_EQ(Run(&rec, &code), 1);
  EXPECT_EQ(g_events, (Events{"D:1", "E:1", "D:2", "E:2"}));
  ASSERT_EQ(rec.reports.size(), 4u);
  const Report& before = rec.reports[0];
  EXPECT_EQ(before.name, "Step");
  EXPECT_EQ(before.description, "step 1");
  EXPECT_EQ(before.phase, 0u);
  EXPECT_EQ(before.completed, 0u);
  EXPECT_EQ(before.total, 2u);  // the comment is not an element
  EXPECT_EQ(rec.reports[1].phase, 1u);
  EXPECT_EQ(rec.reports[3].completed, 2u);
}

// The dialog's policy over three actions with a failing one in the middle.
TEST_F(ActionRunnerTest, DialogPolicyDecidesByNameWhetherAFailureEndsTheRun) {
  struct Case {
    const char* middle;
    const char* result;
    int expected;
    bool thirdRuns;
  };
  const Case cases[] = {
      {"KillProcess", "5", 1, true},   // tolerated failure
      {"File", "5", 0, false},         // ends the run
      {"DelRegister", "2", 1, true},   // key already gone
      {"DelRegister", "5", 0, false},  // real failure
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.middle) + " " + c.result);
    g_events.clear();
    rec.reports.clear();
    rec.answer = [](const ProgressRecord& r) { return DialogProgressAnswer(r, false); };
    Load(List("Insall", std::string("<Step id='1'/><") + c.middle + " id='2' result='" +
                            c.result + "'/><Step id='3'/>"));
    EXPECT_EQ(Run(&rec, &code), c.expected);
    EXPECT_EQ(code, c.expected ? CX_OK : CX_E_STOPPED);
    int middleReports = 0;
    for (const Report& r : rec.reports) middleReports += r.name == c.middle;
    EXPECT_EQ(middleReports, 2);
    EXPECT_EQ(g_events.back() == "E:3", c.thirdRuns);
  }
}

TEST_F(ActionRunnerTest, RepeatRunsDescribeAndExecuteAgainAndUncountsTheAction) {
  Load(List("Insall", "<Step id='1'/><Step id='2'/>"));
  int repeats = 0;
  rec.answer = [&](const ProgressRecord& r) {
    return (r.phase == 1 && repeats++ == 0) ? kProgressRepeat : kProgressGoOn;
  };
  ASSERT_EQ(Run(&rec, &code), 1);
  EXPECT_EQ(g_events, (Events{"D:1", "E:1", "D:1", "E:1", "D:2", "E:2"}));
  ASSERT_EQ(rec.reports.size(), 6u);
  EXPECT_EQ(rec.reports[1].completed, 1u);
  EXPECT_EQ(rec.reports[2].phase, 0u);  // the repeat reports phase 0 again
  EXPECT_EQ(rec.reports[2].completed, 0u);
  EXPECT_EQ(rec.reports[3].completed, 1u);
  EXPECT_EQ(rec.reports[5].completed, 2u);
}

TEST_F(ActionRunnerTest, StopAnswerEndsTheRunBeforeOrAfterExecute) {
  for (uint32_t phase : {0u, 1u}) {
    g_events.clear();
    Load(List("Insall", "<Step id='1'/><Step id='2'/>"));
    rec.answer = [phase](const ProgressRecord& r) { return r.phase == phase ? kProgressStop : 0u; };
    EXPECT_EQ(Run(&rec, &code), 0);
    EXPECT_EQ(code, CX_E_STOPPED);
    EXPECT_EQ(g_events, phase == 0 ? Events({"D:1"}) : Events({"D:1", "E:1"}));
  }
}

TEST_F(ActionRunnerTest, StopFlagSetDuringAnActionEndsTheRunAsSuccess) {
  Load(List("Insall", "<Step id='1'/><Step id='2' stop='true'/><Step id='3'/>"
                      "<Step id='4'/><Step id='5'/>"));
  ASSERT_EQ(Run(&rec, &code), 1);
  EXPECT_EQ(code, CX_OK);
  EXPECT_EQ(g_events, (Events{"D:1", "E:1", "D:2", "E:2"}));
  ASSERT_EQ(rec.reports.size(), 4u);
  EXPECT_EQ(rec.reports[3].phase, 1u);  // action 2's after-call happened
  EXPECT_EQ(rec.reports[3].completed, 2u);
}

TEST_F(ActionRunnerTest, ListIsChosenByModeAndMissingSectionsRunNothing) {
  Load(List("Insall", "<Step id='1'/>"), /*withTemplates=*/false);
  EXPECT_EQ(Run(&rec, &code), 0);
  EXPECT_EQ(code, CX_E_MISSING);
  Load(List("insall", "<Step id='1'/>"));  // list names are exact
  EXPECT_EQ(Run(&rec, &code), 0);
  EXPECT_EQ(code, CX_E_MISSING);
  EXPECT_TRUE(g_events.empty());
  Load(List("Insall", "<Step id='i'/>") + List("Uninstall", "<Step id='u'/>"));
  context.mode = kModeUninstall;
  ASSERT_EQ(Run(&rec, &code), 1);
  EXPECT_EQ(g_events, (Events{"D:u", "E:u"}));
  for (int32_t mode : {kModeRepair, kModeUpgrade, kModeUninstallLauncher}) {
    g_events.clear();
    rec.reports.clear();
    context.mode = mode;
    EXPECT_EQ(Run(&rec, &code), 0) << mode;
    EXPECT_EQ(code, CX_E_MISSING);
    EXPECT_TRUE(g_events.empty());
    EXPECT_TRUE(rec.reports.empty());
  }
}

TEST_F(ActionRunnerTest, NotAdminShowsTheScriptsTextAndRunsNothing) {
  const std::string run = List("Insall", "<Step id='1'/>");
  const std::string text = "<CustomString><IDS_NEED_ADMIN><zh_cn>A!</zh_cn><en_us>A!</en_us>"
                           "<zh_tw>A!</zh_tw></IDS_NEED_ADMIN></CustomString>";
  const std::string product = "<SetupInfo><ProductName>Token Kit</ProductName></SetupInfo>";
  const std::pair<std::string, const char*> cases[] = {
      {run, "Tips|The program need administrator privileges for running!"},  // defaults
      {text + run, "Tips|A!"},                                               // no ProductName
      {product + text + run, "Token Kit|A!"},
  };
  g_admin = 0;
  for (const auto& c : cases) {
    g_messages.clear();
    Load(c.first);
    EXPECT_EQ(Run(&rec, &code), 0);
    EXPECT_EQ(code, CX_E_FAIL);
    EXPECT_EQ(g_messages, std::vector<std::string>{c.second});
  }
  EXPECT_TRUE(g_events.empty());
  EXPECT_TRUE(rec.reports.empty());
}

TEST_F(ActionRunnerTest, ElementWithoutActionIsReportedOnceAndEndsTheRun) {
  Load(List("Insall", "<Step id='1'/><killprocess id='2'/><Step id='3'/>"));
  EXPECT_EQ(Run(&rec, &code), 0);
  EXPECT_EQ(code, CX_E_MISSING);
  EXPECT_EQ(g_events, (Events{"D:1", "E:1"}));
  ASSERT_EQ(rec.reports.size(), 3u);
  EXPECT_EQ(rec.reports[2].name, "killprocess");
  EXPECT_EQ(rec.reports[2].result, kResultNoAction);
  EXPECT_EQ(rec.reports[2].description, "");  // not the previous action's text
}

TEST_F(ActionRunnerTest, DescribeFailureEndsTheRunWithoutReportOrExecute) {
  struct Case {
    const char* second;
    CxResult code;
  };
  const Case cases[] = {
      {"<Step/>", CX_E_ATTR_MISSING},                 // required attribute missing
      {"<Extra id='2'/>", CX_E_TEMPLATE_MISSING},     // registered, but no template
  };
  registry.Register("Extra", MakeFake);
  for (const Case& c : cases) {
    g_events.clear();
    rec.reports.clear();
    Load(List("Insall", std::string("<Step id='1'/>") + c.second + "<Step id='3'/>"));
    EXPECT_EQ(Run(&rec, &code), 0) << c.second;
    EXPECT_EQ(code, c.code) << c.second;
    EXPECT_EQ(rec.reports.size(), 2u) << c.second;  // only action 1's
    EXPECT_EQ(g_events.back(), c.code == CX_E_TEMPLATE_MISSING ? "D:2" : "E:1") << c.second;
  }
}

TEST_F(ActionRunnerTest, WithoutCallbackTheFirstFailureEndsTheRun) {
  Load(List("Insall", "<Step id='1'/><Step id='2' result='5'/><Step id='3'/>"));
  EXPECT_EQ(Run(nullptr, &code), 0);
  EXPECT_EQ(code, 5u);
  EXPECT_EQ(g_events, (Events{"D:1", "E:1", "D:2", "E:2"}));
  g_events.clear();
  Load(List("Insall", "<Step id='1'/><Step id='2'/>"));
  EXPECT_EQ(RunActions(env, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(g_events.size(), 4u);
}

TEST_F(ActionRunnerTest, FinishListSkipsUnknownElementsAndStopsAtTheFirstFailure) {
  Load(List("Install Finish", "<Nope/><Step id='1'/><Step id='2' result='7'/><Step id='3'/>") +
       List("Uninstall Finish", "") + List("Insall", "<Step id='x'/>"));
  EXPECT_EQ(RunFinishActions(env, &code), 0);
  EXPECT_EQ(code, 7u);
  EXPECT_EQ(g_events, (Events{"E:1", "E:2"}));  // Execute only, no Describe

  g_events.clear();
  context.mode = kModeUninstall;
  EXPECT_EQ(RunFinishActions(env, &code), 1);  // empty list
  context.mode = kModeRepair;
  EXPECT_EQ(RunFinishActions(env, &code), 0);
  EXPECT_EQ(code, CX_E_MISSING);

  context.mode = kModeInstall;
  stop = 1;  // never reset: the finish list ends before its first action too
  EXPECT_EQ(RunFinishActions(env, &code), 1);
  EXPECT_EQ(RunActions(env, Recorder::Callback, &rec, &code), 1);
  EXPECT_TRUE(g_events.empty());
  EXPECT_TRUE(rec.reports.empty());
}

}  // namespace
