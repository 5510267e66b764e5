// Registry services: values written, read and deleted, key trees removed,
// ".reg" files imported with the system's registry editor, and COM modules
// registered with their registrar. Every call names the registry view
// (key64: 1 the 64-bit view, 0 the 32-bit one) so it is never left to the
// process's own bitness; on a 32-bit Windows key64 has no effect.
//
// Results are 0, a Windows error code unchanged (2 when a key or value does
// not exist, 5 when access is denied) or one of the program's codes. A
// failed call leaves its out-parameters untouched. Nothing is rolled back:
// keys created on the way by a failed write stay.
#pragma once
#include <windows.h>

#include <cstdint>

#include "common/result_codes.h"
#include "platform/registry_text.h"

// <windows.h> maps the name to RegDeleteValueW; the service below takes it.
#undef RegDeleteValue

// Where a value lives. `root` is one of the CX_HKEY_* values; `valueName`
// may be null or empty for the key's default value.
struct RegistryLocation {
  uint32_t root = CX_HKEY_LOCAL_MACHINE;
  const char16_t* subKey = nullptr;
  const char16_t* valueName = nullptr;
  uint32_t key64 = 0;
};

// Time the registry editor and the module registrar get before their start
// counts as failed.
constexpr uint32_t CX_REGISTRAR_WAIT_MS = 60000;

// Creates every missing key of `subKey`, then sets the value. CX_E_FAIL for
// an empty subKey or one that starts with a backslash (nothing is opened);
// otherwise the first failing call's error.
CxResult RegWriteValue(uint32_t root, const char16_t* subKey, const char16_t* valueName,
                       uint32_t type, const void* data, uint32_t size, uint32_t key64);
// REG_SZ with its terminating null counted in the size, as readers expect.
CxResult RegWriteString(const RegistryLocation* location, const char16_t* text);
CxResult RegWriteDword(const RegistryLocation* location, uint32_t value);
// REG_BINARY; a count of 0 writes an empty value.
CxResult RegWriteBinary(const RegistryLocation* location, const uint8_t* bytes, uint32_t count);

// Reads text of up to CX_REG_MAX_DATA bytes. `size` is in characters with
// the terminator. With a null buffer only the needed size is stored; with a
// smaller size the needed size is stored and CX_E_BUFFER_TOO_SMALL returned.
CxResult RegReadString(const RegistryLocation* location, char16_t* buffer, uint32_t* size);
CxResult RegReadDword(const RegistryLocation* location, uint32_t* value);
// As RegReadString, with `size` in bytes.
CxResult RegReadBinary(const RegistryLocation* location, uint8_t* buffer, uint32_t* size);

// Deletes one named value; CX_E_INVALID_ARG for an empty value name.
CxResult RegDeleteValue(const RegistryLocation* location);
// Deletes the key with everything below it (valueName is ignored).
// CX_E_INVALID_ARG for a subkey that is empty or starts or ends with a
// backslash: such a subkey names a key other than the one meant.
CxResult RegDeleteKeyTree(const RegistryLocation* location);
// Deletes one key that has no subkeys.
CxResult RegDeleteKeyOnly(uint32_t root, const char16_t* subKey, uint32_t key64);

// Imports a ".reg" file silently with the registry editor of the view's
// bitness, started by its full path, and waits up to CX_REGISTRAR_WAIT_MS
// (RunToolInJob: an editor still running then is ended). 0 only when the
// editor exited with 0; its nonzero exit code; ERROR_TIMEOUT; or the
// Windows error of the start.
CxResult ImportRegFile(const char16_t* regFile, uint32_t key64);

// Registers (registering 1) or unregisters (0) a COM server module: an
// ".exe" through its own "/regserver" switch, a DLL through regsvr32.exe of
// the module's bitness (is64 1: the 64-bit one, which a 32-bit process
// reaches only while file-system redirection is off). Waits up to
// CX_REGISTRAR_WAIT_MS, ending it then as ImportRegFile does. 0 only when
// the registrar exited with 0 (or a 64-bit module on a 32-bit Windows,
// which has nothing to register with); its nonzero exit code;
// ERROR_TIMEOUT; or the Windows error of the start.
// CX_E_INVALID_ARG for a null or empty path.
CxResult RegisterServer(const char16_t* modulePath, int is64, int registering);

// 1 when this process is a 32-bit one on a 64-bit Windows, else 0.
int IsWow64();

// The predefined key handle for a CX_HKEY_* value.
HKEY RootKeyHandle(uint32_t root);
