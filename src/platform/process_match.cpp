// Image-name matching and the growing process-id list.
#include "platform/process_match.h"

#include <new>

namespace {
bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

char16_t FoldCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  if (c >= 0x00E0 && c <= 0x00FE && c != 0x00F7) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x03B1 && c <= 0x03C9 && c != 0x03C2) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x0430 && c <= 0x044F) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x0450 && c <= 0x045F) return static_cast<char16_t>(c - 0x50);
  return c;
}

// Beyond this the enumerator is not telling the truth; no system runs
// millions of processes.
constexpr uint32_t kMaxProcessIds = 1u << 20;
constexpr uint32_t kFirstCapacity = 1024;
}  // namespace

std::u16string ImageFileName(const char16_t* path) {
  if (!path) return std::u16string();
  const char16_t* last = path;
  for (const char16_t* p = path; *p; ++p) {
    if ((IsSeparator(*p) || *p == u':') && p[1] && !IsSeparator(p[1])) last = p + 1;
  }
  return std::u16string(last);
}

bool PathEqualsNoCase(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

ImageMatcher::ImageMatcher(const char16_t* name) {
  if (name) name_ = name;
  fileName_ = ImageFileName(name_.c_str());
  if (!fileName_.empty() && fileName_.back() == u'\\') fileName_.pop_back();
  fullPath_ = !PathEqualsNoCase(name_, fileName_);
}

bool ImageMatcher::Matches(const char16_t* imagePath) const {
  if (!imagePath || !*imagePath || name_.empty()) return false;
  std::u16string image(imagePath);
  if (PathEqualsNoCase(image, name_)) return true;
  if (fullPath_) return false;
  return PathEqualsNoCase(ImageFileName(imagePath), fileName_);
}

CxResult CollectProcessIds(ProcessIdEnumerator enumerate, std::vector<uint32_t>* out) {
  if (!enumerate || !out) return CX_E_INVALID_ARG;
  try {
    std::vector<uint32_t> ids;
    for (uint32_t capacity = kFirstCapacity; capacity <= kMaxProcessIds; capacity *= 2) {
      ids.assign(capacity, 0);
      uint32_t bytes = 0;
      CxResult r = enumerate(ids.data(), capacity, &bytes);
      if (r != CX_OK) return r;
      uint32_t count = bytes / sizeof(uint32_t);
      if (count < capacity) {
        ids.resize(count);
        *out = std::move(ids);
        return CX_OK;
      }
    }
    return CX_E_OUT_OF_MEMORY;
  } catch (const std::bad_alloc&) {
    return CX_E_OUT_OF_MEMORY;
  }
}
