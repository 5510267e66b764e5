// Error message box without an owner window.
#include "app/error_message.h"

#include <windows.h>

void ShowErrorMessage(const WString& text, const WString& caption) {
  ::MessageBoxW(nullptr, text.W(), caption.W(), MB_ICONERROR);
}
