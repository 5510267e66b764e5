// Portable UTF-8 codec and helpers; the platform converters are in
// codepage_win.cpp and codepage_host.cpp.
#include "common/codepage.h"

namespace {
constexpr char16_t kReplacement = 0xFFFD;

void AppendCodePoint(uint32_t cp, std::u16string* out) {
  if (cp < 0x10000) {
    out->push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}
}  // namespace

void DecodeUtf8(const char* text, size_t length, std::u16string* out, bool* exact) {
  bool ok = true;
  std::u16string result;
  result.reserve(length);
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  size_t i = 0;
  while (i < length) {
    unsigned char c = s[i];
    if (c < 0x80) {
      result.push_back(c);
      ++i;
      continue;
    }
    int extra;
    uint32_t cp, min;
    if ((c & 0xE0) == 0xC0) { extra = 1; cp = c & 0x1F; min = 0x80; }
    else if ((c & 0xF0) == 0xE0) { extra = 2; cp = c & 0x0F; min = 0x800; }
    else if ((c & 0xF8) == 0xF0) { extra = 3; cp = c & 0x07; min = 0x10000; }
    else { result.push_back(kReplacement); ok = false; ++i; continue; }
    size_t j = 1;
    for (; j <= static_cast<size_t>(extra); ++j) {
      if (i + j >= length || (s[i + j] & 0xC0) != 0x80) break;
      cp = (cp << 6) | (s[i + j] & 0x3F);
    }
    if (j <= static_cast<size_t>(extra) || cp < min || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
      // Malformed: replace the lead byte and resynchronise after it.
      result.push_back(kReplacement);
      ok = false;
      ++i;
      continue;
    }
    AppendCodePoint(cp, &result);
    i += j;
  }
  out->swap(result);
  if (exact) *exact = ok;
}

void EncodeUtf8(const char16_t* text, size_t length, std::string* out, bool* exact) {
  bool ok = true;
  std::string result;
  result.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;  // lone surrogate
      ok = false;
    }
    if (cp < 0x80) {
      result.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      result.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      result.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      result.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      result.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      result.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      result.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      result.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      result.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      result.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  out->swap(result);
  if (exact) *exact = ok;
}

std::u16string Utf8ToUtf16(const std::string& utf8) {
  std::u16string out;
  MultiByteToUtf16(CX_CP_UTF8, utf8.data(), utf8.size(), &out);
  return out;
}

std::string Utf16ToUtf8(const std::u16string& wide) {
  std::string out;
  Utf16ToMultiByte(CX_CP_UTF8, wide.data(), wide.size(), &out);
  return out;
}

size_t U16Length(const char16_t* text) {
  size_t n = 0;
  if (text)
    while (text[n]) ++n;
  return n;
}
