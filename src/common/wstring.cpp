// WString: UTF-16 text with cached 8-bit renderings.
#include "common/wstring.h"

#include <cstdio>

bool WString::Render() {
  std::string ansi, chosen;
  if (Utf16ToMultiByte(CX_CP_ANSI, wide_.data(), wide_.size(), &ansi) != CX_OK ||
      Utf16ToMultiByte(codePage_, wide_.data(), wide_.size(), &chosen) != CX_OK) {
    Clear();
    return false;
  }
  ansi_.swap(ansi);
  chosen_.swap(chosen);
  return true;
}

void WString::Clear() {
  wide_.clear();
  ansi_.clear();
  chosen_.clear();
}

bool WString::Assign(const char16_t* text) { return Assign(text, U16Length(text)); }

bool WString::Assign(const char16_t* text, size_t length) {
  if (!text || length == 0) {
    Clear();
    return true;
  }
  wide_.assign(text, length);
  return Render();
}

bool WString::Assign(const char* text, uint32_t codePage) {
  if (!text || !*text) {
    Clear();
    return true;
  }
  std::u16string wide;
  if (MultiByteToUtf16(codePage, text, std::char_traits<char>::length(text), &wide) != CX_OK) {
    Clear();
    return false;
  }
  wide_.swap(wide);
  return Render();
}

bool WString::AssignInt(int value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%d", value);
  return Assign(buf, CX_CP_UTF8);
}

bool WString::Append(const char16_t* text) {
  if (!text || !*text) return true;
  wide_.append(text);
  return Render();
}

bool WString::Append(const char* text, uint32_t codePage) {
  if (!text || !*text) return true;
  std::u16string wide;
  if (MultiByteToUtf16(codePage, text, std::char_traits<char>::length(text), &wide) != CX_OK) {
    Clear();
    return false;
  }
  wide_.append(wide);
  return Render();
}

bool WString::SetCodePage(uint32_t codePage) {
  std::string chosen;
  if (Utf16ToMultiByte(codePage, wide_.data(), wide_.size(), &chosen) != CX_OK) {
    Clear();
    return false;
  }
  codePage_ = codePage;
  chosen_.swap(chosen);
  return true;
}

void WString::Replace(const char16_t* from, const char16_t* to) {
  size_t fromLen = U16Length(from);
  if (fromLen == 0 || wide_.empty()) return;
  std::u16string with = to ? std::u16string(to) : std::u16string();
  std::u16string result;
  size_t pos = 0;
  bool changed = false;
  for (;;) {
    size_t hit = wide_.find(from, pos, fromLen);
    if (hit == std::u16string::npos) break;
    result.append(wide_, pos, hit - pos);
    result.append(with);
    pos = hit + fromLen;
    changed = true;
  }
  if (!changed) return;
  result.append(wide_, pos, std::u16string::npos);
  wide_.swap(result);
  Render();
}
