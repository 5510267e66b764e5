// The log's clock, file appends and code texts on the native build.
#include <cstdio>
#include <ctime>

#include "app/setup_log.h"
#include "common/codepage.h"

LogTime LogTimeNow() {
  std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  return {static_cast<uint16_t>(t.tm_year + 1900), static_cast<uint16_t>(t.tm_mon + 1),
          static_cast<uint16_t>(t.tm_mday),        static_cast<uint16_t>(t.tm_hour),
          static_cast<uint16_t>(t.tm_min),         static_cast<uint16_t>(t.tm_sec),
          0};
}

void SetupLog::AppendToFile(const std::string& bytes) {
  std::FILE* f = std::fopen(Utf16ToUtf8(path_).c_str(), "ab");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::string ResultText(CxResult code) {
  if (const char* own = OwnResultName(code)) return own;
  return "system code " + std::to_string(code);
}
