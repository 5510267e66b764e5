// KillProcess and StartProcess elements, from script XML to real processes.
#include <gtest/gtest.h>
#include <tinyxml.h>
#include <windows.h>
#include <tlhelp32.h>

#include <memory>
#include <string>

#include "actions/process_actions.h"
#include "common/win_handles.h"
#include "win_test_support.h"

namespace {
bool ImageRunning(const std::wstring& imageName) {
  ScopedFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL ok = Process32FirstW(snapshot.Get(), &entry); ok;
       ok = Process32NextW(snapshot.Get(), &entry))
    if (_wcsicmp(entry.szExeFile, imageName.c_str()) == 0) return true;
  return false;
}

std::unique_ptr<Action> Kill(const TestElement& e) {
  return std::unique_ptr<Action>(CreateKillProcessAction(e.Get()));
}
std::unique_ptr<Action> Start(const TestElement& e) {
  return std::unique_ptr<Action>(CreateStartProcessAction(e.Get()));
}

const char kTemplates[] =
    "<ActionDescString>"
    "<KillProcess><zh_cn>x</zh_cn><en_us>Ending $[pname]</en_us></KillProcess>"
    "<StartProcess><en_us>Starting $[src]</en_us></StartProcess>"
    "</ActionDescString>";
}  // namespace

TEST(KillProcessAction, ByPidDescribesAndEndsThatProcess) {
  TestFolder folder;
  const std::wstring path = folder.File(L"cx_proc_action_pid.exe");
  CopyFileW(TestHelperPath(L"cx_test_helper.exe").c_str(), path.c_str(), FALSE);
  HelperProcess p(L"sleep 60000", path);
  ASSERT_TRUE(p.Started());
  const std::string pid = std::to_string(p.Pid());
  TestElement e("<KillProcess Pid=\"" + pid + "\"/>"), templates(kTemplates);
  WString text;
  ASSERT_EQ(Kill(e)->Describe(templates.Get(), nullptr, &text), CX_OK);
  EXPECT_EQ(std::string(text.Narrow()), "Ending " + pid);
  EXPECT_EQ(Kill(e)->Execute(nullptr), CX_OK);
  EXPECT_TRUE(p.WaitEnded(10000));
  // A process that cannot be opened is a failure, not a success.
  EXPECT_EQ(Kill(TestElement("<KillProcess Pid=\"-4\"/>"))->Execute(nullptr), CX_E_FAIL);
}

TEST(ProcessActions, ParseResults) {
  struct Case { const char* xml; CxResult parse; } cases[] = {
      {"<KillProcess Name=\"\" Pid=\"12\"/>", CX_E_INVALID_ARG},       // empty name wins over pid
      {"<KillProcess/>", CX_E_TEMPLATE_MISSING},                       // neither name nor pid
      {"<KillProcess Pid=\"0\"/>", CX_E_TEMPLATE_MISSING},             // pid 0 is no process
      {"<StartProcess Src=\"\" CmdLine=\"/x\"/>", CX_E_INVALID_ARG},  // empty source
      {"<StartProcess CmdLine=\"/x\"/>", CX_E_ATTR_MISSING},          // no source
  };
  for (const Case& c : cases) {
    TestElement e(c.xml);
    EXPECT_EQ((c.xml[1] == 'K' ? Kill(e) : Start(e))->Parse(0), c.parse) << c.xml;
  }
}

TEST(ProcessActions, DescribeFillsTheTemplates) {
  TestElement templates(kTemplates);
  TestElement start("<StartProcess Src=\"&quot;C:\\App\\t.exe&quot;\" CmdLine=\"/x\" Wait=\"false\"/>");
  WString text;
  EXPECT_EQ(Start(start)->Describe(templates.Get(), nullptr, &text), CX_OK);
  EXPECT_STREQ(text.Narrow(),
               "Starting \"C:\\App\\t.exe\" CmdLine=\"/x\" Silent=\"true\" Wait=\"false\"");
  // A missing template fails even though the action could run.
  TestElement empty("<ActionDescString/>");
  WString untouched(u"x");
  EXPECT_EQ(Start(start)->Describe(empty.Get(), nullptr, &untouched),
            CX_E_TEMPLATE_MISSING);
  EXPECT_EQ(untouched.Str(), u"x");
}

TEST(StartProcessAction, WaitsByDefaultAndNotWhenToldSo) {
  TestFolder folder;
  const std::wstring name = L"cx_proc_action_" + std::to_wstring(GetCurrentProcessId()) + L".exe";
  const std::wstring wpath = folder.File(name.c_str());
  CopyFileW(TestHelperPath(L"cx_test_helper.exe").c_str(), wpath.c_str(), FALSE);
  const std::string path(wpath.begin(), wpath.end());  // ASCII temp path

  TestElement waits("<StartProcess Src=\"" + path + "\" CmdLine=\"sleep 2000\"/>");
  EXPECT_EQ(Start(waits)->Execute(nullptr), CX_OK);
  EXPECT_FALSE(ImageRunning(name));
  // Quoted as scripts write paths with blanks; "os" is not read by this action.
  TestElement detached("<StartProcess Src=\"&quot;" + path +
                   "&quot;\" CmdLine=\"sleep 60000\" Wait=\"false\" os=\"os64\"/>");
  EXPECT_EQ(Start(detached)->Execute(nullptr), CX_OK);
  EXPECT_TRUE(ImageRunning(name));
  EXPECT_EQ(Kill(TestElement("<KillProcess Name=\"" + path + "\"/>"))->Execute(nullptr), CX_OK);
  EXPECT_FALSE(ImageRunning(name));

  const std::string missing = std::string(path, 0, path.rfind('\\')) + "\\missing.exe";
  EXPECT_EQ(Start(TestElement("<StartProcess Src=\"" + missing + "\"/>"))->Execute(nullptr),
            CX_WIN_ERROR_FILE_NOT_FOUND);
}
