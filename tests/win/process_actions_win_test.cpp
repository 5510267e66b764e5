// KillProcess and StartProcess elements, from script XML to real processes.
#include <gtest/gtest.h>
#include <tinyxml.h>
#include <windows.h>
#include <tlhelp32.h>

#include <memory>
#include <string>

#include "actions/process_actions.h"
#include "platform/process_control.h"
#include "platform/win_handles.h"
#include "win_test_support.h"

namespace {
std::wstring UniqueImageName() {
  static unsigned counter = 0;
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  wchar_t name[64];
  swprintf(name, 64, L"cx_proc_action_%08lX%04X.exe",
           static_cast<unsigned long>(now.LowPart ^ (GetCurrentProcessId() << 16)), ++counter);
  return name;
}

std::wstring CopyHelperTo(const TestFolder& folder, const std::wstring& imageName) {
  std::wstring path = folder.File(imageName.c_str());
  CopyFileW(TestHelperPath(L"cx_test_helper.exe").c_str(), path.c_str(), FALSE);
  return path;
}

bool ImageRunning(const std::wstring& imageName) {
  ScopedFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL ok = Process32FirstW(snapshot.Get(), &entry); ok;
       ok = Process32NextW(snapshot.Get(), &entry)) {
    if (_wcsicmp(entry.szExeFile, imageName.c_str()) == 0) return true;
  }
  return false;
}

std::string Utf8(const std::wstring& s) {
  int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, s.c_str(), -1, &out[0], n, nullptr, nullptr);
  return out;
}

// One script element parsed from XML text, with its action.
struct Element {
  explicit Element(const std::string& xml) {
    doc.Parse(xml.c_str());
    element = std::make_unique<ScriptElement>(doc.RootElement(), 0, 1);
  }
  TiXmlDocument doc;
  std::unique_ptr<ScriptElement> element;
};

const char kTemplates[] =
    "<ActionDescString>"
    "<KillProcess><zh_cn>x</zh_cn><en_us>Ending $[pname]</en_us></KillProcess>"
    "<StartProcess><en_us>Starting $[src]</en_us></StartProcess>"
    "</ActionDescString>";
}  // namespace

TEST(KillProcessAction, ByPidDescribesAndEndsThatProcess) {
  TestFolder folder;
  HelperProcess p(L"sleep 60000", CopyHelperTo(folder, UniqueImageName()));
  ASSERT_TRUE(p.Started());
  std::string pid = std::to_string(p.Pid());
  Element e("<KillProcess Pid=\"" + pid + "\"/>");
  Element templates(kTemplates);
  std::unique_ptr<Action> action(CreateKillProcessAction(e.element.get()));
  WString text;
  ASSERT_EQ(action->Describe(templates.element.get(), nullptr, &text), CX_OK);
  EXPECT_EQ(std::string(text.Narrow()), "Ending " + pid);
  EXPECT_EQ(action->Execute(nullptr), CX_OK);
  EXPECT_TRUE(p.WaitEnded(10000));

  // A process that cannot be opened is a failure, not a success.
  Element gone("<KillProcess Pid=\"-4\"/>");
  std::unique_ptr<Action> none(CreateKillProcessAction(gone.element.get()));
  EXPECT_EQ(none->Execute(nullptr), CX_E_FAIL);
}

TEST(ProcessActions, ParseResults) {
  struct Case {
    const char* xml;
    bool kill;  // else StartProcess
    CxResult parse;
  } cases[] = {
      {"<KillProcess Name=\"C:\\App\\tool.exe\"/>", true, CX_OK},
      {"<KillProcess Name=\"\" Pid=\"12\"/>", true, CX_E_INVALID_ARG},  // empty name wins over pid
      {"<KillProcess/>", true, CX_E_TEMPLATE_MISSING},                   // neither name nor pid
      {"<KillProcess Pid=\"0\"/>", true, CX_E_TEMPLATE_MISSING},         // pid 0 is no process
      {"<StartProcess Src=\"a.exe\"/>", false, CX_OK},
      {"<StartProcess Src=\"\" CmdLine=\"/x\"/>", false, CX_E_INVALID_ARG},  // empty source
      {"<StartProcess CmdLine=\"/x\"/>", false, CX_E_ATTR_MISSING},          // no source
  };
  for (const Case& c : cases) {
    Element e(c.xml);
    std::unique_ptr<Action> a(c.kill ? CreateKillProcessAction(e.element.get())
                                     : CreateStartProcessAction(e.element.get()));
    EXPECT_EQ(a->Parse(0), c.parse) << c.xml;
    EXPECT_EQ(a->IsParsed(), c.parse == CX_OK) << c.xml;
  }
  std::unique_ptr<Action> orphan(CreateStartProcessAction(nullptr));
  EXPECT_EQ(orphan->Parse(0), CX_E_INVALID_ARG);
  EXPECT_EQ(orphan->Execute(nullptr), CX_E_INVALID_ARG);

  // Defaults, and booleans true only for "true" in any case.
  Element defaults("<StartProcess Src=\"a.exe\"/>");
  StartProcessAction d(defaults.element.get());
  ASSERT_EQ(d.Parse(0), CX_OK);
  EXPECT_TRUE(d.Silent() && d.Wait());
  EXPECT_TRUE(d.CmdLine().IsEmpty());
  Element set("<StartProcess Src=\"a.exe\" Silent=\"TRUE\" Wait=\"yes\"/>");
  StartProcessAction s(set.element.get());
  ASSERT_EQ(s.Parse(0), CX_OK);
  EXPECT_TRUE(s.Silent());
  EXPECT_FALSE(s.Wait());
}

