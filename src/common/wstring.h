// WString: the text value type used for every path, name and user text.
// It holds UTF-16 and keeps two 8-bit renderings up to date with it: the
// system ANSI code page and a chosen code page (UTF-8 unless changed).
//
// Rules: appending absent or empty text changes nothing; assigning it leaves
// the string empty; reading an empty string gives "" (never null); a failed
// conversion empties the string.
#pragma once
#include <cstdint>
#include <string>

#include "common/codepage.h"

class WString {
 public:
  WString() = default;
  WString(const char16_t* text) { Assign(text); }             // NOLINT: value type
  WString(const std::u16string& text) { Assign(text.c_str()); }  // NOLINT
  explicit WString(const char* text, uint32_t codePage = CX_CP_UTF8) { Assign(text, codePage); }
#ifdef _WIN32
  WString(const wchar_t* text) { Assign(reinterpret_cast<const char16_t*>(text)); }  // NOLINT
#endif
  WString(const WString&) = default;
  WString& operator=(const WString&) = default;
  WString(WString&&) noexcept = default;
  WString& operator=(WString&&) noexcept = default;

  // Each returns true on success; on a conversion failure the string is empty.
  bool Assign(const char16_t* text);
  bool Assign(const char16_t* text, size_t length);
  bool Assign(const char* text, uint32_t codePage = CX_CP_UTF8);
  bool AssignInt(int value);  // written as "%d"
  bool Append(const char16_t* text);
  bool Append(const char* text, uint32_t codePage = CX_CP_UTF8);
  bool Append(const WString& other) { return Append(other.Wide()); }
  // Changes the chosen code page and re-renders; on failure the string is
  // empty and the code page unchanged.
  bool SetCodePage(uint32_t codePage);
  // Replaces every occurrence of `from` by `to`, left to right, without
  // rescanning inserted text. Case-sensitive. An empty `from` does nothing.
  void Replace(const char16_t* from, const char16_t* to);
  void Clear();

  const char16_t* Wide() const { return wide_.c_str(); }
  const std::u16string& Str() const { return wide_; }
  const char* Ansi() const { return ansi_.c_str(); }      // system ANSI code page
  const char* Narrow() const { return chosen_.c_str(); }  // chosen code page
  uint32_t CodePage() const { return codePage_; }
  size_t Length() const { return wide_.size(); }
  bool IsEmpty() const { return wide_.empty(); }
#ifdef _WIN32
  const wchar_t* W() const { return reinterpret_cast<const wchar_t*>(wide_.c_str()); }
#endif

  bool operator==(const WString& o) const { return wide_ == o.wide_; }
  bool operator!=(const WString& o) const { return wide_ != o.wide_; }

 private:
  bool Render();  // updates both 8-bit forms from wide_

  std::string ansi_;
  std::u16string wide_;
  std::string chosen_;
  uint32_t codePage_ = CX_CP_UTF8;
};
