// The action runners over in-memory scripts, with fake actions in a test registry.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "engine/action_runner.h"
#include "common/sysinfo.h"
#include "engine/failure_policy.h"

namespace {

std::vector<std::string> g_events;  // "D:id" per Describe, "E:id" per Execute
std::atomic<uint32_t>* g_stop;      // set by an action with stop="true"

// Needs "id"; Execute returns the "result" attribute (default 0).
struct FakeAction : Action {
  using Action::Action;
  CxResult Parse(int) override { return element_->GetAttr("id", &id); }
  CxResult Describe(ScriptElement* templates, InstallContext*, WString* out) override {
    if (CxResult r = Parse(0)) return r;
    g_events.push_back(std::string("D:") + id.Narrow());
    return TemplateText(templates, element_->Name(), out);
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
  std::string name;
  uint32_t phase, result, completed;
};
struct Recorder {
  std::vector<Report> reports;
  std::function<uint32_t(const ProgressRecord&)> answer;
  static uint32_t Callback(ProgressRecord* r, void* userData) {
    auto* self = static_cast<Recorder*>(userData);
    self->reports.push_back({r->name.Narrow(), r->phase, r->result, r->completed});
    return self->answer ? self->answer(*r) : kProgressGoOn;
  }
};

std::vector<std::string> g_messages;  // "caption|text"
void RecordMessage(const WString& text, const WString& caption) {
  g_messages.push_back(std::string(caption.Narrow()) + "|" + text.Narrow());
}
int g_admin = 1;
int FakeIsAdmin() { return g_admin; }

std::string List(const char* name, const std::string& children) {
  return std::string("<Action name=\"") + name + "\">" + children + "</Action>";
}

class ActionRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_messages.clear();
    g_admin = 1;
    g_stop = &stop;
    for (const char* name : {"Step", "File", "KillProcess", "DelRegister", "DelDir", "RunRegFile"})
      registry.Register(name, MakeFake);
    env.script = &script;
    env.registry = &registry;
    env.context = &context;
    env.stop = &stop;
    env.isUserAdmin = FakeIsAdmin;
    env.showMessage = RecordMessage;
  }
  // Loads a fresh script whose "Config" holds the templates and `body`.
  void Load(const std::string& body) {
    g_events.clear();
    rec.reports.clear();
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?><Config><ActionDescString>"
                      "<Step/><File/><KillProcess/><DelRegister/><DelDir/><RunRegFile/>"
                      "</ActionDescString>" +
                      body + "</Config>";
    ASSERT_EQ(script.LoadFromMemory(xml.data(), xml.size()), CX_OK);
    ASSERT_EQ(script.ExpandVariables(), CX_OK);
  }
  int Run() { return RunActions(env, Recorder::Callback, &rec, &code); }

  SetupScript script;
  ActionRegistry registry;
  InstallContext context;
  std::atomic<uint32_t> stop{0};
  RunnerEnv env;
  Recorder rec;
  CxResult code = 0x12345678;
};

using Events = std::vector<std::string>;

TEST_F(ActionRunnerTest, EmptyListSucceedsAndModeWithoutListRunsNothing) {
  Load(List("Insall", ""));
  EXPECT_EQ(Run(), 1);
  EXPECT_TRUE(rec.reports.empty());  // no callback
  Load(List("Insall", "<Step id='1'/>"));
  context.mode = kModeRepair;
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(g_events.empty());
}

// The dialog's policy over three actions with a failing one in the middle.
TEST_F(ActionRunnerTest, DialogPolicyDecidesWhetherAFailureEndsTheRun) {
  const struct { const char* middle; const char* result; int expected; } cases[] = {
      {"KillProcess", "5", 1},  // tolerated failure
      {"File", "5", 0},         // ends the run
      {"DelRegister", "2", 1},  // key already gone
      {"DelRegister", "5", 0},  // real failure
  };
  rec.answer = [](const ProgressRecord& r) { return DialogProgressAnswer(r, false); };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.middle) + " " + c.result);
    Load(List("Insall", std::string("<Step id='1'/><") + c.middle + " id='2' result='" +
                            c.result + "'/><Step id='3'/>"));
    EXPECT_EQ(Run(), c.expected);
    int middleReports = 0;
    for (const Report& r : rec.reports) middleReports += r.name == c.middle;
    EXPECT_EQ(middleReports, 2);
    EXPECT_EQ(g_events.back() == "E:3", c.expected == 1);
  }
}

