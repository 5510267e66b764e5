// The product's entry in the system's list of installed programs: a key
// named by the product code under the uninstall key of HKEY_LOCAL_MACHINE
// (SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall), in the 32-bit
// view. The setup script writes and removes the entry with its registry
// actions; the program reads back the installed version before an install,
// and marks the entry while an install runs, so that an install that never
// finished is not taken for a complete one.
#pragma once
#include <cstdint>

#include "common/result_codes.h"
#include "common/wstring.h"

// Longest uninstall subkey, in characters without the terminator.
constexpr uint32_t CX_UNINSTALL_KEY_MAX_CHARS = 259;
// Longest "DisplayVersion" text read, in characters with the terminator.
constexpr uint32_t CX_DISPLAY_VERSION_CHARS = 128;

// The uninstall subkey for `productKey`, cut to CX_UNINSTALL_KEY_MAX_CHARS.
// CX_E_INVALID_ARG for a null or empty product key (`out` untouched).
CxResult UninstallKeyPath(const char16_t* productKey, WString* out);

// The installed version from the entry's "DisplayVersion": 0 with the four
// parts; 0 with 0.0.0.0 when the text is not a four-part version;
// CX_E_INVALID_ARG for a null or empty product key or a null `version`;
// otherwise the read's code, 2 when the product is not installed and
// CX_E_BUFFER_TOO_SMALL for a text longer than CX_DISPLAY_VERSION_CHARS.
// `version` is written only on success. Windows build only.
CxResult ReadInstalledVersion(const char16_t* productKey, uint32_t version[4]);

// The value that marks an install that began and has not finished.
constexpr char16_t kUnfinishedInstallValue[] = u"CxSetupInstallUnfinished";

// Writes the mark into the product's entry (creating the key when needed)
// before the install list starts. 0 or the registry's error.
CxResult MarkInstallUnfinished(const char16_t* productKey);
// Removes the mark once the install list has succeeded, and the key too
// when the mark was all it held. 0 also when there was no mark.
CxResult ClearInstallUnfinished(const char16_t* productKey);
// 1 when the product's entry carries the mark, else 0.
int IsInstallUnfinished(const char16_t* productKey);
