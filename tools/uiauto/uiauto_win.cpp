// cx_uiauto: drives the setup dialog from outside, for the end-to-end tests
// and the demo. Runs under Wine in the same prefix and X display as the
// setup; one command per start, UTF-8 on stdout, nonzero exit with a message
// on stderr when the command fails.
//
// The target of the window commands is the setup dialog: a visible top-level
// "#32770" window that has a Finish button (1005). A message box is a
// "#32770" too and may carry the same title, so --msgbox selects one without
// that button instead. --title narrows either to titles containing a text.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "common/win_handles.h"

namespace {

constexpr int kFinishButtonId = 1005;
constexpr DWORD kSendTimeoutMs = 15000;
constexpr DWORD kPollMs = 100;

enum class Kind { kDialog, kMsgBox, kAny };

struct Options {
  Kind kind = Kind::kDialog;
  std::wstring title;  // substring; empty or "*" matches every title
};

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr,
                      nullptr);
  return out;
}

// The console may be a pipe: write UTF-8 bytes, never through the console code page.
void Write(HANDLE stream, const std::string& text) {
  DWORD written = 0;
  WriteFile(stream, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}
void Out(const std::wstring& line) { Write(GetStdHandle(STD_OUTPUT_HANDLE), Utf8(line) + "\n"); }
int Fail(const std::wstring& message) {
  Write(GetStdHandle(STD_ERROR_HANDLE), "cx_uiauto: " + Utf8(message) + "\n");
  return 1;
}

std::wstring Hex(const void* handle) {
  wchar_t buf[32];
  swprintf(buf, 32, L"0x%08lx", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(handle)));
  return buf;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

// WM_GETTEXT through a timeout, so a hung target cannot hang the tests.
std::wstring TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                           &length))
    return std::wstring();
  std::vector<wchar_t> buf(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                           SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied))
    return std::wstring();
  return std::wstring(buf.data(), copied);
}

bool Matches(HWND window, const Options& options) {
  if (!IsWindowVisible(window) || ClassOf(window) != L"#32770") return false;
  bool hasFinish = GetDlgItem(window, kFinishButtonId) != nullptr;
  if (options.kind == Kind::kDialog && !hasFinish) return false;
  if (options.kind == Kind::kMsgBox && hasFinish) return false;
  if (options.title.empty() || options.title == L"*") return true;
  return TextOf(window).find(options.title) != std::wstring::npos;
}

struct Search {
  const Options* options;
  HWND found;
};

BOOL CALLBACK FindProc(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (!Matches(window, *search->options)) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindTarget(const Options& options) {
  Search search{&options, nullptr};
  EnumWindows(FindProc, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

const wchar_t* KindName(Kind kind) {
  switch (kind) {
    case Kind::kDialog: return L"setup dialog";
    case Kind::kMsgBox: return L"message box";
    default: return L"#32770 window";
  }
}

HWND RequireTarget(const Options& options) {
  HWND window = FindTarget(options);
  if (!window) Fail(std::wstring(L"no visible ") + KindName(options.kind) + L" found");
  return window;
}

bool ParseNumber(const wchar_t* text, unsigned long* out) {
  if (!text || !*text) return false;
  wchar_t* end = nullptr;
  *out = wcstoul(text, &end, 0);
  return end && *end == L'\0';
}

// Waits until `ready` holds or the time runs out; true when it held.
template <typename Pred>
bool WaitFor(unsigned long timeoutMs, Pred ready) {
  DWORD start = GetTickCount();
  for (;;) {
    if (ready()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(kPollMs);
  }
}

HWND Control(HWND dialog, const wchar_t* idText, unsigned long* id) {
  if (!ParseNumber(idText, id)) {
    Fail(std::wstring(L"not a control id: ") + (idText ? idText : L"(none)"));
    return nullptr;
  }
  HWND control = GetDlgItem(dialog, static_cast<int>(*id));
  if (!control) Fail(L"the window has no control " + std::to_wstring(*id));
  return control;
}

std::wstring StateOf(HWND control) {
  return std::wstring(L"visible=") + (IsWindowVisible(control) ? L"1" : L"0") + L" enabled=" +
         (IsWindowEnabled(control) ? L"1" : L"0");
}

BOOL CALLBACK ListProc(HWND window, LPARAM) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  Out(Hex(window) + L" pid=" + std::to_wstring(pid) + L" visible=" +
      (IsWindowVisible(window) ? L"1" : L"0") + L" class=" + ClassOf(window) + L" title=" +
      TextOf(window));
  return TRUE;
}

BOOL CALLBACK DumpProc(HWND child, LPARAM) {
  Out(std::to_wstring(GetDlgCtrlID(child)) + L" class=" + ClassOf(child) + L" " +
      StateOf(child) + L" text=" + TextOf(child));
  return TRUE;
}

// Processes whose executable name contains `part`, case-insensitively;
// with `kill`, each is ended at once, as a crash or a task manager would.
int CountProcesses(const std::wstring& part, bool print, bool kill = false) {
  ScopedFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return -1;
  std::wstring wanted(part);
  CharLowerBuffW(&wanted[0], static_cast<DWORD>(wanted.size()));
  int count = 0;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL ok = Process32FirstW(snapshot.Get(), &entry); ok;
       ok = Process32NextW(snapshot.Get(), &entry)) {
    std::wstring name(entry.szExeFile);
    CharLowerBuffW(&name[0], static_cast<DWORD>(name.size()));
    if (!wanted.empty() && name.find(wanted) == std::wstring::npos) continue;
    ++count;
    if (print) Out(std::to_wstring(entry.th32ProcessID) + L" " + entry.szExeFile);
    if (!kill) continue;
    ScopedHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
    if (!process) continue;
    TerminateProcess(process.Get(), 9);
    WaitForSingleObject(process.Get(), 10000);
  }
  return count;
}

int Usage();

// A command-line argument quoted for CommandLineToArgvW when it needs it.
std::wstring Quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t slashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    out.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
    slashes = 0;
    out.push_back(c);
  }
  out.append(slashes * 2, L'\\');
  return out + L"\"";
}

