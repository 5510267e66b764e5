// Version text parsing and comparison.
#include "common/version_number.h"

#include "common/result_codes.h"

uint64_t VersionValue(const uint32_t parts[4]) {
  uint64_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 16) | (parts[i] & 0xFFFFu);
  return v;
}

void VersionParts(uint64_t value, uint32_t parts[4]) {
  for (int i = 3; i >= 0; --i) {
    parts[i] = static_cast<uint32_t>(value & 0xFFFFu);
    value >>= 16;
  }
}

int ParseVersionString(const char16_t* text, uint64_t* value) {
  if (!text || !value) return CX_NOT_DONE;
  uint32_t parts[4] = {0, 0, 0, 0};
  int part = 0;          // index of the part being read
  bool haveDigit = false;  // the current part has at least one digit
  bool any = false;
  for (const char16_t* p = text; *p; ++p) {
    char16_t c = *p;
    if (c == u' ') continue;
    any = true;
    if (c == u',') c = u'.';
    if (c >= u'0' && c <= u'9') {
      // A part above 65535 would wrap and compare wrongly: refuse it.
      parts[part] = parts[part] * 10 + static_cast<uint32_t>(c - u'0');
      if (parts[part] > 0xFFFFu) return CX_NOT_DONE;
      haveDigit = true;
    } else if (c == u'.') {
      if (!haveDigit || part == 3) return CX_NOT_DONE;
      ++part;
      haveDigit = false;
    } else {
      return CX_NOT_DONE;
    }
  }
  if (!any || part != 3 || !haveDigit) return CX_NOT_DONE;
  *value = VersionValue(parts);
  return CX_DONE;
}

int CompareVersions(const uint32_t a[4], const uint32_t b[4]) {
  uint64_t va = VersionValue(a);
  uint64_t vb = VersionValue(b);
  return va < vb ? -1 : (va > vb ? 1 : 0);
}
