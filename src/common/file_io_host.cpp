// Native file reading and writing for tools and tests.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "common/codepage.h"
#include "common/file_io.h"

namespace {
std::string Utf8Path(const char16_t* path) { return Utf16ToUtf8(std::u16string(path ? path : u"")); }
}  // namespace

std::FILE* OpenFileStream(const char16_t* path, const char* mode, CxResult* error) {
  std::FILE* f = path ? std::fopen(Utf8Path(path).c_str(), mode) : nullptr;
  if (!f && error) {
    if (!path) *error = CX_E_INVALID_ARG;
    else if (errno == ENOENT) *error = mode[0] == 'r' ? CX_WIN_ERROR_FILE_NOT_FOUND : CX_WIN_ERROR_PATH_NOT_FOUND;
    else *error = CX_E_OPEN_FAILED;
  }
  return f;
}

CxResult ReadWholeFile(const char16_t* path, std::string* bytes) {
  if (!path || !bytes) return CX_E_INVALID_ARG;
  CxResult error = CX_OK;
  FILE* f = OpenFileStream(path, "rb", &error);
  if (!f) return error;
  // One allocation of the final size: archives run to hundreds of MiB.
  std::string data;
  struct stat st;
  if (::fstat(::fileno(f), &st) == 0 && st.st_size > 0) data.reserve(static_cast<size_t>(st.st_size));
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
  FileWriter writer;
  CxResult r = writer.Open(path);
  if (r == CX_OK) r = writer.Write(data, size);
  CxResult closed = writer.Close();
  return r != CX_OK ? r : closed;
}

CxResult CreateFolder(const char16_t* path) {
  if (!path || !*path) return CX_E_INVALID_ARG;
  if (::mkdir(Utf8Path(path).c_str(), 0777) == 0) return CX_OK;
  if (errno == EEXIST) return CX_WIN_ERROR_ALREADY_EXISTS;
  if (errno == ENOENT || errno == ENOTDIR) return CX_WIN_ERROR_PATH_NOT_FOUND;
  if (errno == EACCES || errno == EPERM || errno == EROFS) return CX_WIN_ERROR_ACCESS_DENIED;
  return CX_E_OPEN_FAILED;
}

bool PathExists(const char16_t* path) {
  struct stat st;
  return path && *path && ::stat(Utf8Path(path).c_str(), &st) == 0;
}

MappedFile::~MappedFile() {
  if (view_) ::munmap(view_, size_);
  if (fd_ >= 0) ::close(fd_);
}

CxResult MappedFile::Open(const char16_t* path) {
  if (!path || view_ || size_) return CX_E_INVALID_ARG;
  int fd = ::open(Utf8Path(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? CX_WIN_ERROR_FILE_NOT_FOUND : CX_E_OPEN_FAILED;
  struct stat st;
  CxResult result = CX_OK;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    result = CX_E_OPEN_FAILED;
  } else if (st.st_size > 0) {
    void* view = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (view == MAP_FAILED) {
      result = CX_E_OPEN_FAILED;
    } else {
      // Read ahead: archives are walked front to back.
      ::madvise(view, static_cast<size_t>(st.st_size), MADV_SEQUENTIAL | MADV_WILLNEED);
      view_ = view;
      size_ = static_cast<size_t>(st.st_size);
    }
  }
  if (result == CX_OK) fd_ = fd;
  else ::close(fd);
  return result;
}

CxResult MappedFile::CopyRegionToFile(uint64_t offset, size_t size, const char16_t* path) const {
  if (offset > size_ || size > size_ - offset) return CX_E_INVALID_ARG;
  if (!path) return CX_E_INVALID_ARG;
  int out = ::open(Utf8Path(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out < 0) return errno == ENOENT ? CX_WIN_ERROR_PATH_NOT_FOUND : CX_E_OPEN_FAILED;
  loff_t from = static_cast<loff_t>(offset);
  size_t left = size;
  while (left > 0) {
    ssize_t n = ::copy_file_range(fd_, &from, out, nullptr, left, 0);
    if (n <= 0) break;  // not supported here, or an error: write the rest
    left -= static_cast<size_t>(n);
  }
  const uint8_t* rest = Data() + (size - left) + offset;
  while (left > 0) {
    ssize_t n = ::write(out, rest, left);
    if (n <= 0) break;
    rest += n;
    left -= static_cast<size_t>(n);
  }
  bool ok = left == 0;
  ok = ::close(out) == 0 && ok;
  return ok ? CX_OK : CX_E_OPEN_FAILED;
}
