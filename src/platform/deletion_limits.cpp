// The rules of what DelDir and DelRegister may not delete.
#include "platform/deletion_limits.h"

#include "platform/registry_text.h"

namespace {
using U16 = std::u16string;

char16_t Upper(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }

U16 UpperText(U16 s) {
  for (char16_t& c : s) c = Upper(c);
  return s;
}

// A path as its root ("C:" or "\\SERVER\SHARE") and its parts, in upper
// case, with "." and ".." applied and the trailing dots and blanks that
// Windows ignores dropped. `plain` is false for anything else.
struct SplitPath {
  bool plain = false;
  U16 root;
  std::vector<U16> parts;
};

std::vector<U16> Parts(const U16& text, bool trimDots) {
  std::vector<U16> parts;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(u'\\', start);
    if (end == U16::npos) end = text.size();
    U16 part = UpperText(text.substr(start, end - start));
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (part != u".") {
      if (trimDots)
        while (!part.empty() && (part.back() == u'.' || part.back() == u' ')) part.pop_back();
      if (!part.empty()) parts.push_back(std::move(part));
    }
    start = end + 1;
  }
  return parts;
}

SplitPath Split(U16 path) {
  for (char16_t& c : path)
    if (c == u'/') c = u'\\';
  SplitPath s;
  if (path.compare(0, 2, u"\\\\") == 0) {
    if (path.size() > 2 && (path[2] == u'?' || path[2] == u'.')) return s;
    std::vector<U16> all = Parts(path.substr(2), false);
    if (all.size() < 2) return s;
    s.root = u"\\\\" + all[0] + u"\\" + all[1];
    s.parts = Parts(path.substr(2 + all[0].size() + 1 + all[1].size()), true);
  } else if (path.size() >= 2 && path[1] == u':' && (path.size() == 2 || path[2] == u'\\')) {
    s.root = UpperText(path.substr(0, 2));
    if (path.size() > 2) s.parts = Parts(path.substr(3), true);
  } else {
    return s;
  }
  s.plain = true;
  return s;
}

// True when `a` equals `b` or lies above it.
bool IsAtOrAbove(const SplitPath& a, const SplitPath& b) {
  if (a.root != b.root || a.parts.size() > b.parts.size()) return false;
  for (size_t i = 0; i < a.parts.size(); ++i)
    if (a.parts[i] != b.parts[i]) return false;
  return true;
}

// Registry keys as parts below their hive, in upper case.
const char16_t* const kProtectedKeys[] = {
    u"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL",
    u"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN",
    u"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUNONCE",
    u"SOFTWARE\\CLASSES\\CLSID",
    u"SYSTEM\\CURRENTCONTROLSET\\SERVICES",
    u"SYSTEM\\CURRENTCONTROLSET\\CONTROL",
};

bool IsControlSet(const U16& part) {
  if (part.size() != 13 || part.compare(0, 10, u"CONTROLSET") != 0) return false;
  for (size_t i = 10; i < 13; ++i)
    if (part[i] < u'0' || part[i] > u'9') return false;
  return true;
}

}  // namespace

DeletionRefusal CheckFolderDeletion(const std::u16string& path, const ProtectedFolders& folders) {
  const SplitPath target = Split(path);
  if (!target.plain) return DeletionRefusal::kNotAPlainPath;
  if (target.parts.empty()) return DeletionRefusal::kRoot;
  for (const U16& folder : folders.folders) {
    const SplitPath kept = Split(folder);
    if (!kept.plain || !IsAtOrAbove(target, kept)) continue;
    return target.parts.size() == kept.parts.size() ? DeletionRefusal::kProtected
                                                     : DeletionRefusal::kHoldsProtected;
  }
  for (const U16& parent : folders.profileParents) {
    SplitPath profiles = Split(parent);
    if (!profiles.plain) continue;
    if (IsAtOrAbove(target, profiles)) return DeletionRefusal::kHoldsProtected;
    SplitPath above = target;
    above.parts.pop_back();
    if (IsAtOrAbove(above, profiles) && above.parts.size() == profiles.parts.size())
      return DeletionRefusal::kProfileRoot;
  }
  return DeletionRefusal::kNone;
}

