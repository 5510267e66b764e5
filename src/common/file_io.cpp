// Streaming file reading and writing over the platform's stdio open.
#include "common/file_io.h"

#include <vector>

CxResult ReadFileChunks(const char16_t* path,
                        const std::function<bool(const char* data, size_t size)>& consume) {
  if (!path || !consume) return CX_E_INVALID_ARG;
  CxResult error = CX_OK;
  std::FILE* f = OpenFileStream(path, "rb", &error);
  if (!f) return error;
  std::vector<char> buffer(1 << 20);
  CxResult result = CX_OK;
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), f)) > 0) {
    if (!consume(buffer.data(), n)) {
      result = CX_E_FAIL;
      break;
    }
  }
  if (result == CX_OK && std::ferror(f)) result = CX_E_OPEN_FAILED;
  std::fclose(f);
  return result;
}

FileWriter::~FileWriter() {
  if (file_) std::fclose(file_);
}

CxResult FileWriter::Open(const char16_t* path) {
  if (file_) return CX_E_INVALID_ARG;
  CxResult error = CX_OK;
  file_ = OpenFileStream(path, "wb", &error);
  failed_ = false;
  return file_ ? CX_OK : error;
}

CxResult FileWriter::Write(const void* data, size_t size) {
  if (!file_ || (!data && size)) return CX_E_INVALID_ARG;
  if (size && std::fwrite(data, 1, size, file_) != size) failed_ = true;
  return failed_ ? CX_E_OPEN_FAILED : CX_OK;
}

CxResult FileWriter::Close() {
  if (!file_) return CX_E_INVALID_ARG;
  bool ok = std::fclose(file_) == 0 && !failed_;
  file_ = nullptr;
  return ok ? CX_OK : CX_E_OPEN_FAILED;
}
