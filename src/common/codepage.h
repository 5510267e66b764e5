// Conversion between UTF-16 and 8-bit code pages: UTF-8, code page 936
// (GBK, used for "gbk", "gb18030" and "gb2312" scripts), 1252 and the system
// ANSI code page. On Windows the system converters do the work; natively the
// core converts UTF-8 itself and uses iconv for the others.
//
// Like Windows' converters without strict flags, bytes that are not valid in
// the code page decode to U+FFFD, and characters the code page cannot hold
// encode to its default character; `exact` reports whether that happened.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/result_codes.h"

constexpr uint32_t CX_CP_ANSI = 0;      // the system ANSI code page (CP_ACP)
constexpr uint32_t CX_CP_GBK = 936;
constexpr uint32_t CX_CP_WESTERN = 1252;
constexpr uint32_t CX_CP_UTF8 = 65001;

// The code page CX_CP_ANSI stands for: GetACP() on Windows; natively UTF-8
// unless a test or tool changed it.
uint32_t SystemAnsiCodePage();
// Native builds only: lets tools and tests pick what CX_CP_ANSI means.
void SetSystemAnsiCodePageForHost(uint32_t codePage);

// Decodes `length` bytes (no terminator needed). On failure (unsupported code
// page) returns an error and leaves `out` untouched. `exact` may be null.
CxResult MultiByteToUtf16(uint32_t codePage, const char* text, size_t length,
                          std::u16string* out, bool* exact = nullptr);
// Encodes `length` UTF-16 units. Same contract as above.
CxResult Utf16ToMultiByte(uint32_t codePage, const char16_t* text, size_t length,
                          std::string* out, bool* exact = nullptr);

// Convenience forms for terminated text and whole strings.
std::u16string Utf8ToUtf16(const std::string& utf8);
std::string Utf16ToUtf8(const std::u16string& wide);

// The portable UTF-8 codec used by both builds' tests and by the native build.
void DecodeUtf8(const char* text, size_t length, std::u16string* out, bool* exact);
void EncodeUtf8(const char16_t* text, size_t length, std::string* out, bool* exact);

// Length of a terminated UTF-16 text (0 for null).
size_t U16Length(const char16_t* text);
