// A tiny program that Windows tests start to stand in for a product process.
//   cx_test_helper sleep MS
//   cx_test_helper hold PATH SHARE MS    SHARE: none | read | delete | readdelete
//   cx_test_helper window MS [ignoreclose]
//   cx_test_helper exit CODE
//   cx_test_helper spawn OUT MS          starts "sleep MS" of itself, writes
//                                        that child's id to OUT, sleeps MS
//   cx_test_helper loaddll DLL OUT       writes "loaded" or "missing" to OUT
//                                        (DLL searched beside the program)
// It prints "ready" on stdout once it holds what it was asked to hold.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace {
bool g_ignoreClose = false;

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CLOSE && g_ignoreClose) return 0;
  if (msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void Ready() {
  std::printf("ready\n");
  std::fflush(stdout);
}

int RunWindow(DWORD ms) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = WndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"CxTestHelperWindow";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowW(wc.lpszClassName, L"cx test helper", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                            100, nullptr, nullptr, wc.hInstance, nullptr);
  if (!hwnd) return 3;
  ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  SetTimer(hwnd, 1, ms, nullptr);
  Ready();
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    if (m.message == WM_TIMER) break;
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  return 0;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  if (!wcscmp(argv[1], L"sleep")) {
    Ready();
    Sleep(wcstoul(argv[2], nullptr, 10));
    return 0;
  }
  if (!wcscmp(argv[1], L"exit")) return static_cast<int>(wcstol(argv[2], nullptr, 10));
  if (!wcscmp(argv[1], L"spawn") && argc >= 4) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" sleep " + argv[3];
    STARTUPINFOW si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(self, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
      return 4;
    const std::string id = std::to_string(pi.dwProcessId);
    HANDLE out = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD put = 0;
    WriteFile(out, id.data(), static_cast<DWORD>(id.size()), &put, nullptr);
    CloseHandle(out);
    Ready();
    Sleep(wcstoul(argv[3], nullptr, 10));
    return 0;
  }
  if (!wcscmp(argv[1], L"loaddll") && argc >= 4) {
    const char* verdict = LoadLibraryW(argv[2]) ? "loaded" : "missing";
    HANDLE out = CreateFileW(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return 4;
    DWORD put = 0;
    WriteFile(out, verdict, static_cast<DWORD>(strlen(verdict)), &put, nullptr);
    CloseHandle(out);
    return 0;
  }
  if (!wcscmp(argv[1], L"window")) {
    g_ignoreClose = argc > 3 && !wcscmp(argv[3], L"ignoreclose");
    return RunWindow(wcstoul(argv[2], nullptr, 10));
  }
  if (!wcscmp(argv[1], L"hold") && argc >= 5) {
    DWORD share = 0;
    if (!wcscmp(argv[3], L"read")) share = FILE_SHARE_READ;
    else if (!wcscmp(argv[3], L"delete")) share = FILE_SHARE_DELETE;
    else if (!wcscmp(argv[3], L"readdelete")) share = FILE_SHARE_READ | FILE_SHARE_DELETE;
    HANDLE h = CreateFileW(argv[2], GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 4;
    Ready();
    Sleep(wcstoul(argv[4], nullptr, 10));
    CloseHandle(h);
    return 0;
  }
  return 2;
}
