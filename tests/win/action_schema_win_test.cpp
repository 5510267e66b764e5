// Every action type the script knows is in the registry, and each element
// below gives exactly the written result: its refusal code, or its
// progress line. The real action's Describe (which parses first) and what
// cxpack plan forecasts must both give it.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/codepage.h"
#include "engine/listed_action.h"
#include "authoring/script_plan.h"
#include "package/script_vocabulary.h"
#include "package/setup_script.h"
#include "win_test_support.h"

namespace {

const char kTemplates[] = R"(<ActionDescString>
    <KillProcess>Ending $[pname]</KillProcess>
    <StartProcess>Starting $[src]</StartProcess>
    <File>Copying $[src] to $[dest]</File>
    <DelFile>Deleting $[src]</DelFile>
    <DelDir>Removing $[src]</DelDir>
    <CreateShortcut>Creating $[path]</CreateShortcut>
    <AddRegister>Writing $[path]</AddRegister>
    <RunRegFile>Importing $[src]</RunRegFile>
    <DelRegister>Removing $[path]</DelRegister>
    <AddTrustedSite>Trusting $[url]</AddTrustedSite>
    <DelTrustedSite>Untrusting $[url]</DelTrustedSite>
    <RegCertFile>Adding $[src] to $[store]</RegCertFile>
    <UnRegCert>Removing $[src] from $[store]</UnRegCert>
    <SetAppTaskScheduler>Task $[name] ($[type])</SetAppTaskScheduler>
  </ActionDescString>)";

constexpr CxResult kMissing = 0xE0607003, kEmpty = 0xE0600007, kNoPid = 0xE0609001;

