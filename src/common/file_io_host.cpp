// Native file reading and writing for tools and tests.
#include <cerrno>
#include <cstdio>

#include "common/codepage.h"
#include "common/file_io.h"

namespace {
std::string Utf8Path(const char16_t* path) { return Utf16ToUtf8(std::u16string(path ? path : u"")); }
}  // namespace

CxResult ReadWholeFile(const char16_t* path, std::string* bytes) {
  if (!path || !bytes) return CX_E_INVALID_ARG;
  FILE* f = std::fopen(Utf8Path(path).c_str(), "rb");
  if (!f) return errno == ENOENT ? CX_WIN_ERROR_FILE_NOT_FOUND : CX_E_OPEN_FAILED;
  std::string data;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
  bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return CX_E_OPEN_FAILED;
  bytes->swap(data);
  return CX_OK;
}

CxResult WriteWholeFile(const char16_t* path, const void* data, size_t size) {
  if (!path || (!data && size)) return CX_E_INVALID_ARG;
  FILE* f = std::fopen(Utf8Path(path).c_str(), "wb");
  if (!f) return errno == ENOENT ? CX_WIN_ERROR_PATH_NOT_FOUND : CX_E_OPEN_FAILED;
  bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  ok = (std::fclose(f) == 0) && ok;
  return ok ? CX_OK : CX_E_OPEN_FAILED;
}

#include <sys/stat.h>

CxResult CreateFolder(const char16_t* path) {
  if (!path || !*path) return CX_E_INVALID_ARG;
  if (::mkdir(Utf8Path(path).c_str(), 0777) == 0) return CX_OK;
  if (errno == EEXIST) return CX_WIN_ERROR_ALREADY_EXISTS;
  if (errno == ENOENT || errno == ENOTDIR) return CX_WIN_ERROR_PATH_NOT_FOUND;
  if (errno == EACCES || errno == EPERM || errno == EROFS) return CX_WIN_ERROR_ACCESS_DENIED;
  return CX_E_OPEN_FAILED;
}
