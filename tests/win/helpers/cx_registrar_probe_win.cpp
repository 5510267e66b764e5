// A COM server stand-in for the registration tests, built as a DLL and as
// an exe. Registering records which program did it: the DLL writes the
// registrar's path (regsvr32 of one bitness), the exe "regserver", as the
// value "Registrar" of HKCU\Software\cxsetup-tests\registrar\<file name>.
// Unregistering deletes that key. Built with CX_PROBE_FAILS, registration
// fails without writing anything.
#include <windows.h>

#include <cwchar>

namespace {
HMODULE g_module = nullptr;

bool KeyPath(wchar_t* out, size_t chars) {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(g_module, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  const wchar_t* name = wcsrchr(path, L'\\');
  name = name ? name + 1 : path;
  return swprintf(out, chars, L"Software\\cxsetup-tests\\registrar\\%ls", name) > 0;
}

HRESULT Register(const wchar_t* registrar) {
#ifdef CX_PROBE_FAILS
  (void)registrar;
  return E_FAIL;
#else
  wchar_t key[MAX_PATH + 64];
  if (!KeyPath(key, sizeof(key) / sizeof(key[0]))) return E_FAIL;
  const DWORD bytes = static_cast<DWORD>((wcslen(registrar) + 1) * sizeof(wchar_t));
  HKEY h = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr) !=
      ERROR_SUCCESS)
    return E_FAIL;
  const LONG r =
      RegSetValueExW(h, L"Registrar", 0, REG_SZ, reinterpret_cast<const BYTE*>(registrar), bytes);
  RegCloseKey(h);
  return r == ERROR_SUCCESS ? S_OK : E_FAIL;
#endif
}

HRESULT Unregister() {
  wchar_t key[MAX_PATH + 64];
  if (!KeyPath(key, sizeof(key) / sizeof(key[0]))) return E_FAIL;
  const LONG r = RegDeleteTreeW(HKEY_CURRENT_USER, key);
  return (r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND) ? S_OK : E_FAIL;
}
}  // namespace

#ifdef CX_PROBE_EXE
int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 1;
  if (wcscmp(argv[1], L"/regserver") == 0) return Register(L"regserver") == S_OK ? 0 : 1;
  if (wcscmp(argv[1], L"/unregserver") == 0) return Unregister() == S_OK ? 0 : 1;
  return 1;
}
#else
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  wchar_t host[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, host, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return E_FAIL;
  return Register(host);
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return Unregister(); }
#endif