// One element per case: a refusal code, or (code 0) the progress line.
const struct Case {
  const char* xml;
  CxResult code;
  const char* line;
} kCases[] = {
    {R"(<KillProcess Name="C:\x\a.exe"/>)", 0, R"(Ending C:\x\a.exe)"},
    {R"(<KillProcess Pid="77"/>)", 0, "Ending 77"},
    {R"(<KillProcess Name="" Pid="12"/>)", kEmpty, ""},  // an empty name wins over the pid
    {R"(<KillProcess/>)", kNoPid, ""},
    {R"(<KillProcess Pid="0"/>)", kNoPid, ""},  // pid 0 is no process
    {R"(<StartProcess Src="C:\x\a.exe" CmdLine="/x" Silent="false" Wait="TRUE"/>)", 0,
     R"(Starting C:\x\a.exe CmdLine="/x" Silent="false" Wait="true")"},
    {R"(<StartProcess Src="C:\x\b.exe"/>)", 0, R"(Starting C:\x\b.exe Silent="true" Wait="true")"},
    {R"(<StartProcess CmdLine="/x"/>)", kMissing, ""},
    {R"(<StartProcess Src=""/>)", kEmpty, ""},
    // Flags in any case of "true", appended with no blank; "1" is false.
    {R"(<File Src="C:\x\a.dll" Dest="C:\y\a.dll" Register="true" CmpVer="True" os="os64"/>)", 0,
     R"(Copying C:\x\a.dll to C:\y\a.dllRegister="True"CmpVer="True")"},
    {R"(<File Src="C:\x\*" Dest="C:\y\*" Register="1"/>)", 0, R"(Copying C:\x\* to C:\y\*)"},
    {R"(<File Src="C:\x\a.dll"/>)", kMissing, ""},
    {R"(<File Src="" Dest="C:\y\a.dll"/>)", kEmpty, ""},
    {R"(<File Src=""/>)", kMissing, ""},  // "Dest" is read first
    {R"(<DelFile Src="C:\y\a.dll" Unregister="true"/>)", 0,
     R"(Deleting C:\y\a.dll UnRegister="True")"},
    {R"(<DelFile Src="C:\y\a.dll" UnRegister="true"/>)", 0, R"(Deleting C:\y\a.dll)"},
    {R"(<DelFile/>)", kMissing, ""},
    {R"(<DelDir Src="C:\y"/>)", 0, R"(Removing C:\y CheckIsEmpty="True")"},
    {R"(<DelDir Src="C:\y" CheckIsEmpty="false"/>)", 0, R"(Removing C:\y)"},
    {R"(<DelDir Src=""/>)", kEmpty, ""},
    {R"(<CreateShortcut RootPath="C:\m" SubDirName="V\T" Name="T" Src="C:\y\t.exe" Index="2"/>)",
     0, R"(Creating C:\m\V\T\T)"},
    {R"(<CreateShortcut RootPath="C:\m" Name="T" Src="C:\y\t.exe"/>)", 0, R"(Creating C:\m\\T)"},
    {R"(<CreateShortcut RootPath="C:\m" Name="" Src="C:\y\t.exe"/>)", kEmpty, ""},
    {R"(<CreateShortcut RootPath="C:\m" Name="T"/>)", kMissing, ""},
    {R"(<CreateShortcut Name="T" Src="C:\y\t.exe"/>)", kMissing, ""},
    {R"(<AddRegister Root="HKEY_CURRENT_USER" SubKey="S\K" ValueName="V" ValueType="REG_SZ" ValueData="d"/>)",
     0, R"(Writing HKEY_CURRENT_USER\S\K\V)"},
    {R"(<AddRegister Root="HKEY_CURRENT_USER" SubKey="S\K" ValueType="REG_BINARY" ValueData=""/>)",
     0, R"(Writing HKEY_CURRENT_USER\S\K\)"},
    {R"(<AddRegister Root="HKEY_CURRENT_USER" SubKey="S\K" ValueType="REG_SZ" ValueData=""/>)",
     kEmpty, ""},
    // Empty data only for REG_BINARY in exact case.
    {R"(<AddRegister Root="HKEY_CURRENT_USER" SubKey="S\K" ValueType="reg_binary" ValueData=""/>)",
     kEmpty, ""},
    {R"(<AddRegister Root="HKEY_CURRENT_USER" SubKey="S\K" ValueType="REG_SZ"/>)", kMissing, ""},
    {R"(<AddRegister Root="HKEY_CURRENT_USER" SubKey="" ValueType="REG_SZ" ValueData="d"/>)",
     kEmpty, ""},
    {R"(<AddRegister Root="" SubKey="S\K" ValueData="d"/>)", kEmpty, ""},
    {R"(<RunRegFile Src="C:\x\a.reg" Key64="true"/>)", 0, R"(Importing C:\x\a.reg)"},
    {R"(<RunRegFile/>)", kMissing, ""},
    {R"(<RunRegFile Src="" os="os64"/>)", kEmpty, ""},
    {R"(<DelRegister Root="HKEY_LOCAL_MACHINE" SubKey="S\K" ValueName="V" Key64="true"/>)", 0,
     R"(Removing HKEY_LOCAL_MACHINE\S\K\V m_b64Key=true)"},
    {R"(<DelRegister Root="HKEY_LOCAL_MACHINE" SubKey="S\K"/>)", 0,
     R"(Removing HKEY_LOCAL_MACHINE\S\K\ m_b64Key=false)"},
    {R"(<DelRegister Root="HKEY_LOCAL_MACHINE"/>)", kMissing, ""},
    {R"(<AddTrustedSite Url="https://a.example"/>)", 0, "Trusting https://a.example"},
    {R"(<AddTrustedSite Url=""/>)", kEmpty, ""},
    {R"(<DelTrustedSite Url="https://a.example"/>)", 0, "Untrusting https://a.example"},
    {R"(<DelTrustedSite/>)", kMissing, ""},
    {R"(<RegCertFile Src="C:\x\r.cer" StoreName="ROOT"/>)", 0, R"(Adding C:\x\r.cer to ROOT)"},
    {R"(<RegCertFile Src="C:\x\r.cer"/>)", 0, R"(Adding C:\x\r.cer to MY)"},
    {R"(<RegCertFile Src="C:\x\r.cer" StoreName=""/>)", kEmpty, ""},
    {R"(<RegCertFile StoreName="ROOT"/>)", kMissing, ""},
    // "$[src]" shows the certificate type.
    {R"(<UnRegCert StoreName="MY" CertType="RSA" KeySpec="SIGNATURE" CspName="P"/>)", 0,
     "Removing RSA from MY"},
    {R"(<UnRegCert StoreName="MY" CertType="RSA"/>)", kMissing, ""},
    {R"(<UnRegCert StoreName="MY" CertType="" KeySpec="SIGNATURE"/>)", kEmpty, ""},
    {R"(<UnRegCert StoreName="" CertType="RSA" KeySpec="SIGNATURE"/>)", kEmpty, ""},
    {R"(<SetAppTaskScheduler Name="T" Type="Create" AppPath="C:\y\t.exe" Param="/x" Interval="5"/>)",
     0, R"(Task T (Create)[C:\y\t.exe /x])"},
    {R"(<SetAppTaskScheduler Name="T" Type="Delete"/>)", 0, "Task T (Delete)"},
    // Only "Create" in exact case needs a program and an interval.
    {R"(<SetAppTaskScheduler Name="T" Type="Stop"/>)", 0, "Task T (Stop)"},
    {R"(<SetAppTaskScheduler Name="T" Type="create"/>)", 0, "Task T (create)"},
    {R"(<SetAppTaskScheduler Name="T" Type="Create" AppPath="C:\y\t.exe"/>)", kMissing, ""},
    {R"(<SetAppTaskScheduler Name="T" Type="Create" Interval="5"/>)", kMissing, ""},
    {R"(<SetAppTaskScheduler Name="T" Type="Create" AppPath="" Interval="5"/>)", kEmpty, ""},
    {R"(<SetAppTaskScheduler Name="T" Type="Run" Param=""/>)", kEmpty, ""},
    {R"(<SetAppTaskScheduler Name="T" Type="Delete" Interval=""/>)", kEmpty, ""},
    {R"(<SetAppTaskScheduler Name="" Type="Delete"/>)", kEmpty, ""},
    {R"(<SetAppTaskScheduler Type="Delete"/>)", kMissing, ""},
    {R"(<SetAppTaskScheduler Name="T"/>)", kMissing, ""},
};

}  // namespace

TEST(ActionSchema, EveryTypeOfTheScriptIsRegistered) {
  size_t count = 0;
  const ActionType* types = ActionTypes(&count);
  ASSERT_EQ(count, 14u);
  for (size_t i = 0; i < count; ++i) {
    EXPECT_STREQ(BuiltinRegistry().NameAt(static_cast<uint32_t>(i)), types[i].name);
    TestElement element("<" + std::string(types[i].name) + "/>");
    EXPECT_TRUE(ListedAction(BuiltinRegistry(), element.Get()).Created()) << types[i].name;
  }
}

TEST(ActionSchema, EachElementGivesItsWrittenResultInTheActionAndThePlan) {
  std::string bytes = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Config>\n  ";
  bytes += kTemplates;
  bytes += "\n  <Action name=\"Insall\">\n";
  for (const Case& c : kCases) bytes += std::string("    ") + c.xml + "\n";
  bytes += "  </Action>\n</Config>\n";
  SetupScript script;
  ASSERT_EQ(script.LoadFromMemory(bytes.data(), bytes.size()), CX_OK);
  ASSERT_EQ(script.ExpandVariables(), CX_OK);
  std::unique_ptr<ScriptElement> templates(script.FindSection("ActionDescString", nullptr));
  std::unique_ptr<ScriptElement> list(script.FindSection("Action", "Insall"));
  ASSERT_TRUE(templates && list);
  ASSERT_EQ(list->ChildCount(), sizeof(kCases) / sizeof(kCases[0]));
  Plan plan;
  std::string error;
  ASSERT_EQ(MakePlan(bytes, PlanOptions(), &plan, &error), CX_OK) << error;
  ASSERT_EQ(plan.lists[0].actions.size(), list->ChildCount());

  for (uint32_t i = 0; i < list->ChildCount(); ++i) {
    const Case& c = kCases[i];
    SCOPED_TRACE(c.xml);
    ListedAction action(BuiltinRegistry(), list->Child(i));
    ASSERT_TRUE(action.Created());
    WString text(u"untouched");
    EXPECT_EQ(action.Describe(templates.get(), nullptr, &text), c.code);
    const PlannedAction& planned = plan.lists[0].actions[i];
    EXPECT_EQ(planned.stopsRun, c.code != 0);
    if (c.code) {
      EXPECT_EQ(text.Str(), u"untouched");
      EXPECT_EQ(planned.stopCode, c.code);
    } else {
      EXPECT_EQ(Utf16ToUtf8(text.Str()), c.line);
      EXPECT_EQ(planned.description, c.line);
    }
  }
  // A missing template fails even though the action could run.
  TestElement none("<ActionDescString/>");
  WString text(u"untouched");
  EXPECT_EQ(ListedAction(BuiltinRegistry(), list->Child(0)).Describe(none.Get(), nullptr, &text),
            0xE0609001u);
  EXPECT_EQ(text.Str(), u"untouched");
}
