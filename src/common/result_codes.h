// Result codes shared by every module. A result is an unsigned 32-bit value:
// 0 is success, the program's own failures carry the high bits 0xE06, and a
// Windows error code or COM result is passed through unchanged.
#pragma once
#include <cstdint>

using CxResult = uint32_t;

constexpr CxResult CX_OK = 0;
constexpr CxResult CX_E_OUT_OF_MEMORY = 0xE0600002;      // allocation failed
constexpr CxResult CX_E_BAD_DATA = 0xE0600003;           // null source, or data empty, malformed or unsupported
constexpr CxResult CX_E_DEST_TOO_SMALL = 0xE0600004;     // destination smaller than the data to copy
constexpr CxResult CX_E_BUFFER_TOO_SMALL = 0xE0600005;   // output buffer too small; the needed size was stored
constexpr CxResult CX_E_INVALID_ARG = 0xE0600007;        // required pointer null or required text empty
constexpr CxResult CX_E_MISSING = 0xE0600008;            // element, list or key missing
constexpr CxResult CX_E_DELETE_REFUSED = 0xE060000A;     // a protected folder or registry key: not deleted
constexpr CxResult CX_E_OPEN_FAILED = 0xE0600015;        // a file or named object failed to open
constexpr CxResult CX_E_STOPPED = 0xE0603007;            // run stopped by the progress callback
constexpr CxResult CX_E_ATTR_MISSING = 0xE0607003;       // script attribute missing
constexpr CxResult CX_E_NOT_WELL_FORMED = 0xE0609000;    // script is not well-formed XML
constexpr CxResult CX_E_TEMPLATE_MISSING = 0xE0609001;   // action description template missing
constexpr CxResult CX_E_FAIL = 0xE0FFFFFF;               // generic failure

// Windows error codes the portable core itself produces or tests for; the
// values are Windows' own, fixed by the platform.
constexpr CxResult CX_WIN_ERROR_FILE_NOT_FOUND = 2;
constexpr CxResult CX_WIN_ERROR_PATH_NOT_FOUND = 3;
constexpr CxResult CX_WIN_ERROR_ACCESS_DENIED = 5;
constexpr CxResult CX_WIN_ERROR_SHARING_VIOLATION = 32;
constexpr CxResult CX_WIN_ERROR_ALREADY_EXISTS = 183;

// Truth values returned by operations that report done / not done.
constexpr int CX_DONE = 1;
constexpr int CX_NOT_DONE = 0;

// Reported by the ANSI conversion when the caller's buffer is too small,
// as the platform converter does.
constexpr CxResult CX_WIN_ERROR_INSUFFICIENT_BUFFER = 122;

// Shortcuts, scheduled tasks and trusted sites.
constexpr CxResult CX_WIN_ERROR_FILENAME_EXCED_RANGE = 206;  // a path does not fit
constexpr CxResult CX_HR_E_INVALIDARG = 0x80070057;          // a task interval out of range
constexpr CxResult CX_HR_FILE_NOT_FOUND = 0x80070002;        // no task of that name
constexpr CxResult CX_HR_FILE_EXISTS = 0x80070050;           // the site is mapped already
