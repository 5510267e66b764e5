// Reading a compressed package's content, frame by frame.
#include "package/content_reader.h"

#include <algorithm>

size_t ContentReader::FrameAt(uint32_t at) const {
  // The last frame starting at or before `at`, or the first with content
  // after that (frames without content start where the next one does).
  auto it = std::upper_bound(frames_.begin(), frames_.end(), at,
                             [](uint32_t v, const Frame& f) { return v < f.contentStart; });
  size_t f = it == frames_.begin() ? 0 : size_t(it - frames_.begin()) - 1;
  while (f < frames_.size() && at >= uint64_t(frames_[f].contentStart) + frames_[f].contentSize) ++f;
  return f;
}

CxResult ContentReader::Read(uint32_t offset, uint32_t size, const ByteSink& sink) {
  for (uint32_t at = offset, left = size; left > 0;) {
    const size_t f = FrameAt(at);
    if (f >= frames_.size()) return CX_E_BAD_DATA;
    const Frame& frame = frames_[f];
    const uint32_t within = at - frame.contentStart;
    // Goes on where the last read stopped, or starts the frame over.
    if (!reader_.Active() || frame_ != f || reader_.Position() > within) {
      const CxResult r = reader_.Begin(frame.bytes, frame.contentSize);
      if (r != CX_OK) return r;
      frame_ = f;
    }
    CxResult r = reader_.Read(within - reader_.Position(), nullptr);
    const uint32_t take = std::min(left, frame.contentSize - within);
    if (r == CX_OK) r = reader_.Read(take, &sink);
    // A frame must end where it said: one that goes on is refused when its
    // last byte is read.
    if (r == CX_OK && within + take == frame.contentSize) r = reader_.Finish();
    if (r != CX_OK) {
      reader_.Stop();
      return r;
    }
    at += take;
    left -= take;
  }
  return CX_OK;
}
