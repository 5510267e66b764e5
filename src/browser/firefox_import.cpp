// Command lines, the launcher's frames and the certificate's name.
#include "browser/firefox_import.h"

#include <cstdarg>
#include <string_view>
#include <vector>

#include "common/strings.h"

namespace {

std::string Format(const char* format, ...) {
  char buffer[kCertutilCommandCapacity];
  buffer[0] = '\0';
  va_list args;
  va_start(args, format);
  StrFormatVA(buffer, sizeof(buffer), format, args);
  va_end(args);
  return buffer;
}

// Reads exactly `wanted` bytes, continuing over short reads. False when
// the data ends or a read fails first.
bool ReadExactly(FrameReadFunction read, void* context, uint8_t* buffer, uint32_t wanted) {
  uint32_t done = 0;
  while (done < wanted) {
    uint32_t got = 0;
    if (!read(context, buffer + done, wanted - done, &got) || got == 0) return false;
    if (got > wanted - done) return false;  // a reader that claims too much is not believed
    done += got;
  }
  return true;
}

bool ReadLength(FrameReadFunction read, void* context, uint32_t* length) {
  uint8_t b[4];
  if (!ReadExactly(read, context, b, 4)) return false;
  *length = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
  return true;
}

}  // namespace

CertutilCommands FormatCertutilCommands(const char* certFile, const char* profileDir, int sql) {
  const char* prefix = sql ? "sql:" : "";
  const char* profile = profileDir ? profileDir : "";
  CertutilCommands c;
  c.remove = Format("certutil.exe -D -n \"%s\" -d \"%s%s\"", kFirefoxNickname, prefix, profile);
  c.add = Format("certutil.exe -A -n \"%s\" -t \"CT,C,C\" -i %s .\\CxWssRoot.cer -d \"%s%s\"",
                 kFirefoxNickname, certFile ? certFile : "", prefix, profile);
  c.list = Format("certutil.exe -L -d \"%s%s\"", prefix, profile);
  return c;
}

bool IsRootCertificateEntry(const char16_t* fullPath, const char16_t* name) {
  if (!fullPath || !name) return false;
  if (std::u16string_view(fullPath).find(u".cer") == std::u16string_view::npos) return false;
  std::u16string lower(name);
  StrLowerW(lower.data(), lower.size());
  return lower.find(u"root") != std::u16string::npos;
}

void AppendFrameText(const uint8_t* bytes, size_t length, std::string* out) {
  bool lastWasSpace = false;
  for (size_t i = 0; i < length && bytes[i] != 0; ++i) {
    const char ch = static_cast<char>(bytes[i]);
    if (ch == ' ' && lastWasSpace) continue;
    lastWasSpace = ch == ' ';
    out->push_back(ch);
  }
}

FrameReadOutcome ReadFrames(FrameReadFunction read, void* context, std::string* output) {
  uint32_t length = 0;
  if (!ReadLength(read, context, &length)) return FrameReadOutcome::kNoData;
  std::vector<uint8_t> frame;
  while (length != 0) {
    if (length > kFrameMaxBytes) return FrameReadOutcome::kCut;
    frame.assign(size_t{length} + 1, 0);
    if (!ReadExactly(read, context, frame.data(), length)) return FrameReadOutcome::kCut;
    AppendFrameText(frame.data(), length, output);
    if (!ReadLength(read, context, &length)) return FrameReadOutcome::kCut;
  }
  return FrameReadOutcome::kComplete;
}
