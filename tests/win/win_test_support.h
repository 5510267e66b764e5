// Support for Windows tests: each test gets its own temporary folder (and
// may claim its own registry subtree), removed again afterwards.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "common/win_handles.h"
#include "engine/action_registry.h"
#include "package/script_element.h"
#include "platform/pending_renames.h"
#include "tinyxml.h"

// A fresh folder under the temporary folder, deleted with its content by the
// destructor. Path() ends with a backslash.
class TestFolder {
 public:
  TestFolder();
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;
  const std::wstring& Path() const { return path_; }
  std::wstring File(const wchar_t* name) const { return path_ + name; }
  // Writes `text` as the whole content of a file in the folder; returns its path.
  std::wstring Write(const wchar_t* name, const std::string& text) const;

 private:
  std::wstring path_;
};

// Path of a helper program or module built for the tests.
std::wstring TestHelperPath(const wchar_t* fileName);
// A Unix path from the build as Wine sees it: the Unix root is drive Z:.
std::wstring WinePath(const char* unixPath);

// Holds a named mutex while it lives: tests sharing a system-wide resource
// take turns, as ctest runs tests side by side.
class Turn {
 public:
  explicit Turn(const wchar_t* name);
  ~Turn();
  Turn(const Turn&) = delete;
  Turn& operator=(const Turn&) = delete;

 private:
  ScopedHandle mutex_;
};

// A started helper process, ended (if still running) by the destructor.
class HelperProcess {
 public:
  // Starts cx_test_helper.exe with `args` and waits until it prints "ready".
  explicit HelperProcess(const std::wstring& args, const std::wstring& exePath = L"");
  ~HelperProcess();
  HelperProcess(const HelperProcess&) = delete;
  HelperProcess& operator=(const HelperProcess&) = delete;
  bool Started() const { return process_.IsValid(); }
  DWORD Pid() const { return pid_; }
  HANDLE Handle() const { return process_.Get(); }
  // True when the process has ended within `ms`.
  bool WaitEnded(DWORD ms) const;

 private:
  ScopedHandle process_;
  DWORD pid_ = 0;
};

std::wstring ReadFileText(const std::wstring& path);
// Writes `text` as the whole content of the file at `path`.
void WriteFileText(const std::wstring& path, const std::string& text);
bool FileExists(const std::wstring& path);


// Gives the test the restart-rename list of the real registry to itself and
// takes out again every entry whose path starts with `prefix` (and the value,
// if it was absent before). The list is rewritten whole, so tests that touch
// it take turns through a named mutex.
class PendingRenamesGuard {
 public:
  explicit PendingRenamesGuard(const std::wstring& prefix);
  ~PendingRenamesGuard();
  PendingRenamesGuard(const PendingRenamesGuard&) = delete;
  PendingRenamesGuard& operator=(const PendingRenamesGuard&) = delete;
  // This test's entries, in registration order, with DOS paths.
  std::vector<PendingRename> Mine() const;

 private:
  ScopedHandle turn_;
  std::u16string prefix_;
  bool existed_ = false;
};

// One action's XML (narrow text is UTF-8) parsed into a ScriptElement, as the
// script loader would hand it to the action.
class TestElement {
 public:
  explicit TestElement(const std::string& xml);
  explicit TestElement(const std::wstring& xml);
  TestElement(const TestElement&) = delete;
  TestElement& operator=(const TestElement&) = delete;
  ScriptElement* Get() const { return element_.get(); }

 private:
  TiXmlDocument doc_;
  std::unique_ptr<ScriptElement> element_;
};

// The registry of the built-in action types, filled as the installer
// engine fills it.
const ActionRegistry& BuiltinRegistry();
// The element's action executed as the runners execute it (ListedAction):
// with its type's redirection and "os" rule.
CxResult RunAction(const TestElement& element, InstallContext* context = nullptr);
// What a file's or folder's access list admits, for the admin-only checks.
struct DaclSummary {
  bool isProtected = false;
  int admins = 0, system = 0, user = 0, others = 0;
  bool allFullAndInherited = true;
  std::string text;  // SDDL, for failure messages
};
DaclSummary SummarizeDacl(PSECURITY_DESCRIPTOR sd);
// The access list the file system keeps for `path`.
DaclSummary ReadBackDacl(const std::wstring& path);
// Admitted: Administrators, SYSTEM, and (where the file system can keep no
// more than an owner, as Wine's) the creating user, who is an
// administrator here.
void ExpectOnlyAdministratorsAndSystem(const DaclSummary& s);