DeletionRefusal CheckKeyDeletion(uint32_t root, const std::u16string& subKey) {
  std::vector<U16> parts;
  if (root == CX_HKEY_CLASSES_ROOT) parts = {u"SOFTWARE", u"CLASSES"};
  std::vector<U16> given = Parts(subKey, false);
  size_t from = 0;
  if (root == CX_HKEY_USERS) {
    // The first part names a user's hive; its "_Classes" hive is that
    // user's SOFTWARE\Classes.
    if (given.empty()) return DeletionRefusal::kTopLevelKey;
    const U16& hive = given[0];
    if (hive.size() > 8 && hive.compare(hive.size() - 8, 8, u"_CLASSES") == 0)
      parts = {u"SOFTWARE", u"CLASSES"};
    from = 1;
  }
  for (size_t i = from; i < given.size(); ++i) {
    if (given[i] == u"WOW6432NODE") continue;
    parts.push_back(IsControlSet(given[i]) ? U16(u"CURRENTCONTROLSET") : given[i]);
  }
  if (parts.size() <= 2) return DeletionRefusal::kTopLevelKey;
  SplitPath key{true, u"", parts};
  for (const char16_t* text : kProtectedKeys) {
    const SplitPath kept{true, u"", Parts(text, false)};
    if (!IsAtOrAbove(key, kept)) continue;
    return key.parts.size() == kept.parts.size() ? DeletionRefusal::kProtected
                                                  : DeletionRefusal::kHoldsProtected;
  }
  return DeletionRefusal::kNone;
}

const char* DeletionRefusalText(DeletionRefusal refusal) {
  switch (refusal) {
    case DeletionRefusal::kNone: return "may be deleted";
    case DeletionRefusal::kNotAPlainPath: return "not a plain drive or share path";
    case DeletionRefusal::kRoot: return "a drive root";
    case DeletionRefusal::kProtected: return "a protected system folder or key";
    case DeletionRefusal::kHoldsProtected: return "it holds a protected system folder or key";
    case DeletionRefusal::kProfileRoot: return "a user's profile folder";
    case DeletionRefusal::kTopLevelKey: return "one of a hive's first two levels";
  }
  return "";
}

std::u16string ResolveAgainst(const std::u16string& path, const std::u16string& workingFolder) {
  U16 p = path;
  for (char16_t& c : p)
    if (c == u'/') c = u'\\';
  if (p.compare(0, 2, u"\\\\") == 0) return p;                          // a share or device path
  if (p.size() >= 2 && p[1] == u':') {
    if (p.size() >= 3 && p[2] == u'\\') return p;                      // C:\x
    return p.substr(0, 2) + u"\\" + p.substr(2);                       // C:x, taken at the root
  }
  if (!p.empty() && p[0] == u'\\') return workingFolder.substr(0, 2) + p;  // \x on its drive
  U16 base = workingFolder;
  if (!base.empty() && base.back() != u'\\') base += u'\\';
  return base + p;
}

ProtectedFolders StandardProtectedFolders(const std::u16string& userName) {
  const U16 profile = u"C:\\Users\\" + userName;
  const U16 roaming = profile + u"\\AppData\\Roaming";
  const U16 commonMenu = u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
  const U16 userMenu = roaming + u"\\Microsoft\\Windows\\Start Menu";
  ProtectedFolders f;
  f.folders = {u"C:\\Windows",
               u"C:\\Windows\\System32",
               u"C:\\Windows\\SysWOW64",
               u"C:\\Windows\\Sysnative",
               u"C:\\Program Files",
               u"C:\\Program Files (x86)",
               u"C:\\ProgramData",
               u"C:\\Users",
               roaming,
               profile + u"\\AppData\\Local",
               commonMenu,
               commonMenu + u"\\Programs",
               userMenu,
               userMenu + u"\\Programs",
               u"C:\\Users\\Public\\Desktop",
               profile + u"\\Desktop"};
  f.profileParents = {u"C:\\Users"};
  return f;
}
