// Windows code-page conversion through the system converters.
#include <windows.h>

#include "common/codepage.h"

namespace {
// Shared argument checks: true when the call is already answered in
// `result` (bad arguments, or empty input converted to empty output).
template <typename Char, typename Out>
bool Answered(const Char* text, size_t length, Out* out, bool* exact, CxResult* result) {
  if (!out || (!text && length) || length > 0x7FFFFFFF) {
    *result = CX_E_INVALID_ARG;
    return true;
  }
  if (length > 0) return false;
  out->clear();
  if (exact) *exact = true;
  *result = CX_OK;
  return true;
}
}  // namespace

uint32_t SystemAnsiCodePage() { return GetACP(); }
void SetSystemAnsiCodePageForHost(uint32_t) {}

CxResult MultiByteToUtf16(uint32_t codePage, const char* text, size_t length,
                          std::u16string* out, bool* exact) {
  CxResult early;
  if (Answered(text, length, out, exact, &early)) return early;
  UINT cp = codePage == CX_CP_ANSI ? CP_ACP : codePage;
  int n = MultiByteToWideChar(cp, 0, text, static_cast<int>(length), nullptr, 0);
  if (n <= 0) return GetLastError();
  std::u16string wide(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(cp, 0, text, static_cast<int>(length),
                      reinterpret_cast<wchar_t*>(&wide[0]), n);
  if (exact) {
    // A second, strict pass tells whether anything was replaced.
    *exact = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, text, static_cast<int>(length),
                                 nullptr, 0) > 0;
  }
  out->swap(wide);
  return CX_OK;
}

CxResult Utf16ToMultiByte(uint32_t codePage, const char16_t* text, size_t length,
                          std::string* out, bool* exact) {
  CxResult early;
  if (Answered(text, length, out, exact, &early)) return early;
  UINT cp = codePage == CX_CP_ANSI ? CP_ACP : codePage;
  const auto* w = reinterpret_cast<const wchar_t*>(text);
  BOOL usedDefault = FALSE;
  // The UTF code pages refuse the used-default flag.
  BOOL* flag = (cp == CP_UTF8 || cp == CP_UTF7) ? nullptr : &usedDefault;
  int n = WideCharToMultiByte(cp, 0, w, static_cast<int>(length), nullptr, 0, nullptr, flag);
  if (n <= 0) return GetLastError();
  std::string bytes(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(cp, 0, w, static_cast<int>(length), &bytes[0], n, nullptr, flag);
  if (exact) {
    if (flag) {
      *exact = !usedDefault;
    } else {
      *exact = WideCharToMultiByte(cp, WC_ERR_INVALID_CHARS, w, static_cast<int>(length),
                                   nullptr, 0, nullptr, nullptr) > 0;
    }
  }
  out->swap(bytes);
  return CX_OK;
}
