// The image engine's byte and pixel work that needs no GDI: decoding PNG,
// BMP and GIF data (stb_image, in stb_image_impl.cpp), turning RGBA into the
// premultiplied B, G, R, A pixels of a 32-bit DIB with the colour key, the
// alpha of icons drawn without an alpha channel, and reading the directory
// of an icon file.
//
// Size limits, so a hostile header cannot ask for gigabytes: a frame is at
// most kMaxImageDimension pixels wide and high, and no decoder allocation,
// including the block holding all frames of a GIF, exceeds
// kMaxDecodeBlockBytes. Larger images are refused as bad data.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/result_codes.h"

constexpr int32_t kMaxImageDimension = 4096;
constexpr size_t kMaxDecodeBlockBytes = size_t{80} << 20;  // 80 MiB

// CX_OK and the frame's byte count (width * height * 4) when both sides are
// 1..kMaxImageDimension; CX_E_BAD_DATA otherwise (`bytes` untouched).
CxResult CheckFrameSize(int32_t width, int32_t height, size_t* bytes);

// Writes `pixelCount` pixels as B, G, R, A: alpha copied; colour scaled by
// alpha / 255 (integer division) when alpha is below 255, else copied. A
// stored pixel equal to `colourKey` (read as a little-endian 32-bit value of
// those four bytes) becomes 0, 0, 0, 0. Returns true when any pixel is not
// fully opaque or was keyed. `rgba` and `bgra` may be the same buffer.
bool ConvertRgbaToPremultipliedBgra(const uint8_t* rgba, size_t pixelCount, uint32_t colourKey,
                                    uint8_t* bgra);

// For an icon drawn into a cleared 32-bit DIB: when no pixel has a nonzero
// alpha byte (the icon has no alpha channel), pixels whose mask bit was
// opaque (`opaque[i]` nonzero) get alpha 255 and the others become
// 0, 0, 0, 0, so the frame stays valid premultiplied data. Icons with alpha
// are left alone.
void ApplyIconMaskAlpha(uint8_t* bgra, const uint8_t* opaque, size_t pixelCount);

// One image of an icon file: its bytes are data[offset, offset + size).
struct IconImageEntry {
  uint32_t offset = 0;
  uint32_t size = 0;
};

// Reads an icon file's directory. Fails with CX_E_BAD_DATA for fewer than
// 22 bytes, a type other than 1, no entries, or no entry whose record and
// image both lie inside the data (entries that do not are skipped). With
// more entries than `capacity` it stores the entry count in `*needed` (if
// given) and returns CX_E_BUFFER_TOO_SMALL. `entries` is filled only on
// CX_OK.
CxResult ListIconImages(const uint8_t* data, size_t size, uint32_t capacity,
                        std::vector<IconImageEntry>* entries, uint32_t* needed);

// Frees a block handed out by the decoder.
struct DecodedBlockFree {
  void operator()(uint8_t* block) const;
};

// Decoded RGBA frames of one image: frameCount blocks of width * height * 4
// bytes, one after the other, and (for GIF) each frame's delay in ms.
struct DecodedPixels {
  std::unique_ptr<uint8_t, DecodedBlockFree> pixels;
  int32_t width = 0;
  int32_t height = 0;
  int32_t frameCount = 0;
  std::vector<int32_t> delaysMs;
  const uint8_t* Frame(int32_t index) const {
    return pixels.get() + static_cast<size_t>(index) * static_cast<size_t>(width) *
                              static_cast<size_t>(height) * 4;
  }
};

// Every frame of a GIF. CX_E_BAD_DATA when the bytes are not a GIF, are
// malformed, exceed the size limits or give no delay table; `out` is then
// untouched.
CxResult DecodeGifPixels(const uint8_t* data, size_t size, DecodedPixels* out);
// One PNG, BMP or GIF image as a single frame (no delays). CX_E_BAD_DATA on
// any decoding failure; `out` is then untouched.
CxResult DecodeStillPixels(const uint8_t* data, size_t size, DecodedPixels* out);
