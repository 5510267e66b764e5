// Pending-rename list: parse, build, NT path prefixes.
#include "platform/pending_renames.h"

namespace {
const char16_t kNtPrefix[] = u"\\??\\";

char16_t AsciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c; }

bool StartsWithNoCase(const std::u16string& text, const std::u16string& prefix) {
  if (prefix.empty() || text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (AsciiLower(text[i]) != AsciiLower(prefix[i])) return false;
  return true;
}

void AppendString(std::vector<uint8_t>* bytes, const std::u16string& s) {
  for (char16_t c : s) {
    bytes->push_back(static_cast<uint8_t>(c & 0xFF));
    bytes->push_back(static_cast<uint8_t>(c >> 8));
  }
  bytes->push_back(0);
  bytes->push_back(0);
}
}  // namespace

CxResult ParsePendingRenames(const uint8_t* data, size_t size, std::vector<PendingRename>* out) {
  if (!out || (size && !data)) return CX_E_INVALID_ARG;
  if (size % 2 || size > kMaxPendingRenameBytes) return CX_E_BAD_DATA;
  // Split into strings; a last string without its NUL still counts.
  std::vector<std::u16string> strings;
  std::u16string current;
  bool open = false;
  for (size_t i = 0; i < size; i += 2) {
    char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (c == 0) {
      strings.push_back(current);
      current.clear();
      open = false;
    } else {
      current.push_back(c);
      open = true;
    }
  }
  if (open) strings.push_back(current);

  std::vector<PendingRename> entries;
  size_t i = 0;
  while (i < strings.size()) {
    if (strings[i].empty()) break;  // the closing NUL
    if (i + 1 >= strings.size()) return CX_E_BAD_DATA;
    PendingRename e;
    e.source = strings[i];
    e.target = strings[i + 1];
    if (!e.target.empty() && e.target[0] == u'!') {
      e.replaceExisting = true;
      e.target.erase(0, 1);
    }
    entries.push_back(std::move(e));
    i += 2;
  }
  *out = std::move(entries);
  return CX_OK;
}

std::vector<uint8_t> BuildPendingRenames(const std::vector<PendingRename>& entries) {
  std::vector<uint8_t> bytes;
  for (const PendingRename& e : entries) {
    if (e.source.empty()) continue;
    AppendString(&bytes, e.source);
    if (e.target.empty())
      AppendString(&bytes, std::u16string());
    else
      AppendString(&bytes, (e.replaceExisting ? u"!" : u"") + e.target);
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

std::u16string ToNtPath(const std::u16string& dosPath) { return kNtPrefix + dosPath; }

std::u16string FromNtPath(const std::u16string& ntPath) {
  const std::u16string prefix = kNtPrefix;
  if (ntPath.compare(0, prefix.size(), prefix) == 0) return ntPath.substr(prefix.size());
  return ntPath;
}

bool PendingRenameMentions(const PendingRename& entry, const std::u16string& folder) {
  return StartsWithNoCase(FromNtPath(entry.source), folder) ||
         StartsWithNoCase(FromNtPath(entry.target), folder);
}

std::vector<PendingRename> NewPendingRenames(const std::vector<PendingRename>& before,
                                             const std::vector<PendingRename>& after) {
  std::vector<bool> used(before.size(), false);
  std::vector<PendingRename> added;
  for (const PendingRename& entry : after) {
    bool matched = false;
    for (size_t i = 0; i < before.size() && !matched; ++i) {
      if (!used[i] && before[i] == entry) used[i] = matched = true;
    }
    if (!matched) added.push_back(entry);
  }
  return added;
}

bool TakeBackPendingRenames(std::vector<PendingRename>* entries,
                            const std::vector<PendingRename>& taken) {
  if (!entries) return false;
  bool removed = false;
  for (const PendingRename& t : taken) {
    for (size_t i = entries->size(); i-- > 0;) {
      if ((*entries)[i] == t) {
        entries->erase(entries->begin() + static_cast<std::ptrdiff_t>(i));
        removed = true;
        break;
      }
    }
  }
  return removed;
}
