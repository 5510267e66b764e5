// Bounded strings for fixed-size character buffers, guarded memory copies,
// the size-query output convention and UTF-16 to ANSI conversion.
//
// Capacities are counted in characters with the terminator included. A text
// that does not fit is cut and terminated, and the truth-valued functions
// return 0 so the caller knows. Nothing here throws or aborts.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "common/result_codes.h"

// 1 when the whole source fitted, else 0 (destination cut and terminated, or
// untouched for a null destination, capacity 0 or null source).
int StrCopyA(char* dest, size_t capacity, const char* src);
int StrCopyW(char16_t* dest, size_t capacity, const char16_t* src);
int StrAppendA(char* dest, size_t capacity, const char* src);
int StrAppendW(char16_t* dest, size_t capacity, const char16_t* src);
// printf-style. The wide form takes a wide format in which %s and %c take
// wide (char16_t) arguments and %hs / %hc 8-bit ones, on every platform.
int StrFormatA(char* dest, size_t capacity, const char* format, ...);
int StrFormatW(char16_t* dest, size_t capacity, const char16_t* format, ...);
int StrFormatVA(char* dest, size_t capacity, const char* format, va_list args);
int StrFormatVW(char16_t* dest, size_t capacity, const char16_t* format, va_list args);
// Case-insensitive for ASCII letters only; null compares as "".
int StrCompareNoCaseA(const char* a, const char* b);
int StrCompareNoCaseW(const char16_t* a, const char16_t* b);
// Lower-cases A-Z in the first `count` characters (cut to the length).
char16_t* StrLowerW(char16_t* text, size_t count);

CxResult MemCopyChecked(void* dest, size_t capacity, const void* src, size_t count);
int MemCopyBool(void* dest, size_t capacity, const void* src, size_t count);
int MemCopyCharsBool(char16_t* dest, size_t capacity, const char16_t* src, size_t count);
void MemFillSecure(void* buffer, uint8_t fill, size_t count);
CxResult MemAllocCopy(void** out, const void* src, size_t size);
void MemFreeAndNull(void** pointer);

// Size-query output: with a null buffer only the needed size is stored;
// with a buffer too small, the needed size is stored and CX_E_BUFFER_TOO_SMALL
// returned with nothing written.
CxResult OutputString(const char* text, size_t length, char* out, uint32_t* size);
CxResult OutputStringW(const char16_t* text, size_t length, char16_t* out, uint32_t* size);
CxResult OutputBlob(const void* data, uint32_t count, void* out, uint32_t* ioCount,
                    uint32_t elementSize);

// UTF-16 to the system ANSI code page, size in bytes, size-query convention.
// 0 or the platform's error code.
CxResult WideToAnsi(const char16_t* text, char* out, uint32_t* size);
