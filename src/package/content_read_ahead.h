// ContentReadAhead: a compressed package's content decoded in order on a
// thread of its own, a little ahead of the reads, so that decoding the next
// bytes and writing the last ones (a tree copy, a folder's extraction) use
// two processors instead of taking turns on one. A read that starts where
// the previous one ended takes what was decoded ahead; any other read
// starts the decoding over at its offset (from the start of its frame).
//
// At most kReadAheadBytes wait decoded, besides the decoder's own window.
// One reader at a time (the package is not shared between threads); the
// frames must stay as they are while the object lives.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "common/byte_sink.h"
#include "common/result_codes.h"
#include "package/byte_reader.h"

constexpr size_t kReadAheadBytes = 4u << 20;

class ContentReadAhead {
 public:
  struct Frame {
    ByteSpan bytes;
    uint32_t contentStart;
    uint32_t contentSize;
  };
  // `frames` in content order, their contents one after the other; `checkSum`
  // false skips the frames' checksums (already checked).
  ContentReadAhead(std::vector<Frame> frames, bool checkSum);
  ~ContentReadAhead();
  ContentReadAhead(const ContentReadAhead&) = delete;
  ContentReadAhead& operator=(const ContentReadAhead&) = delete;

  // Hands the content bytes [offset, offset+size) to `sink` in order. The
  // range must lie inside the content. CX_E_BAD_DATA when a frame on the
  // way is damaged, CX_E_FAIL when the sink said stop, CX_E_OUT_OF_MEMORY
  // when no thread or decoder can be had.
  CxResult Read(uint32_t offset, uint32_t size, const ByteSink& sink);

 private:
  struct Piece {
    std::vector<uint8_t> bytes;
    size_t used;     // bytes already handed out
    CxResult error;  // set: the decoding stopped after `bytes`
  };
  void Produce();

  std::vector<Frame> frames_;
  bool checkSum_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<Piece> ready_;
  size_t readyBytes_ = 0;
  uint64_t generation_ = 0;   // bumped at each restart; older pieces are stale
  uint32_t restartAt_ = 0;    // where the producer starts for generation_
  uint32_t expected_ = 0;     // where the next read continues without a restart
  bool started_ = false;      // a generation is running
  bool stop_ = false;
  std::thread producer_;
};
