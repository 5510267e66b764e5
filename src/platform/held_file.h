// Files and folders the setup writes for its own use (the package files it
// extracts), held open from their creation until the run no longer needs
// them. A held file is open for reading and shares nothing but reading, so
// no other process can change, rename or delete it, while Windows still
// starts programs and loads DLLs from it. Creation never reuses a name that
// exists and never goes through a link at the last part of the path, so the
// bytes behind a held file are the bytes this process wrote.
// Portable: a Windows handle there, a file descriptor natively.
#pragma once
#include <cstddef>
#include <cstdint>

#include <functional>

#include "common/byte_sink.h"
#include "common/result_codes.h"

class HeldFile {
 public:
  HeldFile() = default;
  ~HeldFile() { Release(); }
  HeldFile(HeldFile&& other) noexcept : handle_(other.handle_) { other.handle_ = kNone; }
  HeldFile& operator=(HeldFile&& other) noexcept {
    if (this != &other) {
      Release();
      handle_ = other.handle_;
      other.handle_ = kNone;
    }
    return *this;
  }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

  bool IsHeld() const { return handle_ != kNone; }
  // Closes the file; others may change it from then on.
  void Release();

 private:
  friend CxResult WriteNewHeldFileFrom(const char16_t*, uint64_t, const std::function<CxResult(const ByteSink&)>&,
                                      HeldFile*);
  friend CxResult CreateNewHeldFolder(const char16_t*, HeldFile*);
  static constexpr intptr_t kNone = -1;
  intptr_t handle_ = kNone;
};

// Creates `path` as a new file, writes the `size` bytes and holds it. Fails
// with CX_WIN_ERROR_ALREADY_EXISTS when anything (a file, a folder, a link)
// has the name; a failed write leaves no file behind. CX_E_FAIL when the
// file held afterwards is not the one written (it was swapped in between).
// `held` is untouched on failure.
CxResult WriteNewHeldFile(const char16_t* path, const void* data, size_t size, HeldFile* held);
// The same with the bytes handed over by `produce`, which passes them to the
// sink it is given, in order: `size` bytes in all, or the file is not kept.
// A failed production fails with its own code.
CxResult WriteNewHeldFileFrom(const char16_t* path, uint64_t size,
                              const std::function<CxResult(const ByteSink&)>& produce,
                              HeldFile* held);

// Creates `path` as a new folder and holds it, so that it can be neither
// renamed nor removed while held; files may still be made inside it.
// CX_WIN_ERROR_ALREADY_EXISTS when the name is taken; CX_E_FAIL when what
// opens afterwards is no plain folder. `held` is untouched on failure.
CxResult CreateNewHeldFolder(const char16_t* path, HeldFile* held);
