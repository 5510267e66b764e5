// The one stb_image translation unit: PNG, BMP and GIF from memory only,
// with every allocation bounded (see pixel_convert.h for the limits).
#include <cstdlib>
#include <cstring>

#include "ui/pixel_convert.h"

namespace {
void* BoundedMalloc(size_t size) { return size > kMaxDecodeBlockBytes ? nullptr : std::malloc(size); }
void* BoundedRealloc(void* block, size_t size) {
  return size > kMaxDecodeBlockBytes ? nullptr : std::realloc(block, size);
}
}  // namespace

#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 4096
#define STBI_MALLOC(size) BoundedMalloc(size)
#define STBI_REALLOC(block, size) BoundedRealloc(block, size)
#define STBI_FREE(block) std::free(block)
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#endif
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

static_assert(STBI_MAX_DIMENSIONS == kMaxImageDimension, "decoder and frame limits agree");

void DecodedBlockFree::operator()(uint8_t* block) const { stbi_image_free(block); }

namespace {
using Block = std::unique_ptr<uint8_t, DecodedBlockFree>;
struct IntBlockFree {
  void operator()(int* p) const { stbi_image_free(p); }
};

bool FitsInt(size_t size) { return size > 0 && size <= 0x7FFFFFFF; }

uint32_t Le(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

// The decoder pads a cut-off BMP with black instead of failing, so an
// uncompressed BMP must hold all the rows its header promises.
bool BmpCutShort(const uint8_t* data, size_t size) {
  if (size < 26 || data[0] != 'B' || data[1] != 'M') return false;
  const uint32_t pixelsAt = Le(data + 10, 4);
  const uint32_t headerSize = Le(data + 14, 4);
  int64_t width, height;
  uint32_t bpp, compression = 0;
  if (headerSize == 12) {
    width = Le(data + 18, 2);
    height = Le(data + 20, 2);
    bpp = Le(data + 24, 2);
  } else {
    if (size < 34) return true;
    width = static_cast<int32_t>(Le(data + 18, 4));
    height = static_cast<int32_t>(Le(data + 22, 4));
    bpp = Le(data + 28, 2);
    compression = Le(data + 30, 4);
  }
  if (compression != 0 && compression != 3 && compression != 6) return false;  // RLE: decoder checks
  if (width <= 0 || width > kMaxImageDimension || height == 0 || bpp == 0 || bpp > 32)
    return false;  // the decoder rejects these itself
  if (height < 0) height = -height;
  const int64_t stride = (width * bpp + 31) / 32 * 4;
  return int64_t{pixelsAt} + stride * height > static_cast<int64_t>(size);
}
}  // namespace

CxResult DecodeGifPixels(const uint8_t* data, size_t size, DecodedPixels* out) {
  if (!data || !out || !FitsInt(size)) return CX_E_BAD_DATA;
  int* delays = nullptr;
  int w = 0, h = 0, frames = 0, comp = 0;
  Block pixels(stbi_load_gif_from_memory(data, static_cast<int>(size), &delays, &w, &h, &frames,
                                         &comp, 4));
  // When it runs out of memory the decoder frees the delay table itself but
  // leaves the pointer set, so the table is only ours next to pixels.
  std::unique_ptr<int, IntBlockFree> delayTable(pixels ? delays : nullptr);
  size_t frameBytes = 0;
  if (!pixels || !delayTable || frames <= 0 || CheckFrameSize(w, h, &frameBytes) != CX_OK)
    return CX_E_BAD_DATA;
  DecodedPixels result;
  result.delaysMs.assign(delayTable.get(), delayTable.get() + frames);
  result.pixels = std::move(pixels);
  result.width = w;
  result.height = h;
  result.frameCount = frames;
  *out = std::move(result);
  return CX_OK;
}

CxResult DecodeStillPixels(const uint8_t* data, size_t size, DecodedPixels* out) {
  if (!data || !out || !FitsInt(size) || BmpCutShort(data, size)) return CX_E_BAD_DATA;
  int w = 0, h = 0, comp = 0;
  Block pixels(stbi_load_from_memory(data, static_cast<int>(size), &w, &h, &comp, 4));
  size_t frameBytes = 0;
  if (!pixels || CheckFrameSize(w, h, &frameBytes) != CX_OK) return CX_E_BAD_DATA;
  DecodedPixels result;
  result.pixels = std::move(pixels);
  result.width = w;
  result.height = h;
  result.frameCount = 1;
  *out = std::move(result);
  return CX_OK;
}