std::wstring LowerName(std::wstring path) {
  size_t slash = path.find_last_of(L"\\/");
  if (slash != std::wstring::npos) path = path.substr(slash + 1);
  CharLowerBuffW(&path[0], static_cast<DWORD>(path.size()));
  return path;
}

struct Watch {
  DWORD childPid;
  std::vector<std::wstring> prefixes;  // lower-case executable name prefixes
  std::vector<HWND> seen;
};

bool WatchedProcess(DWORD pid, const Watch& watch) {
  if (pid == watch.childPid) return true;
  ScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process) return false;
  wchar_t path[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  if (!QueryFullProcessImageNameW(process.Get(), 0, path, &size)) return false;
  std::wstring name = LowerName(path);
  for (const std::wstring& prefix : watch.prefixes)
    if (name.compare(0, prefix.size(), prefix) == 0) return true;
  return false;
}

BOOL CALLBACK WatchProc(HWND window, LPARAM param) {
  auto* watch = reinterpret_cast<Watch*>(param);
  if (!IsWindowVisible(window)) return TRUE;
  for (HWND known : watch->seen)
    if (known == window) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (!WatchedProcess(pid, *watch)) return TRUE;
  watch->seen.push_back(window);
  Out(L"window pid=" + std::to_wstring(pid) + L" class=" + ClassOf(window) + L" title=" +
      TextOf(window));
  return TRUE;
}

// run [--watch NAME-PREFIX]... TIMEOUT-MS PROGRAM [ARGS...]: starts the
// program, waits for it and prints "exit CODE" with the full 32-bit code
// (Wine hands the shell only its low 8 bits). While it runs, every visible
// top-level window of the program or of a process whose executable name
// begins with a watched prefix is printed as "window ...".
int RunCommand(int argc, wchar_t** argv, int i) {
  Watch watch{0, {}, {}};
  for (; i + 1 < argc && std::wstring(argv[i]) == L"--watch"; i += 2)
    watch.prefixes.push_back(LowerName(argv[i + 1]));
  unsigned long timeoutMs = 0;
  if (i + 1 >= argc || !ParseNumber(argv[i], &timeoutMs)) return Usage();
  std::wstring program = argv[i + 1];
  std::wstring command = Quoted(program);
  for (int a = i + 2; a < argc; ++a) command += L" " + Quoted(argv[a]);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &si, &pi))
    return Fail(L"cannot start " + program + L": error " + std::to_wstring(GetLastError()));
  ScopedHandle process(pi.hProcess), thread(pi.hThread);
  watch.childPid = pi.dwProcessId;
  DWORD start = GetTickCount();
  DWORD waited = WAIT_TIMEOUT;
  while (waited == WAIT_TIMEOUT) {
    EnumWindows(WatchProc, reinterpret_cast<LPARAM>(&watch));
    if (GetTickCount() - start >= timeoutMs) break;
    waited = WaitForSingleObject(process.Get(), 10);
  }
  if (waited != WAIT_OBJECT_0)
    return Fail(program + L" still runs after " + std::to_wstring(timeoutMs) + L" ms");
  DWORD code = 0;
  GetExitCodeProcess(process.Get(), &code);
  Out(L"exit " + std::to_wstring(code));
  return 0;
}

