// Decoding a compressed package's content ahead of its reads.
#include "package/content_read_ahead.h"

#include <algorithm>
#include <system_error>

#include "package/zstd_frame_reader.h"

namespace {
// Decoded bytes travel between the threads in pieces of this size at most.
constexpr uint32_t kPieceBytes = 256 * 1024;
}  // namespace

ContentReadAhead::ContentReadAhead(std::vector<Frame> frames, bool checkSum)
    : frames_(std::move(frames)), checkSum_(checkSum) {}

ContentReadAhead::~ContentReadAhead() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    stop_ = true;
  }
  changed_.notify_all();
  if (producer_.joinable()) producer_.join();
}

void ContentReadAhead::Produce() {
  ZstdFrameReader reader;
  size_t frame = 0;
  uint64_t generation = 0;  // the restart being served; 0: none yet
  uint32_t at = 0;          // the content position decoded next
  bool idle = true;         // nothing to decode until the next restart
  for (;;) {
    {
      std::unique_lock<std::mutex> hold(lock_);
      changed_.wait(hold, [&] {
        return stop_ || generation_ != generation || (!idle && readyBytes_ < kReadAheadBytes);
      });
      if (stop_) return;
      if (generation_ != generation) {
        generation = generation_;
        at = restartAt_;
        idle = false;
      }
    }
    // The frame holding `at`: the last one starting at or before it, or
    // the first with content after that.
    auto it = std::upper_bound(frames_.begin(), frames_.end(), at,
                               [](uint32_t v, const Frame& f) { return v < f.contentStart; });
    size_t f = it == frames_.begin() ? 0 : size_t(it - frames_.begin()) - 1;
    while (f < frames_.size() && at >= uint64_t(frames_[f].contentStart) + frames_[f].contentSize) ++f;
    if (f == frames_.size()) {
      idle = true;  // the end of the content
      continue;
    }
    const Frame& current = frames_[f];
    const uint32_t within = at - current.contentStart;
    CxResult r = CX_OK;
    if (!reader.Active() || frame != f || reader.Position() > within) {
      r = reader.Begin(current.bytes, current.contentSize, checkSum_);
      frame = f;
    }
    if (r == CX_OK) r = reader.Read(within - reader.Position(), nullptr);
    Piece piece{{}, 0, CX_OK};
    const uint32_t take = std::min<uint32_t>(kPieceBytes, current.contentSize - within);
    if (r == CX_OK) {
      try {
        piece.bytes.reserve(take);
      } catch (const std::bad_alloc&) {
        r = CX_E_OUT_OF_MEMORY;
      }
    }
    if (r == CX_OK) {
      const ByteSink keep = [&piece](const uint8_t* p, size_t n) {
        piece.bytes.insert(piece.bytes.end(), p, p + n);
        return true;
      };
      r = reader.Read(take, &keep);
    }
    piece.error = r;
    std::lock_guard<std::mutex> hold(lock_);
    if (generation_ != generation) continue;  // a restart came meanwhile
    readyBytes_ += piece.bytes.size();
    ready_.push_back(std::move(piece));
    changed_.notify_all();
    if (r != CX_OK) {
      idle = true;
      reader.Stop();
    }
    at += take;
  }
}

CxResult ContentReadAhead::Read(uint32_t offset, uint32_t size, const ByteSink& sink) {
  if (size == 0) return CX_OK;
  std::unique_lock<std::mutex> hold(lock_);
  if (!producer_.joinable()) {
    try {
      producer_ = std::thread(&ContentReadAhead::Produce, this);
    } catch (const std::system_error&) {
      return CX_E_OUT_OF_MEMORY;
    }
  }
  if (!started_ || offset != expected_) {
    ++generation_;
    restartAt_ = offset;
    ready_.clear();
    readyBytes_ = 0;
    started_ = true;
    expected_ = offset;
    changed_.notify_all();
  }
  for (uint32_t left = size; left > 0;) {
    changed_.wait(hold, [&] { return !ready_.empty(); });
    // Only this thread takes pieces out, so the front stays while unlocked.
    Piece& piece = ready_.front();
    const uint32_t available = uint32_t(piece.bytes.size() - piece.used);
    if (available == 0) {
      // An error piece: it stays, so a read that continues here fails too.
      started_ = false;
      return piece.error;
    }
    const uint32_t take = std::min(left, available);
    hold.unlock();
    const bool taken = sink(piece.bytes.data() + piece.used, take);
    hold.lock();
    if (!taken) {
      started_ = false;
      return CX_E_FAIL;
    }
    piece.used += take;
    expected_ += take;
    left -= take;
    if (piece.used == piece.bytes.size() && piece.error == CX_OK) {
      readyBytes_ -= piece.bytes.size();
      ready_.pop_front();
      changed_.notify_all();
    }
  }
  return CX_OK;
}
