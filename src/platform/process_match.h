// Choosing the processes to end: how an image name given by the script is
// compared with the image paths of running processes, and collecting the
// complete list of process ids however many processes run. Portable, so the
// rules can be table-tested natively; process_control_win.cpp feeds it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/result_codes.h"

// The file-name part of a path, found as the shell does it: after the last
// '\', '/' or ':' that is followed by something other than a separator. So
// "C:\App\tool.exe" gives "tool.exe" and "C:\App\" gives "App\".
std::u16string ImageFileName(const char16_t* path);

// Case-insensitive equality of two paths (ASCII, Latin-1, Greek and
// Cyrillic letters fold; everything else compares exactly).
bool PathEqualsNoCase(const std::u16string& a, const std::u16string& b);

// What a script's image name selects. A name that is only a file name
// matches every process with that file name; anything with a folder in it
// (or a trailing backslash) matches only that exact image path.
class ImageMatcher {
 public:
  explicit ImageMatcher(const char16_t* name);
  bool IsFullPath() const { return fullPath_; }
  // True when a process whose image path is `imagePath` is to be ended.
  bool Matches(const char16_t* imagePath) const;

 private:
  std::u16string name_;
  std::u16string fileName_;
  bool fullPath_ = false;
};

// Fills `capacity` ids into `ids`, stores the bytes written in `*bytesUsed`;
// 0 on success, else the error of the enumeration.
using ProcessIdEnumerator = CxResult (*)(uint32_t* ids, uint32_t capacity, uint32_t* bytesUsed);

// Every running process id: the buffer grows until the list comes back with
// room to spare, because a full buffer may mean the list was cut.
// 0, CX_E_OUT_OF_MEMORY, or the enumerator's error; `out` is untouched on
// failure.
CxResult CollectProcessIds(ProcessIdEnumerator enumerate, std::vector<uint32_t>* out);
