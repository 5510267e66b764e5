// Held files and folders natively: O_EXCL creation, O_NOFOLLOW reopening
// and a device and inode comparison. Without share modes the native build
// cannot keep others out; it keeps the same identity guarantees for tests.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "common/codepage.h"
#include "platform/held_file.h"

namespace {

CxResult ErrnoResult() {
  if (errno == EEXIST) return CX_WIN_ERROR_ALREADY_EXISTS;
  if (errno == ENOENT || errno == ENOTDIR) return CX_WIN_ERROR_PATH_NOT_FOUND;
  if (errno == EACCES || errno == EPERM) return CX_WIN_ERROR_ACCESS_DENIED;
  return CX_E_OPEN_FAILED;
}

std::string Native(const char16_t* path) { return Utf16ToUtf8(std::u16string(path)); }

}  // namespace

void HeldFile::Release() {
  if (handle_ != kNone) ::close(static_cast<int>(handle_));
  handle_ = kNone;
}

CxResult WriteNewHeldFileFrom(const char16_t* path, uint64_t size,
                              const std::function<CxResult(const ByteSink&)>& produce,
                              HeldFile* held) {
  if (!path || !*path || !produce || !held) return CX_E_INVALID_ARG;
  const std::string name = Native(path);
  int out = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (out < 0) return ErrnoResult();
  uint64_t put = 0;
  bool writeFailed = false;
  const ByteSink sink = [&](const uint8_t* bytes, size_t count) {
    for (size_t done = 0; done < count;) {
      ssize_t n = ::write(out, bytes + done, count - done);
      if (n <= 0) {
        writeFailed = true;
        return false;
      }
      done += static_cast<size_t>(n);
    }
    put += count;
    return true;
  };
  CxResult r = produce(sink);
  if (writeFailed) r = CX_E_OPEN_FAILED;
  if (r == CX_OK && put != size) r = CX_E_BAD_DATA;
  struct stat written;
  const bool statted = r == CX_OK && ::fstat(out, &written) == 0;
  const bool closed = ::close(out) == 0;
  if (r == CX_OK && (!statted || !closed)) r = CX_E_OPEN_FAILED;
  if (r != CX_OK) {
    ::unlink(name.c_str());
    return r;
  }
  int reader = ::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (reader < 0) return ErrnoResult();
  struct stat now;
  if (::fstat(reader, &now) != 0 || now.st_dev != written.st_dev || now.st_ino != written.st_ino) {
    ::close(reader);
    return CX_E_FAIL;
  }
  held->Release();
  held->handle_ = reader;
  return CX_OK;
}

CxResult CreateNewHeldFolder(const char16_t* path, HeldFile* held) {
  if (!path || !*path || !held) return CX_E_INVALID_ARG;
  const std::string name = Native(path);
  if (::mkdir(name.c_str(), 0755) != 0) return ErrnoResult();
  int folder = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (folder < 0) return CX_E_FAIL;
  held->Release();
  held->handle_ = folder;
  return CX_OK;
}
