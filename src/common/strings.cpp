// Bounded strings, guarded memory copies and the size-query output
// convention. Portable: the wide formatter is our own, so %s means the same
// on every runtime.
#include "common/strings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/codepage.h"

namespace {

// Largest field width or precision honoured.
constexpr int kMaxField = 1 << 20;

// Capacities this large are taken for a negative size passed by mistake.
constexpr size_t kMaxCapacity = 0x80000000u;

template <typename C>
int CopyBounded(C* dest, size_t capacity, const C* src) {
  if (!dest || capacity == 0 || !src) return CX_NOT_DONE;
  // Scans no further than the destination can take, so the source needs no
  // terminator beyond that point for a cut copy.
  size_t n = 0;
  while (n < capacity - 1 && src[n]) ++n;
  const bool whole = src[n] == 0;
  std::memmove(dest, src, n * sizeof(C));
  dest[n] = 0;
  return whole ? CX_DONE : CX_NOT_DONE;
}

template <typename C>
int AppendBounded(C* dest, size_t capacity, const C* src) {
  if (!dest || capacity == 0 || !src) return CX_NOT_DONE;
  if (src[0] == 0) return CX_DONE;
  size_t d = 0;
  while (d < capacity && dest[d]) ++d;
  if (d >= capacity) return CX_NOT_DONE;  // unterminated within its buffer
  return CopyBounded(dest + d, capacity - d, src);
}

template <typename C>
unsigned FoldAscii(C c) {
  unsigned u = static_cast<unsigned>(c);
  return (u >= 'A' && u <= 'Z') ? u + ('a' - 'A') : u;
}

template <typename C>
int CompareNoCase(const C* a, const C* b) {
  static const C kEmpty[1] = {0};
  if (!a) a = kEmpty;
  if (!b) b = kEmpty;
  for (;; ++a, ++b) {
    const unsigned ca = FoldAscii(*a);
    const unsigned cb = FoldAscii(*b);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

// ---- the wide formatter ----

// Collects output up to a limit and counts everything that would have been
// written, like vsnprintf.
class WideSink {
 public:
  WideSink(char16_t* dest, size_t limit) : dest_(dest), limit_(limit) {}
  void Put(char16_t c) {
    if (count_ < limit_) dest_[count_] = c;
    ++count_;
  }
  void Repeat(char16_t c, size_t n) {
    for (size_t i = 0; i < n; ++i) Put(c);
  }
  size_t Count() const { return count_; }

 private:
  char16_t* dest_;
  size_t limit_;
  size_t count_ = 0;
};

struct Spec {
  bool left = false, zero = false, plus = false, space = false, alt = false;
  int width = 0;
  int precision = -1;  // -1: none given
  enum Length { kNone, kHH, kH, kL, kLL, kZ, kJ, kT, kBigL } length = kNone;
};

// Pads a finished field of `len` characters produced by `emit`.
template <typename Emit>
void PadField(WideSink& sink, const Spec& spec, size_t len, Emit emit) {
  const size_t width = spec.width > 0 ? static_cast<size_t>(spec.width) : 0;
  const size_t pad = width > len ? width - len : 0;
  if (!spec.left) sink.Repeat(u' ', pad);
  emit();
  if (spec.left) sink.Repeat(u' ', pad);
}

void FormatText(WideSink& sink, const Spec& spec, const char16_t* text, size_t length) {
  size_t len = 0;
  const size_t maxLen = spec.precision >= 0 ? static_cast<size_t>(spec.precision) : SIZE_MAX;
  while (len < maxLen && len < length && text[len]) ++len;
  PadField(sink, spec, len, [&] {
    for (size_t i = 0; i < len; ++i) sink.Put(text[i]);
  });
}

void FormatNarrowText(WideSink& sink, const Spec& spec, const char* text) {
  size_t bytes = std::strlen(text);
  if (spec.precision >= 0 && static_cast<size_t>(spec.precision) < bytes)
    bytes = static_cast<size_t>(spec.precision);
  std::u16string wide;
  if (MultiByteToUtf16(CX_CP_ANSI, text, bytes, &wide) != CX_OK) {
    wide.clear();
    for (size_t i = 0; i < bytes; ++i) wide.push_back(static_cast<unsigned char>(text[i]));
  }
  Spec whole = spec;
  whole.precision = -1;
  FormatText(sink, whole, wide.c_str(), wide.size());
}

void FormatInteger(WideSink& sink, const Spec& spec, unsigned long long magnitude, bool negative,
                   char16_t conversion, bool isSigned) {
  unsigned base = 10;
  const char* digitsTable = "0123456789abcdef";
  if (conversion == u'x' || conversion == u'p') base = 16;
  if (conversion == u'X') {
    base = 16;
    digitsTable = "0123456789ABCDEF";
  }
  if (conversion == u'o') base = 8;

  char digits[32];
  size_t nd = 0;
  for (unsigned long long v = magnitude; v != 0; v /= base) digits[nd++] = digitsTable[v % base];
  // Precision is the minimum digit count; ".0" with a zero prints no digits.
  size_t minDigits = spec.precision >= 0 ? static_cast<size_t>(spec.precision) : 1;
  if (conversion == u'p') minDigits = sizeof(void*) * 2;
  size_t zeros = minDigits > nd ? minDigits - nd : 0;
  if (conversion == u'o' && spec.alt && zeros == 0 && (nd == 0 || digits[nd - 1] != '0')) zeros = 1;

  char prefix[2];
  size_t np = 0;
  if (isSigned) {
    if (negative) prefix[np++] = '-';
    else if (spec.plus) prefix[np++] = '+';
    else if (spec.space) prefix[np++] = ' ';
  }
  if (spec.alt && magnitude != 0 && (conversion == u'x' || conversion == u'X')) {
    prefix[np++] = '0';
    prefix[np++] = static_cast<char>(conversion);
  }

  size_t len = np + zeros + nd;
  const size_t width = spec.width > 0 ? static_cast<size_t>(spec.width) : 0;
  if (spec.zero && !spec.left && spec.precision < 0 && width > len) {
    zeros += width - len;
    len = width;
  }
  PadField(sink, spec, len, [&] {
    for (size_t i = 0; i < np; ++i) sink.Put(static_cast<char16_t>(prefix[i]));
    sink.Repeat(u'0', zeros);
    for (size_t i = nd; i > 0; --i) sink.Put(static_cast<char16_t>(digits[i - 1]));
  });
}

// Floating point goes through the runtime's narrow formatter; digits and
// signs are ASCII, so widening is exact.
void FormatFloat(WideSink& sink, const Spec& spec, char16_t conversion, va_list* args) {
  char format[32];
  size_t n = 0;
  format[n++] = '%';
  if (spec.left) format[n++] = '-';
  if (spec.zero) format[n++] = '0';
  if (spec.plus) format[n++] = '+';
  if (spec.space) format[n++] = ' ';
  if (spec.alt) format[n++] = '#';
  format[n++] = '*';
  format[n++] = '.';
  format[n++] = '*';
  if (spec.length == Spec::kBigL) format[n++] = 'L';
  format[n++] = static_cast<char>(conversion);
  format[n] = 0;
  const int precision = spec.precision;  // negative means "none" to printf too
  char buffer[512];
  int written;
  if (spec.length == Spec::kBigL) {
    long double value = va_arg(*args, long double);
    written = std::snprintf(buffer, sizeof buffer, format, spec.width, precision, value);
  } else {
    double value = va_arg(*args, double);
    written = std::snprintf(buffer, sizeof buffer, format, spec.width, precision, value);
  }
  if (written < 0) return;
  const size_t len = static_cast<size_t>(written) < sizeof buffer ? static_cast<size_t>(written)
                                                                  : sizeof buffer - 1;
  for (size_t i = 0; i < len; ++i) sink.Put(static_cast<unsigned char>(buffer[i]));
}

unsigned long long ReadUnsigned(const Spec& spec, va_list* args) {
  switch (spec.length) {
    case Spec::kHH: return static_cast<unsigned char>(va_arg(*args, unsigned int));
    case Spec::kH: return static_cast<unsigned short>(va_arg(*args, unsigned int));
    case Spec::kL: return va_arg(*args, unsigned long);
    case Spec::kLL: return va_arg(*args, unsigned long long);
    case Spec::kZ: return va_arg(*args, size_t);
    case Spec::kJ: return va_arg(*args, uintmax_t);
    case Spec::kT: return static_cast<unsigned long long>(va_arg(*args, ptrdiff_t));
    default: return va_arg(*args, unsigned int);
  }
}

long long ReadSigned(const Spec& spec, va_list* args) {
  switch (spec.length) {
    case Spec::kHH: return static_cast<signed char>(va_arg(*args, int));
    case Spec::kH: return static_cast<short>(va_arg(*args, int));
    case Spec::kL: return va_arg(*args, long);
    case Spec::kLL: return va_arg(*args, long long);
    case Spec::kZ: return static_cast<long long>(va_arg(*args, size_t));
    case Spec::kJ: return va_arg(*args, intmax_t);
    case Spec::kT: return va_arg(*args, ptrdiff_t);
    default: return va_arg(*args, int);
  }
}

// Returns the number of characters the whole output needs.
size_t FormatWide(char16_t* dest, size_t limit, const char16_t* format, va_list* args) {
  WideSink sink(dest, limit);
  for (const char16_t* p = format; *p; ++p) {
    if (*p != u'%') {
      sink.Put(*p);
      continue;
    }
    const char16_t* start = p++;
    Spec spec;
    for (;; ++p) {
      if (*p == u'-') spec.left = true;
      else if (*p == u'0') spec.zero = true;
      else if (*p == u'+') spec.plus = true;
      else if (*p == u' ') spec.space = true;
      else if (*p == u'#') spec.alt = true;
      else break;
    }
    if (*p == u'*') {
      const int w = va_arg(*args, int);
      if (w < 0) spec.left = true;
      // Widths and precisions beyond any buffer only cost time; cap them.
      spec.width = w < 0 ? (w < -kMaxField ? kMaxField : -w) : (w > kMaxField ? kMaxField : w);
      ++p;
    } else {
      while (*p >= u'0' && *p <= u'9') {
        if (spec.width < kMaxField) spec.width = spec.width * 10 + (*p - u'0');
        ++p;
      }
    }
    if (*p == u'.') {
      ++p;
      spec.precision = 0;
      if (*p == u'*') {
        const int pr = va_arg(*args, int);
        spec.precision = pr < 0 ? -1 : (pr > kMaxField ? kMaxField : pr);
        ++p;
      } else {
        while (*p >= u'0' && *p <= u'9') {
          if (spec.precision < kMaxField) spec.precision = spec.precision * 10 + (*p - u'0');
          ++p;
        }
      }
    }
    if (spec.width > kMaxField) spec.width = kMaxField;
    if (spec.precision > kMaxField) spec.precision = kMaxField;
    if (*p == u'h') {
      spec.length = Spec::kH;
      if (p[1] == u'h') spec.length = Spec::kHH, ++p;
      ++p;
    } else if (*p == u'l') {
      spec.length = Spec::kL;
      if (p[1] == u'l') spec.length = Spec::kLL, ++p;
      ++p;
    } else if (*p == u'z') {
      spec.length = Spec::kZ, ++p;
    } else if (*p == u'j') {
      spec.length = Spec::kJ, ++p;
    } else if (*p == u't') {
      spec.length = Spec::kT, ++p;
    } else if (*p == u'L') {
      spec.length = Spec::kBigL, ++p;
    }

    const char16_t conversion = *p;
    switch (conversion) {
      case u'd':
      case u'i': {
        const long long v = ReadSigned(spec, args);
        const unsigned long long magnitude =
            v < 0 ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
        FormatInteger(sink, spec, magnitude, v < 0, conversion, true);
        break;
      }
      case u'u':
      case u'x':
      case u'X':
      case u'o':
        FormatInteger(sink, spec, ReadUnsigned(spec, args), false, conversion, false);
        break;
      case u'p': {
        const void* v = va_arg(*args, void*);
        Spec pointer = spec;
        pointer.precision = -1;
        pointer.alt = false;
        FormatInteger(sink, pointer, reinterpret_cast<uintptr_t>(v), false, u'X', false);
        break;
      }
      case u'c': {
        const int v = va_arg(*args, int);
        char16_t c;
        if (spec.length == Spec::kH) {
          const char narrow[2] = {static_cast<char>(v), 0};
          Spec field = spec;
          field.precision = -1;
          FormatNarrowText(sink, field, narrow);
          break;
        }
        c = static_cast<char16_t>(v);
        Spec field = spec;
        field.precision = -1;
        FormatText(sink, field, &c, 1);
        break;
      }
      case u's':
        if (spec.length == Spec::kH) {
          const char* s = va_arg(*args, const char*);
          FormatNarrowText(sink, spec, s ? s : "(null)");
        } else {
          const char16_t* s = va_arg(*args, const char16_t*);
          FormatText(sink, spec, s ? s : u"(null)", SIZE_MAX);
        }
        break;
      case u'e':
      case u'E':
      case u'f':
      case u'F':
      case u'g':
      case u'G':
      case u'a':
      case u'A':
        FormatFloat(sink, spec, conversion, args);
        break;
      case u'%':
        sink.Put(u'%');
        break;
      default:
        // Unknown or cut-off conversion: shown as written, nothing consumed.
        for (const char16_t* q = start; q < p; ++q) sink.Put(*q);
        if (*p == 0) return sink.Count();
        sink.Put(*p);
        break;
    }
  }
  return sink.Count();
}

}  // namespace

int StrCopyA(char* dest, size_t capacity, const char* src) { return CopyBounded(dest, capacity, src); }
int StrCopyW(char16_t* dest, size_t capacity, const char16_t* src) {
  return CopyBounded(dest, capacity, src);
}
int StrAppendA(char* dest, size_t capacity, const char* src) {
  return AppendBounded(dest, capacity, src);
}
int StrAppendW(char16_t* dest, size_t capacity, const char16_t* src) {
  return AppendBounded(dest, capacity, src);
}

int StrFormatA(char* dest, size_t capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int result = StrFormatVA(dest, capacity, format, args);
  va_end(args);
  return result;
}

int StrFormatW(char16_t* dest, size_t capacity, const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  const int result = StrFormatVW(dest, capacity, format, args);
  va_end(args);
  return result;
}

int StrFormatVA(char* dest, size_t capacity, const char* format, va_list args) {
  if (!dest || capacity == 0 || !format || capacity >= kMaxCapacity) return CX_NOT_DONE;
  const int count = std::vsnprintf(dest, capacity, format, args);
  if (count >= 0 && static_cast<size_t>(count) <= capacity - 1) {
    dest[count] = 0;
    return CX_DONE;
  }
  dest[capacity - 1] = 0;
  return CX_NOT_DONE;
}

int StrFormatVW(char16_t* dest, size_t capacity, const char16_t* format, va_list args) {
  if (!dest || capacity == 0 || !format || capacity >= kMaxCapacity) return CX_NOT_DONE;
  va_list copy;
  va_copy(copy, args);
  const size_t count = FormatWide(dest, capacity - 1, format, &copy);
  va_end(copy);
  if (count <= capacity - 1) {
    dest[count] = 0;
    return CX_DONE;
  }
  dest[capacity - 1] = 0;
  return CX_NOT_DONE;
}

int StrCompareNoCaseA(const char* a, const char* b) { return CompareNoCase(a, b); }
int StrCompareNoCaseW(const char16_t* a, const char16_t* b) { return CompareNoCase(a, b); }

char16_t* StrLowerW(char16_t* text, size_t count) {
  if (!text) return nullptr;
  for (size_t i = 0; i < count && text[i]; ++i)
    if (text[i] >= u'A' && text[i] <= u'Z') text[i] = static_cast<char16_t>(text[i] + (u'a' - u'A'));
  return text;
}

CxResult MemCopyChecked(void* dest, size_t capacity, const void* src, size_t count) {
  if (count == 0) return CX_OK;
  if (!dest) return CX_E_INVALID_ARG;
  if (src && capacity >= count) {
    std::memmove(dest, src, count);
    return CX_OK;
  }
  std::memset(dest, 0, capacity);
  return src ? CX_E_DEST_TOO_SMALL : CX_E_BAD_DATA;
}

int MemCopyBool(void* dest, size_t capacity, const void* src, size_t count) {
  return MemCopyChecked(dest, capacity, src, count) == CX_OK ? CX_DONE : CX_NOT_DONE;
}

int MemCopyCharsBool(char16_t* dest, size_t capacity, const char16_t* src, size_t count) {
  // A count whose byte size wraps would copy a short prefix and report success.
  constexpr size_t kMaxChars = SIZE_MAX / sizeof(char16_t);
  if (count > kMaxChars) return CX_NOT_DONE;
  if (capacity > kMaxChars) capacity = kMaxChars;
  return MemCopyBool(dest, capacity * sizeof(char16_t), src, count * sizeof(char16_t));
}

void MemFillSecure(void* buffer, uint8_t fill, size_t count) {
  if (!buffer || count == 0) return;
  volatile uint8_t* bytes = static_cast<volatile uint8_t*>(buffer);
  do {
    for (size_t i = 0; i < count; ++i) bytes[i] = fill;
  } while (bytes[0] != fill);
}

CxResult MemAllocCopy(void** out, const void* src, size_t size) {
  if (!out) return CX_E_INVALID_ARG;
  void* block = std::malloc(size ? size : 1);
  if (!block) return CX_E_OUT_OF_MEMORY;
  if (src) MemCopyBool(block, size, src, size);
  else MemFillSecure(block, 0, size);
  *out = block;
  return CX_OK;
}

void MemFreeAndNull(void** pointer) {
  if (!pointer || !*pointer) return;
  std::free(*pointer);
  *pointer = nullptr;
}

namespace {

template <typename C>
CxResult OutputText(const C* text, size_t length, C* out, uint32_t* size) {
  if (!size) return CX_E_INVALID_ARG;
  if (!text && length != 0) return CX_E_BAD_DATA;
  if (length >= UINT32_MAX) return CX_E_INVALID_ARG;
  const uint32_t needed = static_cast<uint32_t>(length) + 1;
  if (!out) {
    *size = needed;
    return CX_OK;
  }
  const uint32_t given = *size;
  *size = needed;
  if (given < needed) return CX_E_BUFFER_TOO_SMALL;
  if (length) std::memmove(out, text, length * sizeof(C));
  out[length] = 0;
  return CX_OK;
}

}  // namespace

CxResult OutputString(const char* text, size_t length, char* out, uint32_t* size) {
  return OutputText(text, length, out, size);
}

CxResult OutputStringW(const char16_t* text, size_t length, char16_t* out, uint32_t* size) {
  return OutputText(text, length, out, size);
}

CxResult OutputBlob(const void* data, uint32_t count, void* out, uint32_t* ioCount,
                    uint32_t elementSize) {
  if (!ioCount) return CX_E_INVALID_ARG;
  if (!data && count != 0) return CX_E_BAD_DATA;
  if (!out) {
    *ioCount = count;
    return CX_OK;
  }
  if (*ioCount < count) {
    *ioCount = count;
    return CX_E_BUFFER_TOO_SMALL;
  }
  if (elementSize != 0 && count > SIZE_MAX / elementSize) return CX_E_INVALID_ARG;
  if (count) std::memmove(out, data, static_cast<size_t>(count) * elementSize);
  *ioCount = count;
  return CX_OK;
}

CxResult WideToAnsi(const char16_t* text, char* out, uint32_t* size) {
  if (!size || !text) return CX_E_INVALID_ARG;
  std::string ansi;
  const CxResult converted = Utf16ToMultiByte(CX_CP_ANSI, text, U16Length(text), &ansi);
  if (converted != CX_OK) return converted;
  if (ansi.size() >= UINT32_MAX) return CX_E_INVALID_ARG;
  const uint32_t needed = static_cast<uint32_t>(ansi.size()) + 1;
  if (out) {
    // As the platform converter reports a buffer that is too small; nothing
    // half-written is left behind.
    if (*size < needed) return CX_WIN_ERROR_INSUFFICIENT_BUFFER;
    std::memcpy(out, ansi.c_str(), needed);
  }
  *size = needed;
  return CX_OK;
}
