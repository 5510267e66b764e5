// Stands in for NSS's certutil.exe in the Firefox tests, and for any
// command in the wSpawn tests. Appends its command line to certutil.log in
// its own folder and "admin" or "user" (whether it runs with the
// Administrators group) to certutil.rights; loads, as NSS does, every
// library that pkcs11.txt in the -d folder names; then:
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
void Append(const wchar_t* fileName, const std::string& text) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  wchar_t* slash = wcsrchr(path, L'\\');
  if (slash) wcscpy(slash + 1, fileName);
  HANDLE f = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(f, text.data(), DWORD(text.size()), &written, nullptr);
  CloseHandle(f);
}

void Log() {
  char utf8[8192] = {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, GetCommandLineW(), -1, utf8, sizeof(utf8) - 2,
                                    nullptr, nullptr);
  if (n > 0) Append(L"certutil.log", std::string(utf8) + "\n");
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  BOOL member = FALSE;
  if (AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                               0, 0, 0, 0, &admins)) {
    CheckTokenMembership(nullptr, admins, &member);
    FreeSid(admins);
  }
  Append(L"certutil.rights", member ? "admin\n" : "user\n");
}

// What NSS does with the database folder's module list: loads each library.
void LoadListedModules(const wchar_t* database) {
  std::wstring folder = database;
  if (folder.compare(0, 4, L"sql:") == 0) folder.erase(0, 4);
  if (folder.empty()) return;
  FILE* list = _wfopen((folder + L"\\pkcs11.txt").c_str(), L"rb");
  if (!list) return;
  char line[1024];
  while (std::fgets(line, sizeof line, list)) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (text.compare(0, 8, "library=") == 0 && text.size() > 8) LoadLibraryA(text.c_str() + 8);
  }
  std::fclose(list);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  Log();
  wchar_t hang[8] = {};
  if (GetEnvironmentVariableW(L"CX_STANDIN_HANG", hang, 8) && hang[0] == L'1') Sleep(INFINITE);
  for (int i = 1; i + 1 < argc; ++i)
    if (!wcscmp(argv[i], L"-d")) LoadListedModules(argv[i + 1]);
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
