// Decoding, premultiplication, the colour key and icon directories, natively
// under the sanitizers.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ui/pixel_convert.h"

namespace {

std::vector<uint8_t> ReadData(const char* name) {
  std::ifstream in(std::string(CX_TEST_DATA_DIR) + "/image/" + name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Put16(std::vector<uint8_t>* d, size_t at, uint16_t v) {
  (*d)[at] = static_cast<uint8_t>(v);
  (*d)[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>* d, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*d)[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

TEST(PixelConvert, PremultipliesAndKeys) {
  struct {
    const char* what;
    uint8_t rgba[4];
    uint32_t key;
    uint8_t bgra[4];
    bool hasAlpha;
  } cases[] = {
      {"half alpha scales colour", {200, 100, 50, 128}, 0, {25, 50, 100, 128}, true},
      {"opaque copied unscaled", {200, 100, 50, 255}, 0, {50, 100, 200, 255}, false},
      {"transparent colour dropped", {90, 80, 70, 0}, 0, {0, 0, 0, 0}, true},
      {"opaque black is not key 0", {0, 0, 0, 255}, 0, {0, 0, 0, 255}, false},
      {"opaque magenta keyed", {255, 0, 255, 255}, 0xFFFF00FFu, {0, 0, 0, 0}, true},
      // The key is compared with the stored (premultiplied) pixel, not the source.
      {"straight colour not keyed", {200, 100, 50, 128}, 0x80C86432u, {25, 50, 100, 128}, true},
      {"premultiplied colour keyed", {200, 100, 50, 128}, 0x80643219u, {0, 0, 0, 0}, true},
  };
  for (const auto& c : cases) {
    uint8_t out[4] = {9, 9, 9, 9};
    EXPECT_EQ(ConvertRgbaToPremultipliedBgra(c.rgba, 1, c.key, out), c.hasAlpha) << c.what;
    EXPECT_EQ(std::memcmp(out, c.bgra, 4), 0) << c.what;
  }
}

TEST(PixelConvert, IconMaskGivesAlphaOnlyWithoutAlphaChannel) {
  const uint8_t opaque[] = {1, 0};
  std::vector<uint8_t> noAlpha = {1, 2, 3, 0, 4, 5, 6, 0}, withAlpha = {1, 2, 3, 0, 4, 5, 6, 7};
  ApplyIconMaskAlpha(noAlpha.data(), opaque, 2);
  EXPECT_EQ(noAlpha, (std::vector<uint8_t>{1, 2, 3, 255, 0, 0, 0, 0}));  // masked-out colour dropped
  ApplyIconMaskAlpha(withAlpha.data(), opaque, 2);
  EXPECT_EQ(withAlpha, (std::vector<uint8_t>{1, 2, 3, 0, 4, 5, 6, 7}));
}

// A directory of `count` entries, each image 8 bytes long, placed after it.
std::vector<uint8_t> IconDirectory(uint16_t count, size_t records) {
  std::vector<uint8_t> d(6 + records * 16 + records * 8, 0);
  Put16(&d, 2, 1);
  Put16(&d, 4, count);
  for (size_t i = 0; i < records; ++i) {
    Put32(&d, 6 + i * 16 + 8, 8);
    Put32(&d, 6 + i * 16 + 12, static_cast<uint32_t>(6 + records * 16 + i * 8));
  }
  return d;
}

TEST(IconDirectory, RejectsBadHeadersAndOutOfRangeEntries) {
  std::vector<IconImageEntry> entries(1);
  uint32_t needed = 0;
  auto ok = IconDirectory(2, 2);
  ASSERT_EQ(ListIconImages(ok.data(), ok.size(), 256, &entries, nullptr), CX_OK);
  EXPECT_EQ(entries.size(), 2u);

  auto cursor = ok;
  Put16(&cursor, 2, 2);  // type 2 is a cursor file
  EXPECT_EQ(ListIconImages(cursor.data(), cursor.size(), 256, &entries, nullptr), CX_E_BAD_DATA);
  EXPECT_EQ(ListIconImages(ok.data(), 21, 256, &entries, nullptr), CX_E_BAD_DATA);

  // More entries than room: the count is reported.
  auto many = IconDirectory(300, 1);
  EXPECT_EQ(ListIconImages(many.data(), many.size(), 256, &entries, &needed),
            CX_E_BUFFER_TOO_SMALL);
  EXPECT_EQ(needed, 300u);

  // Directory claims 200 records but the data holds one: only that one is read.
  auto cut = IconDirectory(200, 1);
  ASSERT_EQ(ListIconImages(cut.data(), cut.size(), 256, &entries, nullptr), CX_OK);
  EXPECT_EQ(entries.size(), 1u);

  // Offset + size wrapping round 32 bits must not pass the range check.
  auto wrap = IconDirectory(1, 1);
  Put32(&wrap, 6 + 8, 0x20);
  Put32(&wrap, 6 + 12, 0xFFFFFFF0u);
  entries.assign(3, IconImageEntry{});
  EXPECT_EQ(ListIconImages(wrap.data(), wrap.size(), 256, &entries, nullptr), CX_E_BAD_DATA);
  EXPECT_EQ(entries.size(), 3u);  // untouched on failure
}

TEST(Decode, MalformedDataFailsAndLeavesOutput) {
  std::vector<std::pair<const char*, std::vector<uint8_t>>> inputs;
  inputs.push_back({"truncated png", ReadData("truncated.png")});
  auto gif = ReadData("anim.gif");
  inputs.push_back({"gif cut in its header", std::vector<uint8_t>(gif.begin(), gif.begin() + 12)});
  auto bmp = ReadData("opaque.bmp");
  auto wide = bmp;
  Put32(&wide, 18, 5000);  // width beyond the limit
  inputs.push_back({"bmp too wide", wide});
  auto huge = bmp;
  Put32(&huge, 18, 4096);  // allowed size, but the pixels are not there
  Put32(&huge, 22, 4096);
  inputs.push_back({"bmp pixels missing", huge});
  for (auto& in : inputs) {
    DecodedPixels d;
    d.width = 77;
    EXPECT_EQ(DecodeStillPixels(in.second.data(), in.second.size(), &d), CX_E_BAD_DATA) << in.first;
    EXPECT_EQ(DecodeGifPixels(in.second.data(), in.second.size(), &d), CX_E_BAD_DATA) << in.first;
    EXPECT_EQ(d.width, 77) << in.first;
    EXPECT_FALSE(d.pixels) << in.first;
  }
}

// A GIF with a 2048 x 2048 canvas and `frames` one-pixel frames: a few bytes
// per frame that each decode to 16 MiB.
std::vector<uint8_t> ManyFrameGif(int frames) {
  std::vector<uint8_t> g = {'G', 'I', 'F', '8', '9', 'a', 0x00, 0x08, 0x00, 0x08, 0x80, 0, 0,
                            0, 0, 0, 255, 255, 255};
  for (int i = 0; i < frames; ++i) {
    const uint8_t frame[] = {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0};
    g.insert(g.end(), std::begin(frame), std::end(frame));
  }
  g.push_back(0x3B);
  return g;
}

TEST(Decode, GifFrameBlockIsBounded) {
  auto two = ManyFrameGif(2);
  DecodedPixels d;
  ASSERT_EQ(DecodeGifPixels(two.data(), two.size(), &d), CX_OK);  // the file itself is sound
  EXPECT_EQ(d.frameCount, 2);
  auto eight = ManyFrameGif(8);  // 128 MiB of frames
  DecodedPixels e;
  EXPECT_EQ(DecodeGifPixels(eight.data(), eight.size(), &e), CX_E_BAD_DATA);
}

}  // namespace
