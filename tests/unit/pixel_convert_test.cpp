// Decoding, premultiplication, the colour key and icon directories, natively.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "ui/pixel_convert.h"

namespace {

std::vector<uint8_t> ReadData(const char* name) {
  std::ifstream in(std::string(CX_TEST_DATA_DIR) + "/image/" + name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Put32(std::vector<uint8_t>* d, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*d)[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

TEST(PixelConvert, PremultipliesAndKeys) {
  struct { uint8_t rgba[4]; uint32_t key; uint8_t bgra[4]; bool hasAlpha; } cases[] = {
      {{200, 100, 50, 128}, 0, {25, 50, 100, 128}, true},         // half alpha scales colour
      {{90, 80, 70, 0}, 0, {0, 0, 0, 0}, true},                   // transparent colour dropped
      {{0, 0, 0, 255}, 0, {0, 0, 0, 255}, false},                 // opaque black is not key 0
      {{255, 0, 255, 255}, 0xFFFF00FFu, {0, 0, 0, 0}, true},      // keyed
      {{200, 100, 50, 128}, 0x80C86432u, {25, 50, 100, 128}, true},  // key compared after
      {{200, 100, 50, 128}, 0x80643219u, {0, 0, 0, 0}, true},        // premultiplying
  };
  for (const auto& c : cases) {
    uint8_t out[4] = {9, 9, 9, 9};
    EXPECT_EQ(ConvertRgbaToPremultipliedBgra(c.rgba, 1, c.key, out), c.hasAlpha) << (&c - cases);
    EXPECT_EQ(std::memcmp(out, c.bgra, 4), 0) << (&c - cases);
  }
  std::vector<uint8_t> px = {1, 2, 3, 0, 4, 5, 6, 0};
  const uint8_t mask[] = {1, 0};
  ApplyIconMaskAlpha(px.data(), mask, 2);  // no alpha channel: the mask gives it
  EXPECT_EQ(px, (std::vector<uint8_t>{1, 2, 3, 255, 0, 0, 0, 0}));
}

TEST(IconDirectory, EntriesOutsideTheDataAreNotRead) {
  // A directory claiming 200 entries with one 8-byte image after its one record.
  std::vector<uint8_t> d(6 + 16 + 8, 0);
  d[2] = 1, d[4] = 200;
  Put32(&d, 6 + 8, 8);
  Put32(&d, 6 + 12, 22);
  std::vector<IconImageEntry> entries;
  ASSERT_EQ(ListIconImages(d.data(), d.size(), 256, &entries, nullptr), CX_OK);
  EXPECT_EQ(entries.size(), 1u);  // only the record that is there
  Put32(&d, 6 + 8, 0x20);         // offset + size wrapping round 32 bits
  Put32(&d, 6 + 12, 0xFFFFFFF0u);
  EXPECT_EQ(ListIconImages(d.data(), d.size(), 256, &entries, nullptr), CX_E_BAD_DATA);
}

TEST(Decode, MalformedDataFailsAndLeavesOutput) {
  const auto gif = ReadData("anim.gif"), bmp = ReadData("opaque.bmp");
  auto wide = bmp;
  Put32(&wide, 18, 5000);  // width beyond the limit
  const std::vector<uint8_t> inputs[] = {ReadData("truncated.png"), {gif.begin(), gif.begin() + 12}, wide};
  for (const auto& in : inputs) {
    DecodedPixels d;
    d.width = 77;
    EXPECT_EQ(DecodeStillPixels(in.data(), in.size(), &d), CX_E_BAD_DATA) << (&in - inputs);
    EXPECT_EQ(DecodeGifPixels(in.data(), in.size(), &d), CX_E_BAD_DATA) << (&in - inputs);
    EXPECT_TRUE(d.width == 77 && !d.pixels) << (&in - inputs);
  }
}

// A 2048 x 2048 GIF of one-pixel frames, each decoding to 16 MiB.
std::vector<uint8_t> ManyFrameGif(int frames) {
  std::vector<uint8_t> g = {'G', 'I', 'F', '8', '9', 'a', 0, 8, 0, 8, 0x80, 0, 0, 0, 0, 0, 255, 255, 255};
  const uint8_t frame[] = {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0};
  for (int i = 0; i < frames; ++i) g.insert(g.end(), std::begin(frame), std::end(frame));
  g.push_back(0x3B);
  return g;
}

TEST(Decode, GifFrameBlockIsBounded) {
  auto two = ManyFrameGif(2), eight = ManyFrameGif(8);  // 8: 128 MiB of frames
  DecodedPixels d, e;
  ASSERT_EQ(DecodeGifPixels(two.data(), two.size(), &d), CX_OK);
  EXPECT_EQ(d.frameCount, 2);
  EXPECT_EQ(DecodeGifPixels(eight.data(), eight.size(), &e), CX_E_BAD_DATA);
}

}  // namespace
