// Pixel conversion and icon directory reading for the image engine.
#include "ui/pixel_convert.h"

#include <cstring>

CxResult CheckFrameSize(int32_t width, int32_t height, size_t* bytes) {
  if (!bytes || width <= 0 || height <= 0 || width > kMaxImageDimension ||
      height > kMaxImageDimension)
    return CX_E_BAD_DATA;
  *bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
  return CX_OK;
}

bool ConvertRgbaToPremultipliedBgra(const uint8_t* rgba, size_t pixelCount, uint32_t colourKey,
                                    uint8_t* bgra) {
  bool hasAlpha = false;
  for (size_t i = 0; i < pixelCount; ++i) {
    const uint8_t* s = rgba + i * 4;
    uint8_t* d = bgra + i * 4;
    const unsigned r = s[0], g = s[1], b = s[2], a = s[3];
    if (a < 255) {
      d[0] = static_cast<uint8_t>(b * a / 255);
      d[1] = static_cast<uint8_t>(g * a / 255);
      d[2] = static_cast<uint8_t>(r * a / 255);
      hasAlpha = true;
    } else {
      d[0] = static_cast<uint8_t>(b);
      d[1] = static_cast<uint8_t>(g);
      d[2] = static_cast<uint8_t>(r);
    }
    d[3] = static_cast<uint8_t>(a);
    const uint32_t stored = uint32_t{d[0]} | uint32_t{d[1]} << 8 | uint32_t{d[2]} << 16 |
                            uint32_t{d[3]} << 24;
    if (stored == colourKey) {
      std::memset(d, 0, 4);
      hasAlpha = true;
    }
  }
  return hasAlpha;
}

void ApplyIconMaskAlpha(uint8_t* bgra, const uint8_t* opaque, size_t pixelCount) {
  for (size_t i = 0; i < pixelCount; ++i)
    if (bgra[i * 4 + 3] != 0) return;
  for (size_t i = 0; i < pixelCount; ++i) {
    uint8_t* p = bgra + i * 4;
    if (opaque[i])
      p[3] = 255;
    else
      std::memset(p, 0, 4);
  }
}

namespace {
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
}  // namespace

CxResult ListIconImages(const uint8_t* data, size_t size, uint32_t capacity,
                        std::vector<IconImageEntry>* entries, uint32_t* needed) {
  if (!data || !entries || size < 22) return CX_E_BAD_DATA;
  if (Le16(data + 2) != 1) return CX_E_BAD_DATA;
  const uint32_t count = Le16(data + 4);
  if (count == 0) return CX_E_BAD_DATA;
  if (count > capacity) {
    if (needed) *needed = count;
    return CX_E_BUFFER_TOO_SMALL;
  }
  std::vector<IconImageEntry> found;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t record = 6 + size_t{i} * 16;
    if (record + 16 > size) break;  // directory cut short
    IconImageEntry e;
    e.size = Le32(data + record + 8);
    e.offset = Le32(data + record + 12);
    // 64-bit sum: a huge offset must not wrap round to look in range.
    if (e.size == 0 || uint64_t{e.offset} + e.size > size) continue;
    found.push_back(e);
  }
  if (found.empty()) return CX_E_BAD_DATA;
  entries->swap(found);
  return CX_OK;
}
