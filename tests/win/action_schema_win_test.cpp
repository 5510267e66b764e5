// The actions and the dry run agree: for every action type the registry
// knows, the real Parse and Describe give what cxpack plan predicts from the
// attribute table, on valid elements and on elements with one fault each.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/codepage.h"
#include "common/sysinfo.h"
#include "engine/action_registry.h"
#include "engine/builtin_actions.h"
#include "authoring/script_plan.h"
#include "package/setup_script.h"

namespace {

// Templates with one text for every language; literal values only, so the
// machine's folders play no part.
const char kScript[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Config>
  <ActionDescString>
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
  </ActionDescString>
  <Action name="Insall">
    <KillProcess Name="C:\x\a.exe"/>
    <KillProcess Pid="77"/>
    <KillProcess Name=""/>
    <KillProcess/>
    <StartProcess Src="C:\x\a.exe" CmdLine="/x" Silent="false" Wait="TRUE"/>
    <StartProcess CmdLine="/x"/>
    <StartProcess Src=""/>
    <File Src="C:\x\a.dll" Dest="C:\y\a.dll" Register="true" CmpVer="True" os="os64"/>
    <File Src="C:\x\*" Dest="C:\y\*" Register="1"/>
    <File Src="C:\x\a.dll"/>
    <File Src="" Dest="C:\y\a.dll"/>
    <File Src=""/>
    <DelFile Src="C:\y\a.dll" Unregister="true"/>
    <DelFile Src="C:\y\a.dll" UnRegister="true"/>
    <DelFile/>
    <DelDir Src="C:\y"/>
    <DelDir Src="C:\y" CheckIsEmpty="false"/>
    <DelDir Src=""/>
    <CreateShortcut RootPath="C:\m" SubDirName="V\T" Name="T" Src="C:\y\t.exe" Index="2"/>
    <CreateShortcut RootPath="C:\m" Name="T" Src="C:\y\t.exe"/>
    <CreateShortcut RootPath="C:\m" Name="" Src="C:\y\t.exe"/>
    <CreateShortcut RootPath="C:\m" Name="T"/>
    <AddRegister Root="HKEY_CURRENT_USER" SubKey="S\K" ValueName="V" ValueType="REG_SZ" ValueData="d"/>
    <AddRegister Root="HKEY_CURRENT_USER" SubKey="S\K" ValueType="REG_BINARY" ValueData=""/>
    <AddRegister Root="HKEY_CURRENT_USER" SubKey="S\K" ValueType="REG_SZ" ValueData=""/>
    <AddRegister Root="HKEY_CURRENT_USER" SubKey="S\K" ValueType="REG_SZ"/>
    <AddRegister Root="" SubKey="S\K" ValueData="d"/>
    <RunRegFile Src="C:\x\a.reg" Key64="true"/>
    <RunRegFile/>
    <DelRegister Root="HKEY_LOCAL_MACHINE" SubKey="S\K" ValueName="V" Key64="true"/>
    <DelRegister Root="HKEY_LOCAL_MACHINE" SubKey="S\K"/>
    <DelRegister Root="HKEY_LOCAL_MACHINE"/>
    <AddTrustedSite Url="https://a.example"/>
    <AddTrustedSite Url=""/>
    <DelTrustedSite Url="https://a.example"/>
    <DelTrustedSite/>
    <RegCertFile Src="C:\x\r.cer" StoreName="ROOT"/>
    <RegCertFile Src="C:\x\r.cer"/>
    <RegCertFile Src="C:\x\r.cer" StoreName=""/>
    <UnRegCert StoreName="MY" CertType="RSA" KeySpec="SIGNATURE" CspName="P"/>
    <UnRegCert StoreName="MY" CertType="RSA"/>
    <UnRegCert StoreName="MY" CertType="" KeySpec="SIGNATURE"/>
    <SetAppTaskScheduler Name="T" Type="Create" AppPath="C:\y\t.exe" Param="/x" Interval="5"/>
    <SetAppTaskScheduler Name="T" Type="Delete"/>
    <SetAppTaskScheduler Name="T" Type="Stop"/>
    <SetAppTaskScheduler Name="T" Type="Create" AppPath="C:\y\t.exe"/>
    <SetAppTaskScheduler Name="T" Type="Create" Interval="5"/>
    <SetAppTaskScheduler Name="T" Type="Run" Param=""/>
    <!-- The first of the three required shortcut attributes, absent. -->
    <CreateShortcut Name="T" Src="C:\y\t.exe"/>
    <!-- An empty key path below a good root. -->
    <AddRegister Root="HKEY_CURRENT_USER" SubKey="" ValueType="REG_SZ" ValueData="d"/>
    <!-- Empty data is allowed only for REG_BINARY in exact case. -->
    <AddRegister Root="HKEY_CURRENT_USER" SubKey="S\K" ValueType="reg_binary" ValueData=""/>
    <!-- An empty registry file. -->
    <RunRegFile Src="" os="os64"/>
    <!-- A certificate file without its source. -->
    <RegCertFile StoreName="ROOT"/>
    <!-- An empty store ends the read before the type. -->
    <UnRegCert StoreName="" CertType="RSA" KeySpec="SIGNATURE"/>
    <!-- Only "Create" in exact case needs a program and an interval. -->
    <SetAppTaskScheduler Name="T" Type="create"/>
    <!-- A create with an empty program. -->
    <SetAppTaskScheduler Name="T" Type="Create" AppPath="" Interval="5"/>
    <!-- An interval, when given, is never empty, whatever the type. -->
    <SetAppTaskScheduler Name="T" Type="Delete" Interval=""/>
    <!-- A task without a name. -->
    <SetAppTaskScheduler Type="Delete"/>
  </Action>
</Config>
)";

}  // namespace

