// ContentReadAhead: a compressed package's content decoded in order on a
// thread of its own, a little ahead of the reads, so that decoding and the
// caller's writing use two processors. Frames decode independently, so the
// thread goes on to the next frame while the caller still reads the last
// one's bytes. A read that starts where the previous one ended takes what
// was decoded ahead; any other read starts the decoding over at its offset
// (from the start of its frame).
//
// Memory: the decoding thread holds one zstd window (zstd_frame_reader.h),
// and at most kReadAheadBytes wait decoded for each of the (at most two)
// frames being read. One reader at a time (readers of one package in other
// threads are objects of their own); the frames must stay as they are
// while the object lives.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

#include "common/byte_sink.h"
#include "common/result_codes.h"
#include "package/byte_reader.h"

constexpr size_t kReadAheadBytes = 2u << 20;

class ContentReadAhead {
 public:
  struct Frame {
    ByteSpan bytes;
    uint32_t contentStart;
    uint32_t contentSize;
  };
  // `frames` in content order, their contents one after the other.
  explicit ContentReadAhead(std::vector<Frame> frames);
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
  // One frame being decoded, from where the reads need it on.
  struct Job {
    std::deque<Piece> ready;
    size_t readyBytes = 0;
    bool done = false;  // its last piece is in `ready`
  };
  void Decode();
  // The frame holding content position `at`, or frames_.size() past the end.
  size_t FrameAt(uint32_t at) const;

  std::vector<Frame> frames_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::list<Job> jobs_;     // the frames claimed, in content order
  size_t nextFrame_ = 0;    // the next frame to claim
  uint32_t nextFrom_ = 0;   // where in it decoding starts
  uint64_t generation_ = 0; // bumped at each restart; jobs of older ones are gone
  uint32_t expected_ = 0;   // where the next read continues without a restart
  bool started_ = false;    // a generation is running
  bool stop_ = false;
  std::thread decoder_;
};
