// Log line formatting and the log's buffering; the file and clock calls are
// in setup_log_win.cpp.
#include "app/setup_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

std::string FormatLogLine(const LogTime& t, const std::string& text) {
  char stamp[64];  // room for any 16-bit field values
  std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u  ", t.year, t.month,
                t.day, t.hour, t.minute, t.second, t.milliseconds);
  std::string line(stamp);
  for (char c : text) line.push_back(c == '\r' || c == '\n' ? ' ' : c);
  while (!line.empty() && line.back() == ' ') line.pop_back();
  line += "\r\n";
  return line;
}

std::u16string DefaultLogFileName(const std::u16string& product, const LogTime& t,
                                  unsigned attempt) {
  std::u16string name;
  for (char16_t c : product) {
    const bool forbidden = c < 0x20 || c == u'<' || c == u'>' || c == u':' || c == u'"' ||
                           c == u'/' || c == u'\\' || c == u'|' || c == u'?' || c == u'*';
    name.push_back(forbidden ? u'_' : c);
  }
  if (name.empty()) name = u"Setup";
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "_%04u%02u%02u_%02u%02u%02u", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  if (attempt) std::snprintf(stamp + std::strlen(stamp), 16, "_%u", attempt);
  std::strcat(stamp, ".log");
  for (const char* p = stamp; *p; ++p) name.push_back(static_cast<char16_t>(*p));
  return name;
}

bool IsDeviceLogPath(const std::u16string& path) {
  auto fold = [](char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; };
  auto upper = [&](std::u16string s) {
    for (char16_t& c : s) c = fold(c);
    return s;
  };
  std::u16string p = path;
  for (char16_t& c : p)
    if (c == u'/') c = u'\\';
  if (p.compare(0, 4, u"\\\\.\\") == 0 || p.compare(0, 4, u"\\\\?\\") == 0) return true;
  if (p.compare(0, 2, u"\\\\") == 0) {
    // \\server\share\...: the pipe and mailslot "shares" reach devices.
    const size_t share = p.find(u'\\', 2);
    const size_t end = share == std::u16string::npos ? share : p.find(u'\\', share + 1);
    if (share != std::u16string::npos) {
      const std::u16string name = upper(p.substr(share + 1, end == std::u16string::npos
                                                                 ? std::u16string::npos
                                                                 : end - share - 1));
      if (name == u"PIPE" || name == u"MAILSLOT") return true;
    }
  }
  // The last part up to its first '.' or ':', without trailing blanks.
  const size_t slash = p.find_last_of(u"\\:");
  std::u16string base = upper(p.substr(slash == std::u16string::npos ? 0 : slash + 1));
  base = base.substr(0, base.find_first_of(u".:"));
  while (!base.empty() && base.back() == u' ') base.pop_back();
  static const char16_t* const kDevices[] = {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$",
                                             u"CONOUT$", u"CLOCK$"};
  for (const char16_t* d : kDevices)
    if (base == d) return true;
  // COM0-9 and LPT0-9, also with the superscript digits Windows accepts.
  if (base.size() == 4 && (base.compare(0, 3, u"COM") == 0 || base.compare(0, 3, u"LPT") == 0)) {
    const char16_t d = base[3];
    if ((d >= u'0' && d <= u'9') || d == u'\u00B9' || d == u'\u00B2' || d == u'\u00B3') return true;
  }
  return false;
}

const char* OwnResultName(CxResult code) {
  switch (code) {
    case CX_E_OUT_OF_MEMORY: return "CX_E_OUT_OF_MEMORY (out of memory)";
    case CX_E_BAD_DATA: return "CX_E_BAD_DATA (not found or bad data)";
    case CX_E_DEST_TOO_SMALL: return "CX_E_DEST_TOO_SMALL (destination too small)";
    case CX_E_BUFFER_TOO_SMALL: return "CX_E_BUFFER_TOO_SMALL (buffer too small)";
    case CX_E_INVALID_ARG: return "CX_E_INVALID_ARG (invalid argument)";
    case CX_E_MISSING: return "CX_E_MISSING (element, list or key missing)";
    case CX_E_DELETE_REFUSED:
      return "CX_E_DELETE_REFUSED (a protected folder or registry key: the deletion is refused)";
    case CX_E_OPEN_FAILED: return "CX_E_OPEN_FAILED (open failed)";
    case CX_E_STOPPED: return "CX_E_STOPPED (run stopped)";
    case CX_E_ATTR_MISSING: return "CX_E_ATTR_MISSING (attribute missing)";
    case CX_E_NOT_WELL_FORMED: return "CX_E_NOT_WELL_FORMED (script not well-formed)";
    case CX_E_TEMPLATE_MISSING: return "CX_E_TEMPLATE_MISSING (description template missing)";
    case CX_E_FAIL: return "CX_E_FAIL (failure)";
    case 0xFFFFFFFFu: return "no action for this element";
    default: return nullptr;
  }
}

void SetupLog::Enable(const std::u16string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  enabled_ = true;
  if (path.empty()) return;
  path_ = FullPath(path);
  OpenFile(path_, false);
}

bool SetupLog::HasFile() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return file_ != nullptr;
}

std::u16string SetupLog::Path() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return path_;
}

void SetupLog::UseDefaultFile(const std::u16string& folder, const std::u16string& product) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!enabled_ || !path_.empty()) return;
  const LogTime now = LogTimeNow();
  for (unsigned attempt = 0; attempt < kDefaultLogNameAttempts; ++attempt) {
    const std::u16string name = folder + DefaultLogFileName(product, now, attempt);
    const CxResult r = OpenFile(name, true);
    if (r == CX_OK) path_ = name;
    if (r != CX_WIN_ERROR_ALREADY_EXISTS) break;
  }
  if (path_.empty()) return;  // no file: the lines stay kept, unwritten
  std::string kept;
  for (const std::string& line : pending_) kept += line;
  pending_.clear();
  if (!kept.empty()) AppendToFile(kept);
}

void SetupLog::Write(const std::string& utf8) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!enabled_) return;
  std::string line = FormatLogLine(LogTimeNow(), utf8);
  if (path_.empty()) {
    pending_.push_back(line);
  } else if (file_) {
    AppendToFile(line);
  }
}

void SetupLog::Writef(const char* format, ...) {
  if (!Enabled()) return;
  char buffer[2048];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  Write(buffer);
}

void SetupLog::WriteResult(const std::string& what, CxResult code) {
  if (!Enabled()) return;
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(code));
  Write(what + ": " + hex + " (" + ResultText(code) + ")");
}

void SetupLog::WriteToolResult(const std::string& what, const std::string& program, uint32_t exitCode) {
  if (!Enabled()) return;
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(exitCode));
  Write(what + ": " + hex + " (" + ToolResultText(program, exitCode) + ")");
}

std::string ToolResultText(const std::string& program, uint32_t exitCode) {
  return program + " ended with exit code " + std::to_string(exitCode);
}

SetupLog& ProcessLog() {
  static SetupLog log;
  return log;
}
