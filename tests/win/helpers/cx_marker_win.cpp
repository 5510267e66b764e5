// Plays the attacker's code in the boundary test: every copy appends a line
// naming itself and the program it runs in to C:\cx-marker.log.
//
// Built as a program, it stands for a command interpreter named by COMSPEC.
// Built as crypt32.dll, version.dll or msimg32.dll (CX_PLANTED_DLL), it is
// a DLL planted beside a program: it writes from DllMain and forwards every
// entry point a setup used to import to the system's own DLL, so that such
// a setup runs on as if nothing happened (the attack as it would be made).
#include <windows.h>

namespace {

void AppendMarker(const wchar_t* what) {
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  wchar_t line[2 * MAX_PATH + 64];
  lstrcpynW(line, what, MAX_PATH);
  lstrcatW(line, L" in ");
  lstrcatW(line, program);
  lstrcatW(line, L"\r\n");
  char utf8[sizeof line * 2];
  const int n = WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof utf8, nullptr, nullptr);
  HANDLE file = CreateFileW(L"C:\\cx-marker.log", FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE || n <= 1) return;
  DWORD written = 0;
  WriteFile(file, utf8, static_cast<DWORD>(n - 1), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

#ifdef CX_PLANTED_DLL

#define CX_TEXT2(x) L## #x
#define CX_TEXT(x) CX_TEXT2(x)

#if defined(CX_PLANTED_CRYPT32)
#define CX_FORWARDS(X)                                                                     \
  X(CertAddCertificateContextToStore) X(CertCloseStore) X(CertControlStore)                \
  X(CertCreateCertificateContext) X(CertDeleteCertificateFromStore)                        \
  X(CertDuplicateCertificateContext) X(CertEnumCertificatesInStore)                        \
  X(CertFindCertificateInStore) X(CertFreeCertificateContext)                              \
  X(CertGetCertificateContextProperty) X(CertGetNameStringW) X(CertOpenStore)              \
  X(CertSetCertificateContextProperty)
#elif defined(CX_PLANTED_VERSION)
#define CX_FORWARDS(X) X(GetFileVersionInfoSizeW) X(GetFileVersionInfoW) X(VerQueryValueW)
#elif defined(CX_PLANTED_MSIMG32)
#define CX_FORWARDS(X) X(AlphaBlend)
#endif

// Each export is a jump through a pointer filled from the system's DLL:
// the stack is left as the caller made it, whatever the signature.
#define CX_DEFINE(name)                                                      \
  extern "C" {                                                               \
  FARPROC cx_real_##name = nullptr;                                          \
  }                                                                          \
  __asm__(".text\n.globl _cx_fwd_" #name "\n_cx_fwd_" #name ":\n"            \
          "\tjmp *_cx_real_" #name "\n"                                      \
          ".section .drectve\n.ascii \" -export:" #name "=cx_fwd_" #name "\"\n" \
          ".text\n");
CX_FORWARDS(CX_DEFINE)

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  AppendMarker(CX_TEXT(CX_PLANTED_DLL) L".dll loaded");
  wchar_t path[MAX_PATH];
  const UINT n = GetSystemDirectoryW(path, MAX_PATH - 20);
  if (n == 0 || n >= MAX_PATH - 20) return TRUE;
  lstrcatW(path, L"\\" CX_TEXT(CX_PLANTED_DLL) L".dll");
  HMODULE real = LoadLibraryW(path);
#define CX_RESOLVE(name) cx_real_##name = real ? GetProcAddress(real, #name) : nullptr;
  CX_FORWARDS(CX_RESOLVE)
  return TRUE;
}

#else

int wmain() {
  AppendMarker(L"marker program started");
  return 0;
}

#endif
