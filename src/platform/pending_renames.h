// The byte form of the "PendingFileRenameOperations" value (REG_MULTI_SZ
// under HKLM\SYSTEM\CurrentControlSet\Control\Session Manager), through
// which Windows carries out renames and deletes at the next restart, in the
// order they were registered. Portable: building, parsing and filtering the
// list are pure byte work; the registry and MoveFileExW are elsewhere.
//
// Layout: UTF-16LE strings, each NUL-terminated, read in pairs (source,
// target) and closed by one more NUL. Paths are NT paths ("\??\C:\x"). An
// empty target means "delete the source"; a target starting with '!' means
// "replace an existing target".
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/result_codes.h"

struct PendingRename {
  std::u16string source;  // NT path, as stored
  std::u16string target;  // NT path without the '!' marker; empty for a delete
  bool replaceExisting = false;

  bool IsDelete() const { return target.empty(); }
  bool operator==(const PendingRename& o) const {
    return source == o.source && target == o.target && replaceExisting == o.replaceExisting;
  }
};

// Largest value accepted by ParsePendingRenames (bytes).
constexpr size_t kMaxPendingRenameBytes = 16u * 1024u * 1024u;

// Reads the value's bytes (not owned). Accepted: no bytes at all, a list
// with or without its closing NUL, and a last string without its own NUL.
// Refused with CX_E_BAD_DATA: an odd byte count, a source without its
// target, more than kMaxPendingRenameBytes. On failure `out` is untouched.
CxResult ParsePendingRenames(const uint8_t* data, size_t size, std::vector<PendingRename>* out);

// The value's bytes for `entries`, closing NUL included. An empty list gives
// the two bytes of one NUL. Entries with an empty source are skipped, since
// Windows would read one as the end of the list.
std::vector<uint8_t> BuildPendingRenames(const std::vector<PendingRename>& entries);

// "\??\" + a DOS path, and back (a path without the prefix is returned as is).
std::u16string ToNtPath(const std::u16string& dosPath);
std::u16string FromNtPath(const std::u16string& ntPath);

// True when the source or target of `entry`, as a DOS path, begins with
// `folder` (compared without regard to ASCII case).
bool PendingRenameMentions(const PendingRename& entry, const std::u16string& folder);

// The entries of `after` that `before` does not hold (each entry of `before`
// accounts for one equal entry of `after`), in the order of `after`: what
// was registered for the next restart between two readings.
std::vector<PendingRename> NewPendingRenames(const std::vector<PendingRename>& before,
                                             const std::vector<PendingRename>& after);
// Removes one entry equal to each of `taken` from `entries`, the last such
// one first. True when anything was removed.
bool TakeBackPendingRenames(std::vector<PendingRename>* entries,
                            const std::vector<PendingRename>& taken);

// Windows only (pending_renames_win.cpp): the registry value, read and
// written whole. A missing value reads as an empty list; an empty list
// deletes the value. 0 or the Windows error; `out` untouched on failure.
// Entries are added only through MoveFileExW(MOVEFILE_DELAY_UNTIL_REBOOT);
// the only writer of the value here is TakeBackOwnPendingRenames.
CxResult ReadPendingRenames(std::vector<PendingRename>* out);
CxResult WritePendingRenames(const std::vector<PendingRename>& entries);

// The entry MoveFileExW registers for deleting `path` at the restart (its
// full path, NT form). 0, or the error of GetFullPathNameW; `out` untouched
// on failure.
CxResult PendingDeleteOf(const char16_t* path, PendingRename* out);

// Removes exactly `ours` (each once, the last equal entry first) from the
// registry's list. Another program may add an entry at any time, and a
// removal rewrites the whole value: so the value is read again right before
// the write and written only while it still holds what the removal was
// computed from; otherwise the removal starts over from the new reading.
// `betweenReadings`, when given, runs between the two readings (a test adds
// another program's entry there). 0 when done, also when none of `ours` is
// listed; the registry's error; CX_E_FAIL when the value kept changing.
CxResult TakeBackOwnPendingRenames(const std::vector<PendingRename>& ours,
                                   const std::function<void()>& betweenReadings = nullptr);
