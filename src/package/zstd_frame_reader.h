// Zstandard frames decoded as a stream: the one place that talks to the zstd
// library's decoder. A compressed package's bytes come from a file a user
// may have tampered with, so a frame is taken only when its header declares
// its content size and a window of at most kZstdMaxWindowLog; decoding never
// hands out more than the declared size and checks, at the end, that the
// frame gave exactly that size and no byte of it was left over. Damage is
// the package's checksums' business (compressed_package.h): a checksum a
// frame carries is not checked here.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "common/byte_sink.h"
#include "common/result_codes.h"
#include "package/byte_reader.h"

// The largest window a package frame may use: 2^24 bytes (16 MiB). A
// decoder holds one window, so this bounds the memory decoding takes,
// whatever the package's size.
constexpr int kZstdMaxWindowLog = 24;

// The header checks alone, without decoding: `frame` must be exactly one
// zstd frame (its blocks end at its last byte) declaring `contentSize`, no
// dictionary and a window within the limit. CX_E_BAD_DATA otherwise.
CxResult CheckZstdFrame(ByteSpan frame, uint64_t contentSize);

class ZstdFrameReader {
 public:
  ZstdFrameReader();
  ~ZstdFrameReader();
  ZstdFrameReader(const ZstdFrameReader&) = delete;
  ZstdFrameReader& operator=(const ZstdFrameReader&) = delete;

  // Starts decoding `frame` (which must outlive the decoding) from its first
  // content byte. CX_E_BAD_DATA when CheckZstdFrame refuses it,
  // CX_E_OUT_OF_MEMORY when no decoder can be made.
  CxResult Begin(ByteSpan frame, uint64_t contentSize);
  // Decodes the next `count` content bytes to `sink` (dropped when `sink` is
  // null). CX_E_BAD_DATA when the frame is damaged or ends before them,
  // CX_E_FAIL when the sink said stop, CX_E_INVALID_ARG past the declared
  // size or before Begin. The reader is unusable after a failure until the
  // next Begin.
  CxResult Read(uint64_t count, const ByteSink* sink);
  // Decodes what is left, dropping it, and checks the frame's end (see the
  // top). The reader is then idle.
  CxResult Finish();

  // Leaves the current frame without decoding the rest.
  void Stop() { active_ = false; }
  bool Active() const { return active_; }
  // Content bytes decoded so far in the current frame.
  uint64_t Position() const { return position_; }

 private:
  struct Decoder;
  CxResult Fail(CxResult code);
  // Decodes exactly `count` bytes to `out`.
  CxResult Decode(uint8_t* out, size_t count);

  std::unique_ptr<Decoder> decoder_;
  ByteSpan frame_;
  size_t consumed_ = 0;
  uint64_t size_ = 0;
  uint64_t position_ = 0;
  bool active_ = false;
  bool ended_ = false;  // the decoder reported the frame complete
};
