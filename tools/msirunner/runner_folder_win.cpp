// The runner's admin-only folder and the carried setup written into it.
#include "runner_folder_win.h"

#include <vector>

#include "runner_handles_win.h"

namespace {

constexpr int kNameTries = 16;
constexpr int kDeleteTries = 50;
constexpr DWORD kDeleteRetryMs = 100;
constexpr DWORD kCopyChunk = 1u << 20;
constexpr DWORD kSha256Bytes = 32;

std::wstring Hex(const BYTE* bytes, size_t count) {
  static const wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring text;
  for (size_t i = 0; i < count; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}

// The file this code was loaded from: Windows Installer's copy of the
// CxSetup stream.
std::wstring OwnFile() {
  HMODULE self = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(&OwnFile), &self))
    return {};
  std::vector<wchar_t> path(32768);
  const DWORD n = GetModuleFileNameW(self, path.data(), DWORD(path.size()));
  if (n == 0 || n >= path.size()) return {};
  return std::wstring(path.data(), n);
}

}  // namespace

RunnerFolder::~RunnerFolder() {
  if (path_.empty()) return;
  lock_.Reset();
  // One level: only the runner and what it ran write here. A program the
  // setup left running (the uninstaller's copy) may still write its last
  // log line: a few more tries, then the folder stays.
  for (int attempt = 0; attempt < kDeleteTries; ++attempt) {
    WIN32_FIND_DATAW entry;
    ScopedFindHandle find(FindFirstFileW(File(L"*").c_str(), &entry));
    if (find) {
      do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW(File(entry.cFileName).c_str());
      } while (FindNextFileW(find.Get(), &entry));
    }
    find.Reset();
    if (RemoveDirectoryW(path_.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND) return;
    Sleep(kDeleteRetryMs);
  }
}

CxResult RunnerFolder::Create(HCRYPTPROV random) {
  if (!path_.empty()) return ERROR_ALREADY_EXISTS;
  const CxResult built = security_.Build();
  if (built != CX_OK) return built;
  wchar_t windows[MAX_PATH];
  const UINT n = GetSystemWindowsDirectoryW(windows, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return GetLastError() ? GetLastError() : ERROR_BUFFER_OVERFLOW;
  for (int i = 0; i < kNameTries; ++i) {
    BYTE bytes[8];
    if (!CryptGenRandom(random, sizeof bytes, bytes)) return GetLastError();
    const std::wstring candidate = std::wstring(windows) + L"\\Temp\\CxMsi_" + Hex(bytes, sizeof bytes);
    if (CreateDirectoryW(candidate.c_str(), security_.Attributes())) {
      path_ = candidate;
      return CX_OK;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) return GetLastError();
  }
  return ERROR_ALREADY_EXISTS;
}

CxResult RunnerFolder::ExtractCarriedSetup(HCRYPTPROV hashing, const InstallData& data,
                                           const std::wstring& target) {
  const std::wstring source = OwnFile();
  if (source.empty()) return GetLastError() ? GetLastError() : ERROR_MOD_NOT_FOUND;
  // Nobody may write the source while it is read.
  ScopedFileHandle in(CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!in) return GetLastError();
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(in.Get(), &size)) return GetLastError();
  if (uint64_t(size.QuadPart) < data.offset || uint64_t(size.QuadPart) - data.offset < data.size)
    return CX_E_BAD_DATA;
  LARGE_INTEGER at;
  at.QuadPart = LONGLONG(data.offset);
  if (!SetFilePointerEx(in.Get(), at, nullptr, FILE_BEGIN)) return GetLastError();

  ScopedCryptHash hash;
  if (!CryptCreateHash(hashing, CALG_SHA_256, 0, 0, hash.Receive())) return GetLastError();
  CxResult result = CX_OK;
  {
    ScopedFileHandle out(CreateFileW(target.c_str(), GENERIC_WRITE, 0, security_.Attributes(), CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return GetLastError();
    std::vector<BYTE> buffer(kCopyChunk);
    for (uint64_t left = data.size; left > 0 && result == CX_OK;) {
      const DWORD want = left < kCopyChunk ? DWORD(left) : kCopyChunk;
      DWORD got = 0, put = 0;
      if (!ReadFile(in.Get(), buffer.data(), want, &got, nullptr)) result = GetLastError();
      else if (got != want) result = CX_E_BAD_DATA;
      else if (!CryptHashData(hash.Get(), buffer.data(), got, 0)) result = GetLastError();
      else if (!WriteFile(out.Get(), buffer.data(), got, &put, nullptr) || put != got)
        result = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
      left -= want;
    }
  }
  if (result == CX_OK) {
    BYTE digest[kSha256Bytes];
    DWORD digestSize = sizeof digest;
    if (!CryptGetHashParam(hash.Get(), HP_HASHVAL, digest, &digestSize, 0)) result = GetLastError();
    else if (digestSize != kSha256Bytes || Hex(digest, digestSize) != std::wstring(data.sha256.begin(), data.sha256.end()))
      result = CX_E_BAD_DATA;
  }
  if (result == CX_OK) {
    // Readers only from now on: the program can be started, not changed.
    lock_.Reset(CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!lock_) result = GetLastError();
  }
  if (result != CX_OK) DeleteFileW(target.c_str());
  return result;
}
