// Decoding zstd frames as a stream, with the package's limits.
#include "package/zstd_frame_reader.h"

#include <new>
#include <vector>

#define ZSTD_STATIC_LINKING_ONLY  // ZSTD_d_forceIgnoreChecksum, ZSTD_getFrameHeader
#include <zstd.h>

#include "common/scoped_resource.h"

namespace {

struct DCtxTraits {
  using Type = ZSTD_DCtx*;
  static Type Invalid() { return nullptr; }
  static void Close(Type d) { ZSTD_freeDCtx(d); }
};

// Decoded bytes are handed on in pieces of this size.
constexpr size_t kPieceBytes = 256 * 1024;

}  // namespace

struct ZstdFrameReader::Decoder {
  ScopedResource<DCtxTraits> context;
  std::vector<uint8_t> piece;
};

CxResult CheckZstdFrame(ByteSpan frame, uint64_t contentSize) {
  if (!frame.data || frame.size == 0) return CX_E_BAD_DATA;
  ZSTD_frameHeader header;
  if (ZSTD_getFrameHeader(&header, frame.data, frame.size) != 0) return CX_E_BAD_DATA;
  if (header.frameType != ZSTD_frame || header.frameContentSize != contentSize || header.dictID != 0 ||
      header.windowSize > (1ull << kZstdMaxWindowLog))
    return CX_E_BAD_DATA;
  // Walks the block headers: a cut frame, or bytes after its end, show here.
  const size_t length = ZSTD_findFrameCompressedSize(frame.data, frame.size);
  if (ZSTD_isError(length) || length != frame.size) return CX_E_BAD_DATA;
  return CX_OK;
}

ZstdFrameReader::ZstdFrameReader() = default;
ZstdFrameReader::~ZstdFrameReader() = default;

CxResult ZstdFrameReader::Fail(CxResult code) {
  active_ = false;
  return code;
}

CxResult ZstdFrameReader::Begin(ByteSpan frame, uint64_t contentSize) {
  active_ = false;
  if (CheckZstdFrame(frame, contentSize) != CX_OK) return CX_E_BAD_DATA;
  if (!decoder_) {
    std::unique_ptr<Decoder> made(new (std::nothrow) Decoder);
    if (!made) return CX_E_OUT_OF_MEMORY;
    made->context.Reset(ZSTD_createDCtx());
    if (!made->context) return CX_E_OUT_OF_MEMORY;
    made->piece.resize(kPieceBytes);
    decoder_ = std::move(made);
  }
  ZSTD_DCtx* d = decoder_->context.Get();
  if (ZSTD_isError(ZSTD_DCtx_reset(d, ZSTD_reset_session_and_parameters)) ||
      ZSTD_isError(ZSTD_DCtx_setParameter(d, ZSTD_d_windowLogMax, kZstdMaxWindowLog)) ||
      ZSTD_isError(ZSTD_DCtx_setParameter(d, ZSTD_d_forceIgnoreChecksum, ZSTD_d_ignoreChecksum)))
    return CX_E_FAIL;
  frame_ = frame;
  consumed_ = 0;
  size_ = contentSize;
  position_ = 0;
  ended_ = false;
  active_ = true;
  return CX_OK;
}

CxResult ZstdFrameReader::Read(uint64_t count, const ByteSink* sink) {
  if (!active_ || count > size_ - position_) return Fail(CX_E_INVALID_ARG);
  uint8_t* piece = decoder_->piece.data();
  while (count > 0) {
    const size_t n = size_t(count < kPieceBytes ? count : kPieceBytes);
    const CxResult r = Decode(piece, n);
    if (r != CX_OK) return r;
    if (sink && !(*sink)(piece, n)) return Fail(CX_E_FAIL);
    count -= n;
  }
  return CX_OK;
}

CxResult ZstdFrameReader::Decode(uint8_t* out, size_t count) {
  ZSTD_DCtx* d = decoder_->context.Get();
  // Never more than asked for: the output ends where the request does.
  ZSTD_outBuffer buffer = {out, count, 0};
  while (buffer.pos < count) {
    if (ended_) return Fail(CX_E_BAD_DATA);  // fewer bytes than declared
    ZSTD_inBuffer in = {frame_.data, frame_.size, consumed_};
    const size_t before = buffer.pos;
    const size_t hint = ZSTD_decompressStream(d, &buffer, &in);
    if (ZSTD_isError(hint)) return Fail(CX_E_BAD_DATA);
    const bool progressed = buffer.pos > before || in.pos > consumed_;
    consumed_ = in.pos;
    ended_ = hint == 0;
    position_ += buffer.pos - before;
    if (!progressed) return Fail(CX_E_BAD_DATA);  // the input ran out mid-frame
  }
  return CX_OK;
}

CxResult ZstdFrameReader::Finish() {
  if (!active_) return CX_E_INVALID_ARG;
  CxResult r = Read(size_ - position_, nullptr);
  if (r != CX_OK) return r;
  // All declared bytes are out; the frame must now end without giving one
  // byte more.
  ZSTD_DCtx* d = decoder_->context.Get();
  while (!ended_) {
    uint8_t extra = 0;
    ZSTD_outBuffer out = {&extra, 1, 0};
    ZSTD_inBuffer in = {frame_.data, frame_.size, consumed_};
    const size_t hint = ZSTD_decompressStream(d, &out, &in);
    if (ZSTD_isError(hint) || out.pos > 0 || (hint != 0 && in.pos == consumed_))
      return Fail(CX_E_BAD_DATA);
    consumed_ = in.pos;
    ended_ = hint == 0;
  }
  active_ = false;
  return consumed_ == frame_.size ? CX_OK : CX_E_BAD_DATA;
}
