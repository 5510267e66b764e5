// The setup log of /LOG: UTF-8 text, one time-stamped line per event, for
// administrators who deploy without watching. Writing is best effort: a log
// that cannot be written never changes the run. Lines written before the
// file is known (the default name needs the product's name) are kept and
// written once it is. Each line is appended with its own open and close, so
// the uninstall launcher and its copy can share one file.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "common/result_codes.h"

struct LogTime {
  uint16_t year, month, day, hour, minute, second, milliseconds;
};

// "2026-12-07 02:29:01.123  text\r\n"; line breaks inside `text` become spaces.
std::string FormatLogLine(const LogTime& time, const std::string& text);
// "<product>_<yyyyMMdd>_<HHmmss>.log" with characters Windows forbids in
// file names replaced by '_'; "Setup" when the product is empty.
std::u16string DefaultLogFileName(const std::u16string& product, const LogTime& time);
// Our own result codes by name ("CX_E_MISSING"), null for any other code.
const char* OwnResultName(CxResult code);

class SetupLog {
 public:
  // Starts logging. An empty path waits for UseDefaultFile.
  void Enable(const std::u16string& path);
  bool Enabled() const { return enabled_; }
  // Picks "<folder><DefaultLogFileName>" when no path was given; writes the
  // kept lines there. `folder` ends with a backslash.
  void UseDefaultFile(const std::u16string& folder, const std::u16string& product);
  // The file written to; empty while it is not known.
  std::u16string Path() const;

  // Appends one line stamped with the local time. Thread-safe.
  void Write(const std::string& utf8);
  void Writef(const char* format, ...);
  // "<what>: 0x%08X (<readable text>)", with Windows' own text for system
  // codes and our names for ours.
  void WriteResult(const std::string& what, CxResult code);
  // "<what>: 0x%08X (<ToolResultText>)": a system tool's exit code that an
  // action handed on as its result.
  void WriteToolResult(const std::string& what, const std::string& program, uint32_t exitCode);

 private:
  void AppendToFile(const std::string& bytes);  // caller holds mutex_

  mutable std::mutex mutex_;
  bool enabled_ = false;
  std::u16string path_;
  std::vector<std::string> pending_;
};

// "<program> ended with exit code <n>".
std::string ToolResultText(const std::string& program, uint32_t exitCode);

// The process's one log; disabled until Enable.
SetupLog& ProcessLog();
// Windows' text for a system code (or a COM result), trimmed; our names for
// our own; "unknown" when neither knows it.
std::string ResultText(CxResult code);
// The local time now.
LogTime LogTimeNow();
