// Plays the attacker's code in the boundary test: every copy appends a line
// naming itself and the program it runs in to C:\cx-marker.log.
//
// Built as a program, it stands for a command interpreter named by COMSPEC.
// Built as crypt32.dll, version.dll or msimg32.dll (CX_PLANTED_DLL), it is
// a DLL planted beside a program: it writes from DllMain and forwards every
// entry point a setup used to import to the system's own DLL, so that such
// a setup runs on as if nothing happened (the attack as it would be made).
//
// One load is Wine's alone: Wine's user32.dll imports version.dll, so Wine
// loads a planted version.dll into every program that uses user32, before
// its first line. Windows' user32 is a known DLL whose imports are known
// DLLs too, and never looks beside the program. A load at start-up that the
// program's own import table did not ask for is therefore written to
// C:\cx-marker-wine.log instead.
#include <windows.h>

namespace {

void AppendLine(const wchar_t* file, const wchar_t* what) {
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  wchar_t line[2 * MAX_PATH + 64];
  lstrcpynW(line, what, MAX_PATH);
  lstrcatW(line, L" in ");
  lstrcatW(line, program);
  lstrcatW(line, L"\r\n");
  char utf8[sizeof line * 2];
  const int n = WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof utf8, nullptr, nullptr);
  HANDLE out = CreateFileW(file, FILE_APPEND_DATA,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE || n <= 1) return;
  DWORD written = 0;
  WriteFile(out, utf8, static_cast<DWORD>(n - 1), &written, nullptr);
  CloseHandle(out);
}

void AppendMarker(const wchar_t* what) { AppendLine(L"C:\\cx-marker.log", what); }

}  // namespace

#ifdef CX_PLANTED_DLL

#define CX_TEXT2(x) L## #x
#define CX_TEXT(x) CX_TEXT2(x)
#define CX_NARROW2(x) #x
#define CX_NARROW(x) CX_NARROW2(x)

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

// Whether the main program's import table names `dll`.
bool ProgramImports(const char* dll) {
  const auto* base = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!dir.VirtualAddress) return false;
  for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
       d->Name; ++d) {
    if (!lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll)) return true;
  }
  return false;
}

// lpReserved is null for a load at run time, set for one at start-up.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  const char* self = CX_NARROW(CX_PLANTED_DLL) ".dll";
  if (!reserved) {
    AppendMarker(CX_TEXT(CX_PLANTED_DLL) L".dll loaded at run time");
  } else if (ProgramImports(self)) {
    AppendMarker(CX_TEXT(CX_PLANTED_DLL) L".dll loaded for the program's import table");
  } else {
    AppendLine(L"C:\\cx-marker-wine.log",
               CX_TEXT(CX_PLANTED_DLL) L".dll loaded at start-up for one of Wine's own DLLs");
  }
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
