// The image engine on real DIB sections: decode, blit, read pixels back.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/win_handles.h"
#include "ui/engine_image.h"

namespace {

std::u16string DataPath(const char* name) {
  std::string p = std::string("Z:") + CX_TEST_DATA_DIR + "/image/" + name;
  for (char& c : p)
    if (c == '/') c = '\\';
  return std::u16string(p.begin(), p.end());
}

struct Bgra {
  int b, g, r, a;
};

void ExpectNear(const uint8_t* bits, int width, int x, int y, const Bgra& want, int slack = 0) {
  const uint8_t* p = bits + (static_cast<size_t>(y) * width + x) * 4;
  EXPECT_TRUE(std::abs(p[0] - want.b) <= slack && std::abs(p[1] - want.g) <= slack &&
              std::abs(p[2] - want.r) <= slack && std::abs(p[3] - want.a) <= slack)
      << x << "," << y << ": got " << +p[0] << "," << +p[1] << "," << +p[2] << "," << +p[3];
}

BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
  return info;
}

// The pixels of a frame's DIB section, read back with GetDIBits.
std::vector<uint8_t> FramePixels(const EngineFrame& f) {
  std::vector<uint8_t> px(static_cast<size_t>(f.width) * f.height * 4);
  BITMAPINFO info = TopDown32(f.width, f.height);
  ScopedMemoryDc dc(CreateCompatibleDC(nullptr));
  EXPECT_EQ(GetDIBits(dc.Get(), f.bitmap.Get(), 0, f.height, px.data(), &info, DIB_RGB_COLORS),
            f.height);
  return px;
}

TEST(EngineDecode, PngBmpGifAndIcon) {
  CEngineImage png, bmp, gif, ico;
  ASSERT_TRUE(png.LoadFromFile(DataPath("alpha.png").c_str(), 0));
  EXPECT_EQ(png.Frame(0)->hasAlpha, 1);
  auto px = FramePixels(*png.Frame(0));  // stored premultiplied
  ExpectNear(px.data(), 4, 0, 0, {25, 50, 100, 128});
  ExpectNear(px.data(), 4, 2, 0, {0, 0, 0, 0});

  ASSERT_TRUE(bmp.LoadFromFile(DataPath("opaque.bmp").c_str(), 0));
  EXPECT_EQ(bmp.Frame(0)->hasAlpha, 0);
  EXPECT_EQ(bmp.Frame(0)->width, 8);

  ASSERT_TRUE(gif.LoadFromFile(DataPath("anim.gif").c_str(), 0));
  ASSERT_EQ(gif.FrameCount(), 2u);
  EXPECT_EQ(gif.Frame(0)->delayMs, 100);
  EXPECT_EQ(gif.Frame(1)->delayMs, 200);
  ExpectNear(FramePixels(*gif.Frame(1)).data(), 4, 3, 3, {255, 0, 0, 255});  // the blue frame

  ASSERT_TRUE(ico.LoadFromFile(DataPath("icon.ico").c_str(), 0));
  ASSERT_EQ(ico.FrameCount(), 1u);
  EXPECT_TRUE(ico.IsIcon());
  EXPECT_EQ(ico.Frame(0)->width, 16);
  px = FramePixels(*ico.Frame(0));
  ExpectNear(px.data(), 16, 2, 5, {0, 255, 0, 255});  // opaque half
  ExpectNear(px.data(), 16, 12, 5, {0, 0, 0, 0});     // transparent half
}

TEST(EngineDraw, BlendsPremultipliedPixelsInTheirPlace) {
  CEngineImage image;
  ASSERT_TRUE(image.LoadFromFile(DataPath("alpha.png").c_str(), 0));  // 4 x 1
  constexpr int kW = 8, kH = 4;
  BITMAPINFO info = TopDown32(kW, kH);
  void* bits = nullptr;
  ScopedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(bits);
  auto* canvas = static_cast<uint32_t*>(bits);
  for (int i = 0; i < kW * kH; ++i) canvas[i] = 0xFF0000C8;  // opaque blue 200
  ScopedMemoryDc dc(CreateCompatibleDC(nullptr));
  HGDIOBJ old = SelectObject(dc.Get(), bitmap.Get());
  ASSERT_TRUE(image.Draw(dc.Get(), RECT{0, 0, kW, kH}, kFitWhenLarger, kAlignBottomRight));
  GdiFlush();
  SelectObject(dc.Get(), old);
  const auto* px = static_cast<const uint8_t*>(bits);
  // Unscaled in the bottom-right corner; source-over: src + dst * (255 - a) / 255.
  ExpectNear(px, kW, 4, 3, {25 + 200 * 127 / 255, 50, 100, 128 + 255 * 127 / 255}, 1);
  ExpectNear(px, kW, 5, 3, {0, 0, 255, 255}, 1);  // opaque red
  ExpectNear(px, kW, 6, 3, {200, 0, 0, 255});     // transparent: background
  ExpectNear(px, kW, 7, 3, {0, 0, 0, 255}, 1);    // opaque black, not keyed
  ExpectNear(px, kW, 3, 3, {200, 0, 0, 255});     // left of the image
  ExpectNear(px, kW, 4, 2, {200, 0, 0, 255});     // above it
}

}  // namespace
