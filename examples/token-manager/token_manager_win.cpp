// Corvexa Token Manager: the sample product's tool. A window with one line
// of text in the system's language; the setup starts it at the end of an
// install and ends it before an uninstall. With "/check" (the scheduled
// task's run) it only looks for a token and ends without a window.
#include <windows.h>
#include <wchar.h>

namespace {

constexpr wchar_t kClassName[] = L"CorvexaTokenManager";
constexpr wchar_t kTitle[] = L"Corvexa Token Manager";

const wchar_t* StatusLine() {
  LANGID lang = GetUserDefaultUILanguage();
  if (PRIMARYLANGID(lang) == LANG_CHINESE) {
    WORD sub = SUBLANGID(lang);
    if (sub == SUBLANG_CHINESE_TRADITIONAL || sub == SUBLANG_CHINESE_HONGKONG ||
        sub == SUBLANG_CHINESE_MACAU)
      return L"未偵測到權杖。請插入您的 KOVA 權杖。";
    return L"未检测到令牌。请插入您的 KOVA 令牌。";
  }
  return L"No token found. Insert your KOVA token.";
}

LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE: {
      HWND text = CreateWindowExW(0, L"STATIC", StatusLine(), WS_CHILD | WS_VISIBLE | SS_LEFT,
                                  16, 24, 360, 40, window, nullptr, nullptr, nullptr);
      SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                   TRUE);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, msg, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int show) {
  // The sample has no token to find: the check ends at once, successfully.
  if (commandLine && wcsstr(commandLine, L"/check")) return 0;
  WNDCLASSW wc = {};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  if (!RegisterClassW(&wc)) return 1;
  HWND window = CreateWindowExW(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 420, 140, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
