// Finds the current user's first Firefox profile ("Profile0" of
// %APPDATA%\Mozilla\Firefox\profiles.ini) and whether it has the SQLite
// certificate database cert9.db. Reads files only; Windows only.
#pragma once
#include <cstddef>
#include <cstdint>

// `profile` (capacity characters, zero-filled by the caller) receives the
// profile folder; `cert9` (preset to 0 by the caller) becomes 1 when the
// folder holds "cert9.db", else 0. True when found, and also when there is
// no profiles.ini (the outputs then stay as preset); false for a missing
// buffer, no "Profile0" path, or a profile folder that does not exist, with
// the reason in the thread's last error.
bool FindFirefoxProfile(char16_t* profile, size_t capacity, uint32_t* cert9);
