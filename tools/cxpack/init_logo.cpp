// Drawing the placeholder logo: a blue gradient, a gold diamond and two
// light bars where the product's name and line would go.
#include "init_logo.h"

#include <cstdint>
#include <cstdlib>

namespace {

constexpr int kWidth = 438, kHeight = 98;
constexpr int kShades = 12;  // palette 0..11: the gradient
constexpr uint8_t kGold = 12, kLight = 13, kDark = 14;

struct Rgb {
  uint8_t r, g, b;
};

uint8_t PixelAt(int x, int y) {
  const int dx = std::abs(x - 44), dy = std::abs(y - 49);
  if (dx * 32 + dy * 20 <= 640) return dx * 32 + dy * 20 <= 256 ? kDark : kGold;  // the diamonds
  if (x >= 84 && x < 300 && y >= 36 && y < 58) return kLight;
  if (x >= 86 && x < 230 && y >= 68 && y < 74) return kLight;
  return uint8_t(x * kShades / kWidth);
}

void PutU16(std::string* out, uint32_t v) {
  out->push_back(char(v & 0xFF));
  out->push_back(char((v >> 8) & 0xFF));
}
void PutU32(std::string* out, uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

}  // namespace

std::string PlaceholderLogoBmp() {
  const Rgb from{0x0b, 0x2a, 0x4a}, to{0x1d, 0x5f, 0x8c};
  Rgb palette[16] = {};
  for (int i = 0; i < kShades; ++i) {
    auto mix = [&](uint8_t a, uint8_t b) { return uint8_t(a + (b - a) * i / (kShades - 1)); };
    palette[i] = {mix(from.r, to.r), mix(from.g, to.g), mix(from.b, to.b)};
  }
  palette[kGold] = {0xf2, 0xb6, 0x32};
  palette[kLight] = {0xcf, 0xe3, 0xf2};
  palette[kDark] = from;
  palette[15] = {0xff, 0xff, 0xff};

  const uint32_t stride = ((kWidth * 4 + 31) / 32) * 4;
  const uint32_t pixels = 14 + 40 + 16 * 4;
  const uint32_t imageSize = stride * kHeight;
  std::string bmp = "BM";
  PutU32(&bmp, pixels + imageSize);
  PutU32(&bmp, 0);
  PutU32(&bmp, pixels);
  PutU32(&bmp, 40);  // BITMAPINFOHEADER
  PutU32(&bmp, kWidth);
  PutU32(&bmp, kHeight);  // positive: rows bottom-up
  PutU16(&bmp, 1);
  PutU16(&bmp, 4);
  PutU32(&bmp, 0);  // BI_RGB
  PutU32(&bmp, imageSize);
  PutU32(&bmp, 2835);  // 72 dpi
  PutU32(&bmp, 2835);
  PutU32(&bmp, 16);
  PutU32(&bmp, 16);
  for (const Rgb& c : palette) {
    bmp.push_back(char(c.b));
    bmp.push_back(char(c.g));
    bmp.push_back(char(c.r));
    bmp.push_back(0);
  }
  for (int row = kHeight - 1; row >= 0; --row) {
    std::string line(stride, '\0');
    for (int x = 0; x < kWidth; ++x)
      line[size_t(x / 2)] = char(uint8_t(line[size_t(x / 2)]) | (PixelAt(x, row) << (x % 2 ? 0 : 4)));
    bmp += line;
  }
  return bmp;
}
