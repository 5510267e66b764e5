// Native code-page conversion: UTF-8 by our own codec, the rest by iconv.
#include <iconv.h>

#include <cerrno>
#include <vector>

#include "common/codepage.h"

namespace {
uint32_t g_ansi = CX_CP_UTF8;

const char* IconvName(uint32_t cp) {
  switch (cp) {
    case CX_CP_GBK: return "CP936";
    case CX_CP_WESTERN: return "CP1252";
    case 950: return "CP950";
    default: return nullptr;
  }
}

uint32_t Resolve(uint32_t cp) { return cp == CX_CP_ANSI ? g_ansi : cp; }

// Runs iconv over the whole input, replacing what cannot be converted with
// `replacement` (already in the target encoding) and skipping `skip` bytes.
bool Convert(const char* from, const char* to, const char* in, size_t inLen,
             const std::string& replacement, size_t skip, std::string* out, bool* exact) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string result;
  std::vector<char> buf(4096);
  char* src = const_cast<char*>(in);
  size_t left = inLen;
  bool ok = true;
  while (left > 0) {
    char* dst = buf.data();
    size_t room = buf.size();
    size_t r = iconv(cd, &src, &left, &dst, &room);
    result.append(buf.data(), dst - buf.data());
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: unconvertible or truncated input.
      ok = false;
      result += replacement;
      size_t n = skip < left ? skip : left;
      src += n;
      left -= n;
    } else if (r > 0) {
      ok = false;  // glibc counts irreversible conversions here
    }
  }
  iconv_close(cd);
  out->swap(result);
  if (exact) *exact = ok;
  return true;
}
}  // namespace

uint32_t SystemAnsiCodePage() { return g_ansi; }
void SetSystemAnsiCodePageForHost(uint32_t codePage) {
  g_ansi = codePage == CX_CP_ANSI ? CX_CP_UTF8 : codePage;
}

CxResult MultiByteToUtf16(uint32_t codePage, const char* text, size_t length,
                          std::u16string* out, bool* exact) {
  if (!out || (!text && length)) return CX_E_INVALID_ARG;
  uint32_t cp = Resolve(codePage);
  if (cp == CX_CP_UTF8) {
    DecodeUtf8(text, length, out, exact);
    return CX_OK;
  }
  const char* name = IconvName(cp);
  if (!name) return CX_E_BAD_DATA;
  std::string bytes;
  const std::string fffd("\xFD\xFF", 2);  // U+FFFD in UTF-16LE
  if (!Convert(name, "UTF-16LE", text, length, fffd, 1, &bytes, exact)) return CX_E_BAD_DATA;
  std::u16string wide(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < wide.size(); ++i)
    wide[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  out->swap(wide);
  return CX_OK;
}

CxResult Utf16ToMultiByte(uint32_t codePage, const char16_t* text, size_t length,
                          std::string* out, bool* exact) {
  if (!out || (!text && length)) return CX_E_INVALID_ARG;
  uint32_t cp = Resolve(codePage);
  if (cp == CX_CP_UTF8) {
    EncodeUtf8(text, length, out, exact);
    return CX_OK;
  }
  const char* name = IconvName(cp);
  if (!name) return CX_E_BAD_DATA;
  std::string bytes(length * 2, '\0');
  for (size_t i = 0; i < length; ++i) {
    bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
  // The default character of these code pages is '?'; skip one UTF-16 unit.
  if (!Convert("UTF-16LE", name, bytes.data(), bytes.size(), "?", 2, out, exact))
    return CX_E_BAD_DATA;
  return CX_OK;
}
