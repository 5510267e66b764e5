// The log's clock, its file and code texts on the native build.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "app/setup_log.h"
#include "common/codepage.h"

struct SetupLog::File {
  int fd = -1;
  ~File() {
    if (fd >= 0) ::close(fd);
  }
};

SetupLog::SetupLog() = default;
SetupLog::~SetupLog() = default;

LogTime LogTimeNow() {
  std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  return {static_cast<uint16_t>(t.tm_year + 1900), static_cast<uint16_t>(t.tm_mon + 1),
          static_cast<uint16_t>(t.tm_mday),        static_cast<uint16_t>(t.tm_hour),
          static_cast<uint16_t>(t.tm_min),         static_cast<uint16_t>(t.tm_sec),
          0};
}

std::u16string SetupLog::FullPath(const std::u16string& path) {
  if (!path.empty() && path[0] == u'/') return path;
  char cwd[4096];
  if (!::getcwd(cwd, sizeof cwd)) return path;
  return Utf8ToUtf16(std::string(cwd) + "/") + path;
}

CxResult SetupLog::OpenFile(const std::u16string& path, bool createNew) {
  const std::string name = Utf16ToUtf8(path);
  const int flags = O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (createNew ? O_EXCL : 0);
  const int fd = ::open(name.c_str(), flags, 0644);
  if (fd < 0) return errno == EEXIST ? CX_WIN_ERROR_ALREADY_EXISTS : CX_E_OPEN_FAILED;
  auto file = std::make_unique<File>();
  file->fd = fd;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) return CX_E_INVALID_ARG;
  file_ = std::move(file);
  return CX_OK;
}

void SetupLog::AppendToFile(const std::string& bytes) {
  if (!file_) return;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(file_->fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

std::string ResultText(CxResult code) {
  if (const char* own = OwnResultName(code)) return own;
  return "system code " + std::to_string(code);
}