TEST_F(ActionRunnerTest, RepeatRunsDescribeAndExecuteAgain) {
  Load(List("Insall", "<Step id='1'/><Step id='2'/>"));
  int repeats = 0;
  rec.answer = [&](const ProgressRecord& r) {
    return (r.phase == 1 && repeats++ == 0) ? kProgressRepeat : kProgressGoOn;
  };
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(g_events, (Events{"D:1", "E:1", "D:1", "E:1", "D:2", "E:2"}));
  ASSERT_EQ(rec.reports.size(), 6u);
  EXPECT_EQ(rec.reports[2].completed, 0u);  // uncounted by the repeat
  EXPECT_EQ(rec.reports[3].completed, 1u);
}

TEST_F(ActionRunnerTest, StopFlagSetDuringAnActionEndsTheRunAsSuccess) {
  Load(List("Insall", "<Step id='1'/><Step id='2' stop='true'/><Step id='3'/>"
                      "<Step id='4'/><Step id='5'/>"));
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(g_events, (Events{"D:1", "E:1", "D:2", "E:2"}));
  ASSERT_EQ(rec.reports.size(), 4u);
  EXPECT_EQ(rec.reports[3].phase, 1u);  // action 2's after-call happened
}

TEST_F(ActionRunnerTest, NotAdminShowsTheScriptsTextAndRunsNothing) {
  g_admin = 0;
  Load("<CustomString><IDS_NEED_ADMIN><zh_cn>A!</zh_cn><en_us>A!</en_us><zh_tw>A!</zh_tw>"
       "</IDS_NEED_ADMIN></CustomString>" + List("Insall", "<Step id='1'/>"));
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(g_messages, Events{"Tips|A!"});  // no ProductName
  EXPECT_TRUE(g_events.empty());
  EXPECT_TRUE(rec.reports.empty());
}

TEST_F(ActionRunnerTest, ElementWithoutActionIsReportedAndEndsTheRun) {
  Load(List("Insall", "<Step id='1'/><killprocess id='2'/><Step id='3'/>"));
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(g_events, (Events{"D:1", "E:1"}));
  ASSERT_EQ(rec.reports.size(), 3u);
  EXPECT_EQ(rec.reports[2].result, kResultNoAction);
}

TEST_F(ActionRunnerTest, DescribeFailureEndsTheRunBeforeExecute) {
  registry.Register("Extra", MakeFake);
  const struct { const char* second; CxResult code; } cases[] = {
      {"<Step/>", CX_E_ATTR_MISSING},             // required attribute missing
      {"<Extra id='2'/>", 0xE0609001},            // registered, but no template
  };
  for (const auto& c : cases) {
    Load(List("Insall", std::string("<Step id='1'/>") + c.second + "<Step id='3'/>"));
    EXPECT_EQ(Run(), 0) << c.second;
    EXPECT_EQ(code, c.code) << c.second;
    EXPECT_EQ(rec.reports.size(), 2u) << c.second;  // only action 1's
    EXPECT_EQ(g_events.back(), c.code == CX_E_TEMPLATE_MISSING ? "D:2" : "E:1") << c.second;
  }
}

// The fakes stand in for real types: the runners apply each type's "os"
// rule from the vocabulary, described and reported as a success.
TEST_F(ActionRunnerTest, TheTypesOsRuleSkipsExecuteOnTheOtherBitness) {
  const std::string lists =
      List("Insall", "<File id='1' os='os64' result='5'/><DelDir id='2' os='os64'/>"
                     "<RunRegFile id='3'/><RunRegFile id='4' os='os64'/>") +
      List("Install Finish", "<File id='5' os='os64' result='5'/>");
  SetHostSystemForTesting(0x0409, 0);
  Load(lists);
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(g_events, (Events{"D:1", "D:2", "E:2", "D:3", "E:3", "D:4"}));
  ASSERT_EQ(rec.reports.size(), 8u);
  EXPECT_EQ(rec.reports[1].result, 0u);  // the skipped File
  EXPECT_EQ(RunFinishActions(env, &code), 1);
  SetHostSystemForTesting(0x0409, 1);
  Load(lists);
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(g_events, (Events{"D:1", "E:1", "D:2", "E:2", "D:3", "D:4", "E:4"}));
}

TEST_F(ActionRunnerTest, FinishListSkipsUnknownElementsAndStopsAtTheFirstFailure) {
  Load(List("Install Finish", "<Nope/><Step id='1'/><Step id='2' result='7'/><Step id='3'/>"));
  EXPECT_EQ(RunFinishActions(env, &code), 0);
  EXPECT_EQ(code, 7u);
  EXPECT_EQ(g_events, (Events{"E:1", "E:2"}));
}

}  // namespace
