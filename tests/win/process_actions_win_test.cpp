// KillProcess and StartProcess elements, from script XML to real processes.
#include <gtest/gtest.h>
#include <tinyxml.h>
#include <windows.h>
#include <tlhelp32.h>

#include <string>

#include "common/win_handles.h"
#include "engine/listed_action.h"
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

const char kTemplates[] =
    "<ActionDescString>"
    "<KillProcess><zh_cn>x</zh_cn><en_us>Ending $[pname]</en_us></KillProcess>"
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
  ASSERT_EQ(ListedAction(BuiltinRegistry(), e.Get()).Describe(templates.Get(), nullptr, &text),
            CX_OK);
  EXPECT_EQ(std::string(text.Narrow()), "Ending " + pid);
  EXPECT_EQ(RunAction(e), CX_OK);
  EXPECT_TRUE(p.WaitEnded(10000));
  // A process that cannot be opened is a failure, not a success.
  EXPECT_EQ(RunAction(TestElement("<KillProcess Pid=\"-4\"/>")), CX_E_FAIL);
}

TEST(StartProcessAction, WaitsByDefaultAndNotWhenToldSo) {
  TestFolder folder;
  const std::wstring name = L"cx_proc_action_" + std::to_wstring(GetCurrentProcessId()) + L".exe";
  const std::wstring wpath = folder.File(name.c_str());
  CopyFileW(TestHelperPath(L"cx_test_helper.exe").c_str(), wpath.c_str(), FALSE);
  const std::string path(wpath.begin(), wpath.end());  // ASCII temp path

  TestElement waits("<StartProcess Src=\"" + path + "\" CmdLine=\"sleep 2000\"/>");
  EXPECT_EQ(RunAction(waits), CX_OK);
  EXPECT_FALSE(ImageRunning(name));
  // Quoted as scripts write paths with blanks; "os" is not read by this action.
  TestElement detached("<StartProcess Src=\"&quot;" + path +
                   "&quot;\" CmdLine=\"sleep 60000\" Wait=\"false\" os=\"os64\"/>");
  EXPECT_EQ(RunAction(detached), CX_OK);
  EXPECT_TRUE(ImageRunning(name));
  EXPECT_EQ(RunAction(TestElement("<KillProcess Name=\"" + path + "\"/>")), CX_OK);
  EXPECT_FALSE(ImageRunning(name));

  const std::string missing = std::string(path, 0, path.rfind('\\')) + "\\missing.exe";
  EXPECT_EQ(RunAction(TestElement("<StartProcess Src=\"" + missing + "\"/>")),
            CX_WIN_ERROR_FILE_NOT_FOUND);
}
