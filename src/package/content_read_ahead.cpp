// Decoding a compressed package's content ahead of its reads.
#include "package/content_read_ahead.h"

#include <algorithm>
#include <new>
#include <system_error>

#include "package/zstd_frame_reader.h"

namespace {
// Decoded bytes travel between the threads in pieces of this size at most.
constexpr uint32_t kPieceBytes = 256 * 1024;
}  // namespace

ContentReadAhead::ContentReadAhead(std::vector<Frame> frames) : frames_(std::move(frames)) {}

ContentReadAhead::~ContentReadAhead() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    stop_ = true;
  }
  changed_.notify_all();
  if (decoder_.joinable()) decoder_.join();
}

size_t ContentReadAhead::FrameAt(uint32_t at) const {
  // The last frame starting at or before `at`, or the first with content
  // after that (frames without content start where the next one does).
  auto it = std::upper_bound(frames_.begin(), frames_.end(), at,
                             [](uint32_t v, const Frame& f) { return v < f.contentStart; });
  size_t f = it == frames_.begin() ? 0 : size_t(it - frames_.begin()) - 1;
  while (f < frames_.size() && at >= uint64_t(frames_[f].contentStart) + frames_[f].contentSize) ++f;
  return f;
}

void ContentReadAhead::Decode() {
  ZstdFrameReader reader;
  size_t lastFrame = frames_.size();  // the frame `reader` holds
  for (;;) {
    Job* job = nullptr;
    uint64_t generation = 0;
    size_t index = 0;  // the frame claimed
    uint32_t at = 0;   // the content position within it decoded next
    {
      std::unique_lock<std::mutex> hold(lock_);
      // The next frame, once the one before is decoded and at most the
      // reader's current one waits besides.
      auto claimable = [&] {
        return started_ && nextFrame_ < frames_.size() && jobs_.size() <= 1 &&
               (jobs_.empty() || jobs_.back().done);
      };
      changed_.wait(hold, [&] { return stop_ || claimable(); });
      if (stop_) return;
      jobs_.emplace_back();
      job = &jobs_.back();
      generation = generation_;
      index = nextFrame_;
      at = nextFrom_;
      ++nextFrame_;
      nextFrom_ = 0;
    }
    // Only this thread fills `job`, and only under the lock while the
    // generation holds: a restart removes the jobs of the one before.
    const Frame& frame = frames_[index];
    CxResult r = CX_OK;
    if (!reader.Active() || lastFrame != index || reader.Position() > at) {
      r = reader.Begin(frame.bytes, frame.contentSize);
      lastFrame = index;
    }
    if (r == CX_OK) r = reader.Read(at - reader.Position(), nullptr);
    for (bool last = false; !last;) {
      {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait(hold, [&] {
          return stop_ || generation_ != generation || job->readyBytes < kReadAheadBytes;
        });
        if (stop_) return;
        if (generation_ != generation) break;
      }
      const uint32_t take = std::min<uint32_t>(kPieceBytes, frame.contentSize - at);
      Piece piece{{}, 0, r};
      if (r == CX_OK) {
        try {
          piece.bytes.resize(take);
          r = reader.ReadTo(piece.bytes.data(), take);
          // A frame must end where it said: one that goes on is refused
          // with its last piece.
          if (r == CX_OK && at + take == frame.contentSize) r = reader.Finish();
        } catch (const std::bad_alloc&) {
          r = CX_E_OUT_OF_MEMORY;
        }
        if (r != CX_OK) piece.bytes.clear();  // what was decoded is not handed out
        piece.error = r;
      }
      at += take;
      last = r != CX_OK || at == frame.contentSize;
      if (r != CX_OK) reader.Stop();
      std::lock_guard<std::mutex> hold(lock_);
      if (generation_ != generation) break;
      job->readyBytes += piece.bytes.size();
      job->ready.push_back(std::move(piece));
      job->done = last;
      changed_.notify_all();
    }
  }
}

CxResult ContentReadAhead::Read(uint32_t offset, uint32_t size, const ByteSink& sink) {
  if (size == 0) return CX_OK;
  std::unique_lock<std::mutex> hold(lock_);
  if (!decoder_.joinable()) {
    try {
      decoder_ = std::thread(&ContentReadAhead::Decode, this);
    } catch (const std::system_error&) {
      return CX_E_OUT_OF_MEMORY;
    }
  }
  if (!started_ || offset != expected_) {
    const size_t frame = FrameAt(offset);
    if (frame >= frames_.size()) return CX_E_BAD_DATA;
    ++generation_;
    jobs_.clear();
    nextFrame_ = frame;
    nextFrom_ = offset - frames_[frame].contentStart;
    started_ = true;
    expected_ = offset;
    changed_.notify_all();
  }
  for (uint32_t left = size; left > 0;) {
    changed_.wait(hold, [&] { return !jobs_.empty() && !jobs_.front().ready.empty(); });
    // Only this thread takes pieces out and removes jobs, so the front
    // stays while unlocked.
    Job& job = jobs_.front();
    Piece& piece = job.ready.front();
    const uint32_t available = uint32_t(piece.bytes.size() - piece.used);
    if (available == 0 && piece.error != CX_OK) {
      started_ = false;  // the next read starts over, and fails here again
      return piece.error;
    }
    const uint32_t take = std::min(left, available);
    if (take > 0) {
      hold.unlock();
      const bool taken = sink(piece.bytes.data() + piece.used, take);
      hold.lock();
      if (!taken) {
        started_ = false;
        return CX_E_FAIL;
      }
    }
    piece.used += take;
    expected_ += take;
    left -= take;
    if (piece.used == piece.bytes.size()) {
      job.readyBytes -= piece.bytes.size();
      job.ready.pop_front();
      if (job.done && job.ready.empty()) jobs_.pop_front();
      changed_.notify_all();
    }
  }
  return CX_OK;
}
