// File reading and writing by wide path.
#include <windows.h>

#include <cerrno>
#include <cstdio>

#include "common/file_io.h"
#include "common/win_handles.h"

std::FILE* OpenFileStream(const char16_t* path, const char* mode, CxResult* error) {
  if (!path || !mode) {
    if (error) *error = CX_E_INVALID_ARG;
    return nullptr;
  }
  wchar_t wideMode[8] = {};
  for (int i = 0; i < 7 && mode[i]; ++i) wideMode[i] = static_cast<wchar_t>(mode[i]);
  std::FILE* f = _wfopen(AsWide(path), wideMode);
  if (!f && error) *error = GetLastError() ? GetLastError() : CX_E_OPEN_FAILED;
  return f;
}

CxResult ReadWholeFile(const char16_t* path, std::string* bytes) {
  if (!path || !bytes) return CX_E_INVALID_ARG;
  ScopedFileHandle file(CreateFileW(AsWide(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.Get(), &size)) return GetLastError();
  if (size.QuadPart > 0x7FFFFFFF) return CX_E_BAD_DATA;
  std::string data(static_cast<size_t>(size.QuadPart), '\0');
  DWORD got = 0;
  if (!data.empty() && (!ReadFile(file.Get(), &data[0], static_cast<DWORD>(data.size()), &got, nullptr) ||
                        got != data.size()))
    return GetLastError() ? GetLastError() : CX_E_BAD_DATA;
  bytes->swap(data);
  return CX_OK;
}

CxResult WriteWholeFile(const char16_t* path, const void* data, size_t size) {
  if (!path || (!data && size)) return CX_E_INVALID_ARG;
  ScopedFileHandle file(CreateFileW(AsWide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  DWORD put = 0;
  if (size && (!WriteFile(file.Get(), data, static_cast<DWORD>(size), &put, nullptr) || put != size))
    return GetLastError();
  return CX_OK;
}

CxResult CreateFolder(const char16_t* path) {
  if (!path || !*path) return CX_E_INVALID_ARG;
  if (CreateDirectoryW(AsWide(path), nullptr)) return CX_OK;
  return GetLastError();
}

bool PathExists(const char16_t* path) {
  return path && *path && GetFileAttributesW(AsWide(path)) != INVALID_FILE_ATTRIBUTES;
}

MappedFile::~MappedFile() {
  if (view_) UnmapViewOfFile(view_);
}

CxResult MappedFile::Open(const char16_t* path) {
  if (!path || view_ || size_) return CX_E_INVALID_ARG;
  ScopedFileHandle file(CreateFileW(AsWide(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.Get(), &size)) return GetLastError();
  if (size.QuadPart == 0) return CX_OK;
  if (size.QuadPart > 0x7FFFFFFF) return CX_E_BAD_DATA;
  ScopedHandle mapping(CreateFileMappingW(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping) return GetLastError();
  void* view = MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0);
  if (!view) return GetLastError();
  view_ = view;
  size_ = static_cast<size_t>(size.QuadPart);
  return CX_OK;
}

CxResult MappedFile::CopyRegionToFile(uint64_t offset, size_t size, const char16_t* path) const {
  if (offset > size_ || size > size_ - offset) return CX_E_INVALID_ARG;
  return WriteWholeFile(path, Data() + offset, size);
}