// What ends a program in killrun: the log reaching a number of lines, or a
// file (by name prefix in a folder) reaching a size.
struct KillTrigger {
  unsigned long count = 0;
  std::wstring path;  // the log, or FOLDER\PREFIX
  bool bySize = false;
  ULARGE_INTEGER since = {};  // files last written before this do not count
  unsigned long long logSize = ~0ull;  // the log's size when last counted
};

bool ParseTrigger(const std::wstring& text, KillTrigger* trigger) {
  const size_t eq = text.find(L'='), at = text.find(L'@');
  if (eq == std::wstring::npos || at == std::wstring::npos || at < eq) return false;
  const std::wstring kind = text.substr(0, eq);
  if (kind != L"lines" && kind != L"size") return false;
  trigger->bySize = kind == L"size";
  trigger->path = text.substr(at + 1);
  return ParseNumber(text.substr(eq + 1, at - eq - 1).c_str(), &trigger->count) &&
         !trigger->path.empty();
}

bool Triggered(KillTrigger& trigger) {
  if (trigger.bySize) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((trigger.path + L"*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool big = false;
    do {
      const unsigned long long size =
          (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
      ULARGE_INTEGER written;
      written.LowPart = found.ftLastWriteTime.dwLowDateTime;
      written.HighPart = found.ftLastWriteTime.dwHighDateTime;
      big = size >= trigger.count && written.QuadPart >= trigger.since.QuadPart;
    } while (!big && FindNextFileW(find, &found));
    FindClose(find);
    return big;
  }
  // A look at the size needs no round trip to the Wine server; the lines
  // are counted only when it changed.
  WIN32_FILE_ATTRIBUTE_DATA attributes;
  if (!GetFileAttributesExW(trigger.path.c_str(), GetFileExInfoStandard, &attributes)) return false;
  const unsigned long long size =
      (static_cast<unsigned long long>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
  if (size == trigger.logSize) return false;
  trigger.logSize = size;
  HANDLE file = CreateFileW(trigger.path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  unsigned long lines = 0;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
    for (DWORD k = 0; k < got; ++k) lines += buffer[k] == '\n';
  CloseHandle(file);
  return lines >= trigger.count;
}

// killrun TIMEOUT-MS lines=N@LOG|size=BYTES@FOLDER\PREFIX PROGRAM [ARGS...]:
// starts the program and ends it (TerminateProcess, as a crash or a
// deployment tool's time limit would) the moment the trigger holds: the
// log has N lines, or a file whose path begins with FOLDER\PREFIX, written
// since the start, has BYTES bytes. Prints "killed", or "exit CODE" when the
// program ended first.
int KillRunCommand(int argc, wchar_t** argv, int i) {
  unsigned long timeoutMs = 0;
  KillTrigger trigger;
  if (i + 2 >= argc || !ParseNumber(argv[i], &timeoutMs) || !ParseTrigger(argv[i + 1], &trigger))
    return Usage();
  std::wstring program = argv[i + 2];
  std::wstring command = Quoted(program);
  for (int a = i + 3; a < argc; ++a) command += L" " + Quoted(argv[a]);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &si, &pi))
    return Fail(L"cannot start " + program + L": error " + std::to_wstring(GetLastError()));
  CloseHandle(pi.hThread);
  const DWORD start = GetTickCount();
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  trigger.since.LowPart = now.dwLowDateTime;
  trigger.since.HighPart = now.dwHighDateTime;
  // Polled without sleeping: a setup runs several quick actions in the
  // time a sleep would take. The program's end is looked at once a tick.
  for (DWORD tick = 0;;) {
    if (GetTickCount() != tick) {
      tick = GetTickCount();
      if (WaitForSingleObject(pi.hProcess, 0) != WAIT_TIMEOUT) break;
    }
    if (Triggered(trigger)) {
      TerminateProcess(pi.hProcess, 9);
      WaitForSingleObject(pi.hProcess, kSendTimeoutMs);
      CloseHandle(pi.hProcess);
      Out(L"killed");
      return 0;
    }
    if (GetTickCount() - start >= timeoutMs) {
      TerminateProcess(pi.hProcess, 9);
      CloseHandle(pi.hProcess);
      return Fail(program + L" still runs after " + std::to_wstring(timeoutMs) + L" ms");
    }
    if (trigger.bySize) Sleep(1);  // a folder listing goes through the Wine server
  }
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  Out(L"exit " + std::to_wstring(code));
  return 0;
}

// hold PATH MS: keeps the file open without sharing it for writing or
// deleting, as a running program holds its files, for MS milliseconds.
int HoldCommand(const wchar_t* path, const wchar_t* msText) {
  unsigned long ms = 0;
  if (!path || !ParseNumber(msText, &ms)) return Usage();
  ScopedFileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file)
    return Fail(std::wstring(L"cannot open ") + path + L": error " +
                std::to_wstring(GetLastError()));
  Out(L"held");
  Sleep(ms);
  return 0;
}

int Usage() {
  Fail(L"usage: cx_uiauto [--msgbox|--any] [--title TEXT] COMMAND [ARGS]\n"
       L"  wait-window TITLE|* TIMEOUT-MS   wait for the window; prints handle and title\n"
       L"  wait-gone TIMEOUT-MS             wait until no such window is left\n"
       L"  wait-class CLASS TIMEOUT-MS      wait for a visible top-level window of a class\n"
       L"  text ID | state ID | click ID    a control's text, visibility/enabled, press it\n"
       L"  focus ID                         move the keyboard focus to the control\n"
       L"  wait-ready ID TIMEOUT-MS         wait until the control is visible and enabled\n"
       L"  key escape|enter | close         keyboard key, WM_CLOSE\n"
       L"  title | dump | list              the window's title; its controls; all top-level windows\n"
       L"  procs [NAME]                     running processes (name substring)\n"
       L"  kill NAME                        end the processes of that name (substring) at once\n"
       L"  wait-process NAME TIMEOUT-MS | wait-no-process NAME TIMEOUT-MS\n"
       L"  sleep MS\n"
       L"  run [--watch NAME-PREFIX]... TIMEOUT-MS PROGRAM [ARGS]  run, wait, print windows and exit\n"
       L"  hold PATH MS                     keep a file open (no write or delete sharing)\n"
       L"  killrun TIMEOUT-MS lines=N@LOG|size=BYTES@FOLDER\\PREFIX PROGRAM [ARGS]\n"
       L"                                   run, end it when the trigger holds");
  return 2;
}

int Run(int argc, wchar_t** argv) {
  Options options;
  int i = 1;
  for (; i < argc && argv[i][0] == L'-' && argv[i][1] == L'-'; ++i) {
    std::wstring flag(argv[i]);
    if (flag == L"--msgbox") {
      options.kind = Kind::kMsgBox;
    } else if (flag == L"--any") {
      options.kind = Kind::kAny;
    } else if (flag == L"--title" && i + 1 < argc) {
      options.title = argv[++i];
    } else {
      return Usage();
    }
  }
  if (i >= argc) return Usage();
  std::wstring command(argv[i]);
  static const wchar_t* const kCommands[] = {
      L"list", L"procs", L"sleep", L"wait-process", L"wait-no-process", L"wait-window",
      L"wait-class", L"wait-gone", L"title", L"dump", L"close", L"key", L"text", L"state",
      L"wait-ready", L"focus", L"click", L"run", L"hold", L"kill", L"killrun"};
  bool known = false;
  for (const wchar_t* name : kCommands) known = known || command == name;
  if (!known) return Usage();
  const wchar_t* a1 = i + 1 < argc ? argv[i + 1] : nullptr;
  const wchar_t* a2 = i + 2 < argc ? argv[i + 2] : nullptr;
  unsigned long number = 0;

  if (command == L"run") return RunCommand(argc, argv, i + 1);
  if (command == L"hold") return HoldCommand(a1, a2);
  if (command == L"killrun") return KillRunCommand(argc, argv, i + 1);
  if (command == L"list") {
    EnumWindows(ListProc, 0);
    return 0;
  }
  if (command == L"procs") {
    return CountProcesses(a1 ? a1 : L"", true) < 0 ? Fail(L"no process list") : 0;
  }
  if (command == L"kill") {
    if (!a1 || !*a1) return Usage();
    return CountProcesses(a1, true, true) > 0 ? 0 : Fail(std::wstring(L"no process ") + a1);
  }
  if (command == L"sleep") {
    if (!ParseNumber(a1, &number)) return Usage();
    Sleep(number);
    return 0;
  }
  if (command == L"wait-process" || command == L"wait-no-process") {
    if (!a1 || !ParseNumber(a2, &number)) return Usage();
    bool present = command == L"wait-process";
    if (WaitFor(number, [&] { return (CountProcesses(a1, false) > 0) == present; })) return 0;
    return Fail(std::wstring(present ? L"no process " : L"still running: ") + a1);
  }
  if (command == L"wait-window") {
    if (!a1 || !ParseNumber(a2, &number)) return Usage();
    options.title = a1;
    HWND found = nullptr;
    if (!WaitFor(number, [&] { return (found = FindTarget(options)) != nullptr; }))
      return Fail(std::wstring(L"no visible ") + KindName(options.kind) + L" titled \"" + a1 +
                  L"\" within " + a2 + L" ms");
    Out(Hex(found) + L" " + TextOf(found));
    return 0;
  }
  if (command == L"wait-class") {
    // Any visible top-level window of a class (a balloon is a tooltip window),
    // optionally with --title.
    if (!a1 || !ParseNumber(a2, &number)) return Usage();
    HWND found = nullptr;
    std::wstring wanted(a1);
    if (!WaitFor(number, [&] {
          for (HWND w = FindWindowExW(nullptr, nullptr, wanted.c_str(), nullptr); w;
               w = FindWindowExW(nullptr, w, wanted.c_str(), nullptr)) {
            if (!IsWindowVisible(w)) continue;
            if (!options.title.empty() && TextOf(w).find(options.title) == std::wstring::npos)
              continue;
            found = w;
            return true;
          }
          return false;
        }))
      return Fail(L"no visible window of class " + wanted + L" within " + a2 + L" ms");
    Out(Hex(found) + L" " + TextOf(found));
    return 0;
  }
  if (command == L"wait-gone") {
    if (!ParseNumber(a1, &number)) return Usage();
    if (WaitFor(number, [&] { return FindTarget(options) == nullptr; })) return 0;
    return Fail(std::wstring(L"the ") + KindName(options.kind) + L" is still there after " + a1 +
                L" ms");
  }

  HWND window = RequireTarget(options);
  if (!window) return 1;
  if (command == L"title") {
    Out(TextOf(window));
    return 0;
  }
  if (command == L"dump") {
    EnumChildWindows(window, DumpProc, 0);
    return 0;
  }
  if (command == L"close") {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
  }
  if (command == L"key") {
    std::wstring key(a1 ? a1 : L"");
    WPARAM vk = key == L"escape" ? VK_ESCAPE : key == L"enter" ? VK_RETURN : 0;
    if (!vk) return Usage();
    // Posted, so that the dialog's message loop (and its key filter) sees
    // it, aimed at the control with the keyboard focus when there is one.
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    HWND target = window;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus)
      target = info.hwndFocus;
    PostMessageW(target, WM_KEYDOWN, vk, 1);
    PostMessageW(target, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
    return 0;
  }

  HWND control = Control(window, a1, &number);
  if (!control) return 1;
  if (command == L"text") {
    Out(TextOf(control));
    return 0;
  }
  if (command == L"state") {
    Out(StateOf(control));
    return 0;
  }
  if (command == L"wait-ready") {
    unsigned long timeout = 0;
    if (!ParseNumber(a2, &timeout)) return Usage();
    if (WaitFor(timeout, [&] { return IsWindowVisible(control) && IsWindowEnabled(control); }))
      return 0;
    return Fail(L"control " + std::to_wstring(number) + L" not visible and enabled after " + a2 +
                L" ms (" + StateOf(control) + L")");
  }
  if (command == L"focus") {
    // The dialog moves the focus itself; SetFocus does not cross threads.
    PostMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (WaitFor(5000, [&] {
          GUITHREADINFO info = {};
          info.cbSize = sizeof info;
          return GetGUIThreadInfo(thread, &info) && info.hwndFocus == control;
        }))
      return 0;
    return Fail(L"control " + std::to_wstring(number) + L" did not take the focus");
  }
  if (command == L"click") {
    // BM_CLICK does nothing unless the dialog is the active window, so the
    // button's notification goes to the dialog directly, as a click would send it.
    if (!IsWindowVisible(control) || !IsWindowEnabled(control))
      return Fail(L"control " + std::to_wstring(number) + L" cannot be clicked (" +
                  StateOf(control) + L")");
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutW(window, WM_COMMAND, MAKEWPARAM(number, BN_CLICKED),
                             reinterpret_cast<LPARAM>(control), SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &ignored) &&
        IsWindow(window))
      return Fail(L"the window did not take the click on " + std::to_wstring(number));
    return 0;
  }
  return Usage();
}

}  // namespace

int wmain(int argc, wchar_t** argv) { return Run(argc, argv); }
