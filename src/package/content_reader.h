// ContentReader: reads ranges of a compressed package's content, decoding
// its frames (zstd_frame_reader.h) on the calling thread. A read that starts
// where the previous one ended goes on decoding from there, so reading a
// folder's files in table order decodes each frame once; any other read
// starts over at the beginning of its frame. Decoding on the caller's
// thread keeps threads from handing bytes to each other, which under Wine
// costs a call to its server each time: a tree copy gets its parallelism
// from several writers with a reader each instead.
//
// Memory: one zstd window. One thread at a time; the frames must stay as
// they are while the object lives.
#pragma once
#include <cstdint>
#include <vector>

#include "common/byte_sink.h"
#include "common/result_codes.h"
#include "package/byte_reader.h"
#include "package/zstd_frame_reader.h"

class ContentReader {
 public:
  struct Frame {
    ByteSpan bytes;
    uint32_t contentStart;
    uint32_t contentSize;
  };
  // `frames` in content order, their contents one after the other.
  explicit ContentReader(std::vector<Frame> frames) : frames_(std::move(frames)) {}

  // Hands the content bytes [offset, offset+size) to `sink` in order. The
  // range must lie inside the content. CX_E_BAD_DATA when a frame on the
  // way is damaged (one that does not end at its declared size too),
  // CX_E_FAIL when the sink said stop, CX_E_OUT_OF_MEMORY when no decoder
  // can be had.
  CxResult Read(uint32_t offset, uint32_t size, const ByteSink& sink);

 private:
  // The frame holding content position `at`, or frames_.size() past the end.
  size_t FrameAt(uint32_t at) const;

  std::vector<Frame> frames_;
  ZstdFrameReader reader_;
  size_t frame_ = 0;  // the frame reader_ decodes, while it is active
};
