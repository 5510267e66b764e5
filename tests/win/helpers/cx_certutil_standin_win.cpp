// Stands in for NSS's certutil.exe in the Firefox tests, and for any
// command in the wSpawn tests. Appends its command line to certutil.log in
// its own folder, then:
//   -L              prints a listing that names CXWSSROOT (spaces padded)
//   --bytes N       prints N bytes ("0123456789" repeated)
//   --stderr TEXT   writes TEXT to standard error
//   --exit CODE     ends with CODE
// With CX_STANDIN_HANG=1 in the environment it never ends.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {
void Log() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  wchar_t* slash = wcsrchr(path, L'\\');
  if (slash) wcscpy(slash + 1, L"certutil.log");
  const wchar_t* line = GetCommandLineW();
  char utf8[8192] = {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof(utf8) - 2, nullptr, nullptr);
  if (n <= 0) return;
  std::string text(utf8);
  text += "\n";
  HANDLE f = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(f, text.data(), DWORD(text.size()), &written, nullptr);
  CloseHandle(f);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  Log();
  wchar_t hang[8] = {};
  if (GetEnvironmentVariableW(L"CX_STANDIN_HANG", hang, 8) && hang[0] == L'1') Sleep(INFINITE);
  int code = 0;
  for (int i = 1; i < argc; ++i) {
    if (!wcscmp(argv[i], L"-L")) {
      std::printf("\nCertificate Nickname                                         Trust Attributes\n\n"
                  "CXWSSROOT                                                    CT,C,C\n");
    } else if (!wcscmp(argv[i], L"--bytes") && i + 1 < argc) {
      long n = wcstol(argv[++i], nullptr, 10);
      for (long k = 0; k < n; ++k) std::putchar('0' + int(k % 10));
    } else if (!wcscmp(argv[i], L"--stderr") && i + 1 < argc) {
      std::fprintf(stderr, "%ls", argv[++i]);
    } else if (!wcscmp(argv[i], L"--exit") && i + 1 < argc) {
      code = int(wcstol(argv[++i], nullptr, 10));
    }
  }
  std::fflush(stdout);
  std::fflush(stderr);
  return code;
}
