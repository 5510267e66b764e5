// cx_shellread: reads back what a setup left in the shell, for the demo and
// the end-to-end tests. Runs under Wine in the setup's prefix; one command
// per start, UTF-8 on stdout; exit 1 with a message on stderr when the thing
// asked for is not there.
//
//   cx_shellread link <file.lnk>   target, arguments, working folder, icon
//   cx_shellread task <name>       program, parameters, flags and trigger
//   cx_shellread zone <url>        the URL's security zone, and the trusted
//                                  zone's "require HTTPS" flag
#include <windows.h>
#include <mstask.h>
#include <shlobj.h>
#include <urlmon.h>

#include <cstdio>
#include <string>

#include "common/win_handles.h"

namespace {

std::string Utf8(const wchar_t* text) {
  if (!text || !*text) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], n, nullptr, nullptr);
  out.resize(n - 1);
  return out;
}

void Write(HANDLE stream, const std::string& text) {
  DWORD written = 0;
  WriteFile(stream, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}
void Out(const std::string& line) { Write(GetStdHandle(STD_OUTPUT_HANDLE), line + "\n"); }
int Fail(const std::string& message) {
  Write(GetStdHandle(STD_ERROR_HANDLE), "cx_shellread: " + message + "\n");
  return 1;
}
std::string Hex(HRESULT hr) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08lX", static_cast<unsigned long>(hr));
  return buf;
}

// The out-parameter of CoCreateInstance and QueryInterface for an owner.
template <typename I>
void** ComOut(ScopedComPtr<I>& owner) {
  return reinterpret_cast<void**>(owner.Receive());
}

int ReadLink(const wchar_t* path) {
  ScopedComPtr<IShellLinkW> link;
  ScopedComPtr<IPersistFile> file;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                ComOut(link));
  if (SUCCEEDED(hr)) hr = link.Get()->QueryInterface(IID_IPersistFile, ComOut(file));
  if (SUCCEEDED(hr)) hr = file.Get()->Load(path, STGM_READ);
  if (FAILED(hr)) return Fail("no link " + Utf8(path) + " (" + Hex(hr) + ")");
  wchar_t text[MAX_PATH] = {};
  link.Get()->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
  Out("target:         " + Utf8(text));
  text[0] = 0;
  link.Get()->GetArguments(text, MAX_PATH);
  Out("arguments:      " + Utf8(text));
  text[0] = 0;
  link.Get()->GetWorkingDirectory(text, MAX_PATH);
  Out("working folder: " + Utf8(text));
  text[0] = 0;
  int index = 0;
  link.Get()->GetIconLocation(text, MAX_PATH, &index);
  Out("icon:           " + Utf8(text) + "," + std::to_string(index));
  return 0;
}

int ReadTask(const wchar_t* name) {
  ScopedComPtr<ITaskScheduler> scheduler;
  ScopedComPtr<ITask> task;
  HRESULT hr = CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ITaskScheduler, ComOut(scheduler));
  if (SUCCEEDED(hr))
    hr = scheduler.Get()->Activate(name, IID_ITask,
                                   reinterpret_cast<IUnknown**>(task.Receive()));
  if (FAILED(hr)) return Fail("no task " + Utf8(name) + " (" + Hex(hr) + ")");
  ScopedCoTaskText text;
  if (SUCCEEDED(task.Get()->GetApplicationName(text.Receive())))
    Out("program:    " + Utf8(text.Get()));
  if (SUCCEEDED(task.Get()->GetParameters(text.Receive()))) Out("parameters: " + Utf8(text.Get()));
  if (SUCCEEDED(task.Get()->GetComment(text.Receive()))) Out("comment:    " + Utf8(text.Get()));
  DWORD flags = 0;
  task.Get()->GetFlags(&flags);
  Out("flags:      " + Hex(flags) +
      ((flags & TASK_FLAG_RUN_ONLY_IF_LOGGED_ON) ? " (runs only while the user is logged on)"
                                                 : ""));
  WORD count = 0;
  task.Get()->GetTriggerCount(&count);
  for (WORD i = 0; i < count; ++i) {
    ScopedComPtr<ITaskTrigger> trigger;
    TASK_TRIGGER t = {};
    t.cbTriggerSize = sizeof(t);
    if (FAILED(task.Get()->GetTrigger(i, trigger.Receive())) ||
        FAILED(trigger.Get()->GetTrigger(&t)))
      continue;
    char line[200];
    std::snprintf(line, sizeof line,
                  "trigger %u:  type %d (1 = daily), every %u day(s) from %04u-%02u-%02u at "
                  "%02u:%02u, repeating every %lu minutes for %lu minutes",
                  i, static_cast<int>(t.TriggerType), t.Type.Daily.DaysInterval, t.wBeginYear,
                  t.wBeginMonth, t.wBeginDay, t.wStartHour, t.wStartMinute,
                  static_cast<unsigned long>(t.MinutesInterval),
                  static_cast<unsigned long>(t.MinutesDuration));
    Out(line);
  }
  return 0;
}

int ReadZone(const wchar_t* url) {
  ScopedComPtr<IInternetSecurityManager> security;
  ScopedComPtr<IInternetZoneManager> zones;
  HRESULT hr = CoCreateInstance(CLSID_InternetSecurityManager, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IInternetSecurityManager, ComOut(security));
  if (SUCCEEDED(hr))
    hr = CoCreateInstance(CLSID_InternetZoneManager, nullptr, CLSCTX_INPROC_SERVER,
                          IID_IInternetZoneManager, ComOut(zones));
  if (FAILED(hr)) return Fail("no zone managers (" + Hex(hr) + ")");
  DWORD zone = 0;
  hr = security.Get()->MapUrlToZone(url, &zone, 0);
  static const char* const kNames[] = {"local machine", "intranet", "trusted", "internet",
                                       "restricted"};
  Out("zone of " + Utf8(url) + ": " +
      (FAILED(hr)
           ? "unknown (" + Hex(hr) + ")"
           : std::to_string(zone) + (zone < 5 ? std::string(" (") + kNames[zone] + ")" : "")));
  ZONEATTRIBUTES a = {};
  a.cbSize = sizeof(a);
  hr = zones.Get()->GetZoneAttributes(2, &a);
  if (SUCCEEDED(hr))
    Out("trusted zone flags: " + Hex(a.dwFlags) +
        ((a.dwFlags & ZAFLAGS_REQUIRE_VERIFICATION) ? " (HTTPS required)"
                                                    : " (HTTPS not required)"));
  return 0;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return Fail("usage: cx_shellread link <file.lnk> | task <name> | zone <url>");
  ScopedComInit com;
  if (FAILED(com.Result())) return Fail("COM did not start");
  const std::wstring command = argv[1];
  return command == L"link"   ? ReadLink(argv[2])
         : command == L"task" ? ReadTask(argv[2])
         : command == L"zone" ? ReadZone(argv[2])
                              : Fail("unknown command " + Utf8(argv[1]));
}
