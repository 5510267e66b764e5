// The value rules of script text.
#include "package/value_rules.h"

#include <climits>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/strings.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Blanks, an optional sign, then decimal digits up to the first other
// character: the sign and the number, held at `limit`. 0 for null text.
uint64_t DecimalPrefix(const char* text, bool* negative, uint64_t limit) {
  *negative = false;
  if (!text) return 0;
  while (IsBlank(*text)) ++text;
  if (*text == '+' || *text == '-') *negative = (*text++ == '-');
  uint64_t value = 0;
  for (; IsDigit(*text) && value < limit; ++text)
    value = value * 10 + static_cast<uint64_t>(*text - '0');
  return value < limit ? value : limit;
}

// Whether `text` equals the ASCII `word`, character for character.
bool SameWord(const char16_t* text, const char* word) {
  for (; *word; ++text, ++word)
    if (*text != static_cast<unsigned char>(*word)) return false;
  return *text == 0;
}

bool ContainsWord(const std::u16string& text, const char* word) {
  return text.find(std::u16string(word, word + std::strlen(word))) != std::u16string::npos;
}

}  // namespace

bool BoolFromText(const char* text) { return text && StrCompareNoCaseA(text, "true") == 0; }

bool IsBoolText(const char* text) {
  return BoolFromText(text) || (text && StrCompareNoCaseA(text, "false") == 0);
}

bool IntFromText(const char* text, int* out) {
  int value;
  if (!text || !out || std::sscanf(text, "%d", &value) != 1) return false;
  *out = value;
  return true;
}

bool IsDecimalText(const char* text, bool allowSign) {
  if (!text) return false;
  if (allowSign && (*text == '-' || *text == '+')) ++text;
  if (!*text) return false;
  for (; *text; ++text)
    if (!IsDigit(*text)) return false;
  return true;
}

uint32_t DwordFromText(const char* text) {
  bool negative = false;
  const uint64_t value = DecimalPrefix(text, &negative, 0x100000000ull);
  if (value > 0xFFFFFFFFull) return 0xFFFFFFFF;
  const uint32_t v = static_cast<uint32_t>(value);
  return negative ? 0u - v : v;
}

bool DwordTextIsExact(const char* text) {
  if (!IsDecimalText(text, true) || std::strlen(text) > 12) return false;
  const long long n = std::strtoll(text, nullptr, 10);
  return n >= -2147483648LL && n <= 4294967295LL;
}

CxResult BytesFromHexText(const char* text, std::vector<uint8_t>* out) {
  if (!text || !out) return CX_E_INVALID_ARG;
  const size_t n = std::strlen(text);
  if (n % 2 != 0) return CX_E_INVALID_ARG;
  std::vector<uint8_t> bytes;
  bytes.reserve(n / 2);
  for (size_t i = 0; i < n; i += 2) {
    const int hi = HexDigit(text[i]);
    const int lo = HexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) return CX_E_INVALID_ARG;
    bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
  }
  out->swap(bytes);
  return CX_OK;
}

int32_t MinutesFromText(const char* text) {
  bool negative = false;
  const uint64_t value = DecimalPrefix(text, &negative, uint64_t{INT_MAX} + 1);
  if (negative) return value > INT_MAX ? INT_MIN : -static_cast<int32_t>(value);
  return value > INT_MAX ? INT_MAX : static_cast<int32_t>(value);
}

int WordIndex(const char* const* words, const char16_t* text) {
  if (!words || !text) return -1;
  for (int i = 0; words[i]; ++i)
    if (SameWord(text, words[i])) return i;
  return -1;
}

uint32_t WordMask(const char* const* words, const char16_t* text) {
  if (!words || !text) return 0;
  const std::u16string t = text;
  uint32_t mask = 0;
  for (int i = 0; words[i]; ++i)
    if (ContainsWord(t, words[i])) mask |= 1u << i;
  return mask;
}
