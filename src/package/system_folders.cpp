// Portable rules for the system variables.
#include "package/system_folders.h"

#include <cstdio>

namespace {

// Every occurrence, left to right, without rescanning inserted text.
std::u16string ReplaceAll(std::u16string text, const std::u16string& from,
                          const std::u16string& to) {
  size_t pos = 0;
  while ((pos = text.find(from, pos)) != std::u16string::npos) {
    text.replace(pos, from.size(), to);
    pos += to.size();
  }
  return text;
}

std::u16string DecimalText(uint32_t value) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%d", static_cast<int>(value));
  return std::u16string(digits, digits + std::char_traits<char>::length(digits));
}

}  // namespace

RawSystemFolders StandardWindowsFolders(bool is64, const std::u16string& userName,
                                        const std::u16string& exePath) {
  const std::u16string profile = u"C:\\Users\\" + userName;
  RawSystemFolders f;
  f.is64 = is64;
  // A 32-bit program on a 64-bit Windows is told the x86 Program Files for
  // both lookups, and System32 for the system folder.
  f.programFiles = is64 ? u"C:\\Program Files (x86)" : u"C:\\Program Files";
  f.programFilesX86 = is64 ? u"C:\\Program Files (x86)" : u"";
  f.system = u"C:\\Windows\\system32";
  f.systemX86 = is64 ? u"C:\\Windows\\SysWOW64" : u"";
  f.windows = u"C:\\Windows";
  f.appData = profile + u"\\AppData\\Roaming";
  f.commonAppData = u"C:\\ProgramData";
  f.commonDesktop = u"C:\\Users\\Public\\Desktop";
  f.programs = profile + u"\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
  f.commonPrograms = u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
  f.desktop = profile + u"\\Desktop";
  f.exePath = exePath;
  return f;
}

CxResult ParentFolderOf(const std::u16string& path, std::u16string* out) {
  if (!out) return CX_E_INVALID_ARG;
  if (path.empty() || path.size() > 259) return CX_E_BAD_DATA;
  std::u16string p = path;
  if (p.back() == u'\\') p.pop_back();
  size_t cut = p.rfind(u'\\');
  if (cut == std::u16string::npos) return CX_E_BAD_DATA;
  *out = p.substr(0, cut);
  return CX_OK;
}

CxResult BuildSystemVariables(const RawSystemFolders& f, const std::u16string& packageFolder,
                              uint32_t languageCode, SystemVariableList* out) {
  if (!out) return CX_E_INVALID_ARG;
  if (packageFolder.empty()) return CX_E_INVALID_ARG;
  std::u16string userCommon;
  CxResult r = ParentFolderOf(f.commonDesktop, &userCommon);
  if (r != CX_OK) return r;

  std::u16string pf32, pf64, sys32, sys64;
  if (f.is64) {
    // A 32-bit process is told the x86 folders; the real 64-bit ones are
    // named by text replacement.
    pf32 = f.programFilesX86;
    pf64 = ReplaceAll(f.programFiles, u"Program Files (x86)", u"Program Files");
    sys32 = ReplaceAll(ReplaceAll(f.systemX86, u"System32", u"SysWow64"), u"system32", u"SysWow64");
    sys64 = ReplaceAll(f.system, u"SysWow64", u"System32");
  } else {
    pf32 = pf64 = f.programFiles;
    sys32 = sys64 = f.system;
  }

  SystemVariableList list = {
      {"pf32", pf32},
      {"pf", pf32},
      {"pf64", pf64},
      {"sys32", sys32},
      {"sys", sys32},
      {"sys64", sys64},
      {"win", f.windows},
      {"userappdata", f.appData},
      {"commonappdata", f.commonAppData},
      {"usercommon", userCommon},
      {"userprograms", f.programs},
      {"commonprograms", f.commonPrograms},
      {"srcroot", packageFolder},
      {"userdesktop", f.desktop},
      {"commondesktop", f.commonDesktop},
      {"srcexe", f.exePath},
      {"language", DecimalText(languageCode)},
  };
  out->swap(list);
  return CX_OK;
}