TEST(ActionSchema, EveryRegisteredActionParsesAndDescribesAsPlanned) {
  const std::string bytes = kScript;
  SetupScript script;
  ASSERT_EQ(script.LoadFromMemory(bytes.data(), bytes.size()), CX_OK);
  ASSERT_EQ(script.SetSystemVariables("C:\\pkg\\"), CX_DONE);
  ASSERT_EQ(script.ExpandVariables(), CX_OK);
  std::unique_ptr<ScriptElement> templates(script.FindSection("ActionDescString", nullptr));
  std::unique_ptr<ScriptElement> list(script.FindSection("Action", "Insall"));
  ASSERT_TRUE(templates && list);

  PlanOptions options;
  options.languageCode = static_cast<uint32_t>(script.LanguageCode());
  options.is64 = IsOs64Bit() == 1;
  Plan plan;
  std::string error;
  ASSERT_EQ(MakePlan(bytes, options, &plan, &error), CX_OK) << error;
  const std::vector<PlannedAction>& planned = plan.lists[0].actions;
  ASSERT_EQ(planned.size(), list->ChildCount());

  ActionRegistry registry;
  RegisterBuiltinActions(&registry);
  int compared = 0;
  for (uint32_t i = 0; i < list->ChildCount(); ++i) {
    ScriptElement* element = list->Child(i);
    std::unique_ptr<Action> action(registry.Create(element));
    if (!action) continue;  // a type this build does not have yet
    ++compared;
    WString text;
    const CxResult r = action->Describe(templates.get(), nullptr, &text);
    const PlannedAction& p = planned[i];
    SCOPED_TRACE("element " + std::to_string(i + 1) + ": " + p.type);
    if (p.stopsRun) {
      EXPECT_EQ(r, p.stopCode);
    } else {
      ASSERT_EQ(r, CX_OK);
      EXPECT_EQ(Utf16ToUtf8(text.Str()), p.description);
    }
  }
  EXPECT_GE(compared, 17);  // at least the process and file actions
}
