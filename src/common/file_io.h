// Whole-file reading and writing by UTF-16 path: _wfopen on Windows, the
// UTF-8 form of the path natively. Out-parameters are untouched on failure.
#pragma once
#include <cstdint>
#include <string>

#include "common/result_codes.h"

// Reads the whole file. Returns 0, or the platform's error code (on Windows
// the GetLastError value, natively CX_WIN_ERROR_FILE_NOT_FOUND for a missing
// file and CX_E_OPEN_FAILED otherwise).
CxResult ReadWholeFile(const char16_t* path, std::string* bytes);
// Creates or truncates the file and writes `size` bytes.
CxResult WriteWholeFile(const char16_t* path, const void* data, size_t size);
// Creates one folder level (the parent must exist). Returns 0, or the
// platform's error code; an existing folder (or file) of that name gives
// CX_WIN_ERROR_ALREADY_EXISTS on both platforms.
CxResult CreateFolder(const char16_t* path);
