// The setup log of /LOG: UTF-8 text, one time-stamped line per event, for
// administrators who deploy without watching. Writing is best effort: a log
// that cannot be written never changes the run. Lines written before the
// file is known (the default name needs the product's name) are kept and
// written once it is.
//
// The elevated setup writes where users may have put links, so the file is
// opened once and its handle kept for the run (sharing reading and writing,
// so the uninstall launcher and its copy append to the same file), and
// only a plain file is ever written: never a device (a name such as CON, a
// \\.\ path, a pipe), never through a link at the last part of the path,
// never a file with a second name (a hard link), never a folder.
//   - "/LOG=path": resolved once, against the folder the setup was started
//     in; an existing file is appended to, a missing one created.
//   - "/LOG": "<product>_<yyyyMMdd>_<HHmmss>.log" in the working folder
//     (package/temp_folder.h), always created new: when the name exists, a
//     suffix "_1", "_2", ... is added instead of opening it.
#pragma once
#include <cstdint>
#include <memory>
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
// file names replaced by '_'; "Setup" when the product is empty. An
// `attempt` above 0 adds "_<attempt>" before ".log".
std::u16string DefaultLogFileName(const std::u16string& product, const LogTime& time,
                                  unsigned attempt = 0);
// True when the full path `path` can name a device rather than a file: the
// \\.\ and \\?\ forms, a pipe or mailslot share, or a last part that is
// a reserved device name (CON, NUL, COM1, LPT1, ... with any extension).
bool IsDeviceLogPath(const std::u16string& path);
// How many suffixed names the default log tries before giving up.
constexpr unsigned kDefaultLogNameAttempts = 100;
// Our own result codes by name ("CX_E_MISSING"), null for any other code.
const char* OwnResultName(CxResult code);

class SetupLog {
 public:
  SetupLog();
  ~SetupLog();
  SetupLog(const SetupLog&) = delete;
  SetupLog& operator=(const SetupLog&) = delete;

  // Starts logging. A path is made full now (against the current folder)
  // and its file opened; an empty path waits for UseDefaultFile.
  void Enable(const std::u16string& path);
  bool Enabled() const { return enabled_; }
  // Creates "<folder><DefaultLogFileName>" when no path was given, and
  // writes the kept lines there. `folder` ends with a backslash.
  void UseDefaultFile(const std::u16string& folder, const std::u16string& product);
  // The log's full path (also when it could not be opened); empty while it
  // is not known.
  std::u16string Path() const;
  // True when lines reach a file.
  bool HasFile() const;

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
  struct File;  // the open file, per platform
  // The calls below are per platform; the caller holds mutex_.
  static std::u16string FullPath(const std::u16string& path);
  // Opens `path` (full) as described above: only new with `createNew`,
  // else an existing plain file or a new one. 0, CX_WIN_ERROR_ALREADY_EXISTS
  // for a taken name with `createNew`, or another failure.
  CxResult OpenFile(const std::u16string& path, bool createNew);
  void AppendToFile(const std::string& bytes);

  mutable std::mutex mutex_;
  bool enabled_ = false;
  std::u16string path_;
  std::unique_ptr<File> file_;
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