TEST(ProcessActions, DescribeFillsTheTemplates) {
  Element templates(kTemplates);
  Element kill("<KillProcess Name=\"C:\\App\\tool.exe\"/>");
  Element start("<StartProcess Src=\"&quot;C:\\App\\t.exe&quot;\" CmdLine=\"/x\" Wait=\"false\"/>");
  Element plain("<StartProcess Src=\"t.exe\" Silent=\"false\"/>");
  struct Case {
    Action* action;
    const char* text;
  } cases[] = {
      {CreateKillProcessAction(kill.element.get()), "Ending C:\\App\\tool.exe"},
      {CreateStartProcessAction(start.element.get()),
       "Starting \"C:\\App\\t.exe\" CmdLine=\"/x\" Silent=\"true\" Wait=\"false\""},
      {CreateStartProcessAction(plain.element.get()),
       "Starting t.exe Silent=\"false\" Wait=\"true\""},
  };
  for (const Case& c : cases) {
    std::unique_ptr<Action> a(c.action);
    WString text;
    EXPECT_EQ(a->Describe(templates.element.get(), nullptr, &text), CX_OK);
    EXPECT_STREQ(text.Narrow(), c.text);
  }
  // A missing template fails even though the action could run.
  Element empty("<ActionDescString/>");
  std::unique_ptr<Action> a(CreateKillProcessAction(kill.element.get()));
  WString untouched(u"x");
  EXPECT_EQ(a->Describe(empty.element.get(), nullptr, &untouched), CX_E_TEMPLATE_MISSING);
  EXPECT_EQ(untouched.Str(), u"x");
}

TEST(StartProcessAction, WaitsByDefaultAndNotWhenToldSo) {
  TestFolder folder;
  std::wstring name = UniqueImageName();
  std::string path = Utf8(CopyHelperTo(folder, name));

  Element waits("<StartProcess Src=\"" + path + "\" CmdLine=\"sleep 2000\"/>");
  std::unique_ptr<Action> a(CreateStartProcessAction(waits.element.get()));
  EXPECT_EQ(a->Execute(nullptr), CX_OK);
  EXPECT_FALSE(ImageRunning(name));

  // Quoted as scripts write paths with blanks; "os" is not read by this action.
  Element detached("<StartProcess Src=\"&quot;" + path +
                   "&quot;\" CmdLine=\"sleep 60000\" Wait=\"false\" os=\"os64\"/>");
  std::unique_ptr<Action> b(CreateStartProcessAction(detached.element.get()));
  EXPECT_EQ(b->Execute(nullptr), CX_OK);
  EXPECT_TRUE(ImageRunning(name));
  // An install path ends the copy started from it; then nothing matches,
  // which is still success.
  Element kill("<KillProcess Name=\"" + path + "\"/>");
  std::unique_ptr<Action> k(CreateKillProcessAction(kill.element.get()));
  EXPECT_EQ(k->Execute(nullptr), CX_OK);
  EXPECT_FALSE(ImageRunning(name));
  EXPECT_EQ(k->Execute(nullptr), CX_OK);
}

TEST(StartProcessAction, MissingProgramFails) {
  TestFolder folder;
  Element e("<StartProcess Src=\"" + Utf8(folder.File(L"missing.exe")) + "\"/>");
  std::unique_ptr<Action> a(CreateStartProcessAction(e.element.get()));
  EXPECT_EQ(a->Execute(nullptr), CX_WIN_ERROR_FILE_NOT_FOUND);
}
