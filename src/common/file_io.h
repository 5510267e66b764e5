// Whole-file reading and writing by UTF-16 path: _wfopen on Windows, the
// UTF-8 form of the path natively. Out-parameters are untouched on failure.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "common/result_codes.h"

// Reads the whole file. Returns 0, or the platform's error code (on Windows
// the GetLastError value, natively CX_WIN_ERROR_FILE_NOT_FOUND for a missing
// file and CX_E_OPEN_FAILED otherwise).
CxResult ReadWholeFile(const char16_t* path, std::string* bytes);
// Creates or truncates the file and writes `size` bytes.
CxResult WriteWholeFile(const char16_t* path, const void* data, size_t size);
// Creates one folder level (the parent must exist). Returns 0, or the
// platform's error code; an existing folder (or file) of that name gives
// CX_WIN_ERROR_ALREADY_EXISTS on both platforms.
CxResult CreateFolder(const char16_t* path);
// True when a file or folder of that name exists.
bool PathExists(const char16_t* path);

// Hands the file's bytes to `consume` in pieces of at most 1 MiB, in order.
// Returns 0, the open error as ReadWholeFile does, CX_E_OPEN_FAILED for a
// read error, or CX_E_FAIL when `consume` returned false.
CxResult ReadFileChunks(const char16_t* path,
                        const std::function<bool(const char* data, size_t size)>& consume);

// A file written from start to end (created or truncated on Open). Close
// reports whether every byte reached the file; the destructor closes
// without reporting.
class FileWriter {
 public:
  FileWriter() = default;
  ~FileWriter();
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;

  CxResult Open(const char16_t* path);
  CxResult Write(const void* data, size_t size);
  CxResult Close();

 private:
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

// fopen by UTF-16 path (_wfopen on Windows, the UTF-8 path natively); null
// on failure with the platform's error code in `error`.
std::FILE* OpenFileStream(const char16_t* path, const char* mode, CxResult* error);

// A whole file mapped read-only into memory, without copying it: for
// archives of hundreds of MiB. An empty file opens with Size() 0.
class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // 0, or the open error as ReadWholeFile gives it; on failure the object
  // stays empty.
  CxResult Open(const char16_t* path);
  const uint8_t* Data() const { return static_cast<const uint8_t*>(view_); }
  size_t Size() const { return size_; }
  // Writes the bytes [offset, offset+size) to a new file `path` (created or
  // truncated). Natively the kernel copies them from file to file, as cp
  // does; 0 or the error as WriteWholeFile gives it.
  CxResult CopyRegionToFile(uint64_t offset, size_t size, const char16_t* path) const;

 private:
  void* view_ = nullptr;
  size_t size_ = 0;
  int fd_ = -1;  // natively, the open file behind the view
};
