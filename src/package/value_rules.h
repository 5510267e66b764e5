// How script text becomes a value: booleans, numbers, REG_DWORD and
// REG_BINARY data, task intervals and the words of enumerated attributes.
// The actions read their attributes through these functions and the linter
// checks attributes with the same ones, so a value the program takes, lint
// takes too. Pure text work, no OS calls.
#pragma once
#include <cstdint>
#include <vector>

#include "common/result_codes.h"

// A script boolean: "true" in any ASCII case is true; any other text (and
// null) is false.
bool BoolFromText(const char* text);
// True for "true" and "false" in any ASCII case: the texts that say what
// they are read as.
bool IsBoolText(const char* text);

// A signed decimal number as "%d" reads it: blanks, an optional sign, then
// digits up to the first other character. False when there is no number
// (`out` untouched).
bool IntFromText(const char* text, int* out);
// True when the whole text is decimal digits, after one optional sign when
// `allowSign`; false for empty text.
bool IsDecimalText(const char* text, bool allowSign);

// REG_DWORD data: leading blanks skipped, an optional sign, then decimal
// digits up to the first other character, read over the whole unsigned
// 32-bit range ("4294967295" is 0xFFFFFFFF, "-1" too). Text that is not a
// number gives 0; a number beyond the range gives 0xFFFFFFFF.
uint32_t DwordFromText(const char* text);
// True when the DWORD that DwordFromText gives is the number the text
// says: a whole decimal from -2147483648 to 4294967295 (a negative one as
// its two's complement).
bool DwordTextIsExact(const char* text);

// REG_BINARY data from hexadecimal text, two digits a byte, either case;
// empty text gives no bytes. CX_E_INVALID_ARG for a null text, an odd
// length or any character that is not a hexadecimal digit; `out` is
// untouched on failure.
CxResult BytesFromHexText(const char* text, std::vector<uint8_t>* out);

// Task interval minutes as atoi reads them: blanks, an optional sign, digits
// up to the first other character; 0 when there is no number. Numbers
// beyond the int range are held at its ends.
int32_t MinutesFromText(const char* text);

// The index of `text` among the null-terminated `words`, compared exactly
// (case-sensitive); -1 when it is none of them.
int WordIndex(const char* const* words, const char16_t* text);
// Bit i set when words[i] occurs in `text` as a plain case-sensitive
// substring; 0 for null text.
uint32_t WordMask(const char* const* words, const char16_t* text);
