// Data sizes, access masks and tool command lines for the registry services.
#include "platform/registry_text.h"

#include <cstring>
#include <string>

namespace {
constexpr uint32_t kKeyAllAccess = 0xF003F;
constexpr uint32_t kKeyRead = 0x20019;
constexpr uint32_t kKeyWow64_64 = 0x100;
constexpr uint32_t kKeyWow64_32 = 0x200;

char16_t AsciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c; }

bool EndsWithExe(const std::u16string& path) {
  const size_t dot = path.rfind(u'.');
  if (dot == std::u16string::npos) return false;
  const std::u16string ext = path.substr(dot);
  const char16_t exe[] = u".exe";
  if (ext.size() != 4) return false;
  for (size_t i = 0; i < 4; ++i)
    if (AsciiLower(ext[i]) != exe[i]) return false;
  return true;
}

bool Empty(const char16_t* s) { return !s || !*s; }

std::u16string Quoted(const std::u16string& s) { return u"\"" + s + u"\""; }

std::u16string UnderFolder(const char16_t* folder, const char16_t* rest) {
  std::u16string path = folder;
  if (path.back() != u'\\') path += u'\\';
  return path + rest;
}
}  // namespace

uint32_t RegStringDataSize(const char16_t* text) {
  if (!text) return 0;
  const size_t chars = std::char_traits<char16_t>::length(text) + 1;
  if (chars > 0x7FFFFFFFu / 2) return 0;
  return static_cast<uint32_t>(chars * 2);
}

uint32_t RegistryAccess(int write, uint32_t key64, int os64) {
  uint32_t mask = write ? kKeyAllAccess : kKeyRead;
  if (os64) mask |= (key64 == 1) ? kKeyWow64_64 : kKeyWow64_32;
  return mask;
}

bool IsDeletableSubKey(const char16_t* subKey) {
  if (Empty(subKey)) return false;
  const std::u16string s = subKey;
  return s.front() != u'\\' && s.back() != u'\\';
}

CxResult RegistrarCommand(const char16_t* windowsFolder, const char16_t* modulePath, int is64,
                          int registering, int isWow64, ToolCommand* out) {
  if (Empty(windowsFolder) || Empty(modulePath) || !out) return CX_E_INVALID_ARG;
  const std::u16string module = modulePath;
  if (EndsWithExe(module)) {
    out->application.Assign(module.c_str());
    const std::u16string cmd = Quoted(module) + (registering ? u" /regserver" : u" /unregserver");
    out->commandLine.Assign(cmd.c_str());
    return CX_OK;
  }
  if (!isWow64 && is64 == 1) {
    // A 32-bit Windows has no 64-bit registrar.
    out->application.Clear();
    out->commandLine.Clear();
    return CX_OK;
  }
  // With redirection off (the caller's bracket), System32 is the 64-bit one.
  const char16_t* tool =
      (isWow64 && is64 != 1) ? u"SysWOW64\\regsvr32.exe" : u"System32\\regsvr32.exe";
  const std::u16string app = UnderFolder(windowsFolder, tool);
  const std::u16string cmd = Quoted(app) + (registering ? u"" : u" /u") + u" /s " + Quoted(module);
  out->application.Assign(app.c_str());
  out->commandLine.Assign(cmd.c_str());
  return CX_OK;
}

CxResult RegImportCommand(const char16_t* windowsFolder, const char16_t* regFile, uint32_t key64,
                          int os64, ToolCommand* out) {
  if (Empty(windowsFolder) || Empty(regFile) || !out) return CX_E_INVALID_ARG;
  const char16_t* tool = (os64 && key64 != 1) ? u"SysWOW64\\regedit.exe" : u"regedit.exe";
  const std::u16string app = UnderFolder(windowsFolder, tool);
  const std::u16string cmd = Quoted(app) + u" /s " + Quoted(regFile);
  out->application.Assign(app.c_str());
  out->commandLine.Assign(cmd.c_str());
  return CX_OK;
}
