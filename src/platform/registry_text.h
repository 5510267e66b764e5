// The pure text and byte work behind the registry services: the REG_SZ
// data size, the access mask for a view, the subkeys a tree delete accepts,
// and the command lines of the registry editor and the module registrar.
// (Root names and value data from script text are the script's value
// rules: package/script_vocabulary.h, package/value_rules.h.) No OS calls,
// so every rule is table-tested natively.
#pragma once
#include <cstdint>

#include "common/result_codes.h"
#include "common/wstring.h"

// Predefined root keys, as the values of Windows' HKEY_* handles.
constexpr uint32_t CX_HKEY_CLASSES_ROOT = 0x80000000;
constexpr uint32_t CX_HKEY_CURRENT_USER = 0x80000001;
constexpr uint32_t CX_HKEY_LOCAL_MACHINE = 0x80000002;
constexpr uint32_t CX_HKEY_USERS = 0x80000003;
constexpr uint32_t CX_HKEY_CURRENT_CONFIG = 0x80000005;

// Registry value types written by the services.
constexpr uint32_t CX_REG_SZ = 1;
constexpr uint32_t CX_REG_BINARY = 3;
constexpr uint32_t CX_REG_DWORD = 4;

// Largest REG_BINARY value the services write or read, in bytes.
constexpr uint32_t CX_REG_MAX_DATA = 8192;

// The byte count of REG_SZ data for `text`: its characters and the
// terminating null, as RegSetValueExW's contract asks (readers may otherwise
// get unterminated text). 0 for a null text or one too long to count.
uint32_t RegStringDataSize(const char16_t* text);

// The access mask of an open, create or delete: KEY_ALL_ACCESS to write,
// KEY_READ to read, plus the view flag on a 64-bit Windows (KEY_WOW64_64KEY
// for key64 1, KEY_WOW64_32KEY otherwise); no view flag on a 32-bit one.
uint32_t RegistryAccess(int write, uint32_t key64, int os64);

// True for a subkey a tree delete may remove: not empty, not starting or
// ending with a backslash. An empty last part would name its parent, e.g.
// "...\Uninstall\" with an empty product code names every program's entry.
bool IsDeletableSubKey(const char16_t* subKey);

// A program to start: its full path (the application name) and its whole
// command line, which repeats the quoted path as the first token.
struct ToolCommand {
  WString application;
  WString commandLine;
};

// How a module is (un)registered. An ".exe" (any case) registers itself
// with "/regserver" or "/unregserver"; any other module goes through
// regsvr32.exe under `windowsFolder`: System32's for a 64-bit module or a
// native process, SysWOW64's for a 32-bit module in a WOW64 process. CX_OK
// with `out` set; a 64-bit module on a 32-bit Windows has no registrar, so
// `out` is then left with an empty application: nothing is to be run.
// CX_E_INVALID_ARG for a null or empty path or folder (`out` untouched).
CxResult RegistrarCommand(const char16_t* windowsFolder, const char16_t* modulePath, int is64,
                          int registering, int isWow64, ToolCommand* out);

// The registry editor that imports a ".reg" file silently: the Windows
// folder's regedit.exe, or SysWOW64's (the 32-bit editor, which writes the
// 32-bit view) on a 64-bit Windows with key64 0. The file path is quoted.
// CX_E_INVALID_ARG for a null or empty folder or file.
CxResult RegImportCommand(const char16_t* windowsFolder, const char16_t* regFile, uint32_t key64,
                          int os64, ToolCommand* out);
