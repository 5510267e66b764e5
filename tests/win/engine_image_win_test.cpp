// The image engine on real DIB sections: decode, blit, read pixels back.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/file_io.h"
#include "platform/win_handles.h"
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

Bgra PixelAt(const uint8_t* bits, int width, int x, int y) {
  const uint8_t* p = bits + (static_cast<size_t>(y) * width + x) * 4;
  return {p[0], p[1], p[2], p[3]};
}

// `alpha` false compares colour only: GDI leaves the alpha byte of
// halftone-stretched pixels undefined.
void ExpectNear(const Bgra& got, const Bgra& want, const char* what, int slack = 1,
                bool alpha = true) {
  EXPECT_TRUE(std::abs(got.b - want.b) <= slack && std::abs(got.g - want.g) <= slack &&
              std::abs(got.r - want.r) <= slack && (!alpha || std::abs(got.a - want.a) <= slack))
      << what << ": got " << got.b << "," << got.g << "," << got.r << "," << got.a;
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

// A 32-bit top-down memory canvas filled with one colour.
class Canvas {
 public:
  Canvas(int width, int height, uint32_t fill) : width_(width) {
    BITMAPINFO info = TopDown32(width, height);
    void* bits = nullptr;
    bitmap_.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    bits_ = static_cast<uint32_t*>(bits);
    for (int i = 0; i < width * height; ++i) bits_[i] = fill;
    dc_.Reset(CreateCompatibleDC(nullptr));
    old_ = SelectObject(dc_.Get(), bitmap_.Get());
  }
  ~Canvas() { SelectObject(dc_.Get(), old_); }
  HDC Dc() const { return dc_.Get(); }
  Bgra At(int x, int y) const {
    GdiFlush();
    return PixelAt(reinterpret_cast<const uint8_t*>(bits_), width_, x, y);
  }

 private:
  int width_;
  ScopedBitmap bitmap_;
  ScopedMemoryDc dc_;
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
};

constexpr uint32_t kBackground = 0xFF0000C8;  // opaque blue 200

TEST(EngineDecode, BmpGifAndIcon) {
  CEngineImage bmp;
  ASSERT_TRUE(bmp.LoadFromFile(DataPath("opaque.bmp").c_str(), 0));
  EXPECT_EQ(bmp.Frame(0)->hasAlpha, 0);
  EXPECT_EQ(bmp.Frame(0)->width, 8);

  CEngineImage gif;
  ASSERT_TRUE(gif.LoadFromFile(DataPath("anim.gif").c_str(), 0));
  ASSERT_EQ(gif.FrameCount(), 2u);
  EXPECT_TRUE(gif.IsAnimated());
  EXPECT_EQ(gif.Frame(0)->delayMs, 100);
  EXPECT_EQ(gif.Frame(1)->delayMs, 200);
  ExpectNear(PixelAt(FramePixels(*gif.Frame(1)).data(), 4, 3, 3), {255, 0, 0, 255}, "blue frame", 0);

  CEngineImage ico;
  ASSERT_TRUE(ico.LoadFromFile(DataPath("icon.ico").c_str(), 0));
  ASSERT_EQ(ico.FrameCount(), 1u);
  EXPECT_TRUE(ico.IsIcon());
  EXPECT_FALSE(ico.IsAnimated());
  const EngineFrame& f = *ico.Frame(0);
  EXPECT_TRUE(f.icon);
  EXPECT_EQ(f.width, 16);
  EXPECT_EQ(f.height, 16);
  EXPECT_EQ(f.hasAlpha, 1);
  auto px = FramePixels(f);
  ExpectNear(PixelAt(px.data(), 16, 2, 5), {0, 255, 0, 255}, "icon opaque half", 0);
  ExpectNear(PixelAt(px.data(), 16, 12, 5), {0, 0, 0, 0}, "icon transparent half", 0);
}

TEST(EngineDecode, BadFilesFailCleanly) {
  CEngineImage image;
  EXPECT_FALSE(image.LoadFromFile(DataPath("truncated.png").c_str(), 0));
  EXPECT_FALSE(image.IsLoaded());
  EXPECT_FALSE(image.LoadFromFile(DataPath("missing.png").c_str(), 0));
  // Loading over a loaded image is refused and keeps it.
  ASSERT_TRUE(image.LoadFromFile(DataPath("anim.gif").c_str(), 0));
  EXPECT_FALSE(image.LoadFromFile(DataPath("alpha.png").c_str(), 0));
  EXPECT_EQ(image.FrameCount(), 2u);

  // An icon directory of 300 entries is not read as icons; the fallback
  // decoder cannot read it either.
  std::string ico;
  ASSERT_EQ(ReadWholeFile(DataPath("icon.ico").c_str(), &ico), CX_OK);
  ico[4] = static_cast<char>(300 & 0xFF);
  ico[5] = static_cast<char>(300 >> 8);
  std::vector<EngineFrame> frames;
  bool isIcon = true;
  EXPECT_EQ(DecodeImage(reinterpret_cast<const uint8_t*>(ico.data()), ico.size(), 0, &frames,
                        &isIcon),
            CX_E_BAD_DATA);
  EXPECT_TRUE(frames.empty());
}

TEST(EngineDraw, PngIsPremultipliedAndAlphaBlended) {
  CEngineImage image;
  ASSERT_TRUE(image.LoadFromFile(DataPath("alpha.png").c_str(), 0));
  ASSERT_EQ(image.FrameCount(), 1u);
  const EngineFrame& f = *image.Frame(0);
  EXPECT_EQ(f.hasAlpha, 1);
  auto px = FramePixels(f);
  ExpectNear(PixelAt(px.data(), 4, 0, 0), {25, 50, 100, 128}, "half alpha stored", 0);
  ExpectNear(PixelAt(px.data(), 4, 2, 0), {0, 0, 0, 0}, "transparent stored", 0);
  ExpectNear(PixelAt(px.data(), 4, 3, 0), {0, 0, 0, 255}, "opaque black not keyed", 0);

  Canvas canvas(4, 1, kBackground);
  ASSERT_TRUE(image.Draw(canvas.Dc(), RECT{0, 0, 4, 1}, kStretch, kAlignCentre));
  // Source-over: src + dst * (255 - a) / 255.
  ExpectNear(canvas.At(0, 0), {25 + 200 * 127 / 255, 50, 100, 128 + 255 * 127 / 255}, "half alpha");
  ExpectNear(canvas.At(1, 0), {0, 0, 255, 255}, "opaque red");
  ExpectNear(canvas.At(2, 0), {200, 0, 0, 255}, "transparent leaves background");
  ExpectNear(canvas.At(3, 0), {0, 0, 0, 255}, "opaque black");
}

TEST(EngineDraw, ColourKeyMakesMatchingPixelsTransparent) {
  // The BMP is rgb(10,20,30) with one rgb(250,5,7) pixel at 7,3.
  const uint32_t key = 30u | 20u << 8 | 10u << 16 | 255u << 24;
  CEngineImage image;
  ASSERT_TRUE(image.LoadFromFile(DataPath("opaque.bmp").c_str(), key));
  EXPECT_EQ(image.Frame(0)->hasAlpha, 1);
  Canvas canvas(8, 4, kBackground);
  ASSERT_TRUE(image.Draw(canvas.Dc(), RECT{0, 0, 8, 4}, kStretch, kAlignCentre));
  ExpectNear(canvas.At(0, 0), {200, 0, 0, 255}, "keyed pixel shows background", 0);
  ExpectNear(canvas.At(7, 3), {7, 5, 250, 255}, "other pixel drawn", 0);
}

struct DrawCase {
  const char* what;
  RECT target;
  int32_t mode, align;
  POINT inside;       // gets the frame's colour
  POINT outside;      // keeps the background
  POINT marker;       // where the frame's bottom-right pixel lands (-1: not checked)
};

TEST(EngineDraw, ModesAndAlignmentsPutPixelsInPlace) {
  const DrawCase cases[] = {
      // Unscaled at bottom right of an offset target.
      {"unscaled bottom right", {4, 2, 24, 12}, kFitWhenLarger, kAlignBottomRight, {17, 9}, {15, 7}, {23, 11}},
      // Unscaled top left.
      {"unscaled top left", {4, 2, 24, 12}, kFitWhenLarger, kAlignTopLeft, {5, 3}, {13, 3}, {11, 5}},
      // Twice the size, stretched: the marker becomes a 2x2 block at the corner.
      {"stretched", {0, 0, 16, 8}, kStretch, kAlignCentre, {1, 1}, {20, 1}, {15, 7}},
      // Too wide for the target: shrunk to half height, at the top.
      {"shrunk to fit", {0, 0, 4, 4}, kFitInside, kAlignTopCentre, {1, 0}, {1, 3}, {-1, -1}},
      // Tiled: the marker repeats every 8 x 4 pixels, last column cut.
      {"tiled", {0, 0, 20, 10}, kTile, kAlignCentre, {19, 9}, {21, 0}, {15, 7}},
  };
  CEngineImage image;
  ASSERT_TRUE(image.LoadFromFile(DataPath("opaque.bmp").c_str(), 0));
  for (const DrawCase& c : cases) {
    Canvas canvas(32, 16, kBackground);
    ASSERT_TRUE(image.Draw(canvas.Dc(), c.target, c.mode, c.align)) << c.what;
    ExpectNear(canvas.At(c.inside.x, c.inside.y), {30, 20, 10, 255}, c.what, 2, false);
    if (c.outside.x < 32) ExpectNear(canvas.At(c.outside.x, c.outside.y), {200, 0, 0, 255}, c.what, 0);
    if (c.marker.x >= 0) {
      const Bgra m = canvas.At(c.marker.x, c.marker.y);
      EXPECT_GT(m.r, 150) << c.what << " marker";
    }
  }
}

TEST(EngineDraw, DrawImageFilePicksTheLogoMode) {
  const std::u16string bmp = DataPath("opaque.bmp");  // 8 x 4
  {
    // Same aspect, fits: fit width fills the whole rectangle.
    Canvas canvas(32, 16, kBackground);
    ASSERT_TRUE(DrawImageFile(canvas.Dc(), RECT{0, 0, 32, 16}, bmp.c_str(), 1));
    ExpectNear(canvas.At(0, 0), {30, 20, 10, 255}, "top left filled", 2, false);
    ExpectNear(canvas.At(31, 0), {30, 20, 10, 255}, "top right filled", 2, false);
    EXPECT_GT(canvas.At(31, 15).r, 150);  // the marker reaches the corner
  }
  {
    // Wider than the 4 x 4 rectangle: shrunk to 4 x 2 at the top.
    Canvas canvas(4, 4, kBackground);
    ASSERT_TRUE(DrawImageFile(canvas.Dc(), RECT{0, 0, 4, 4}, bmp.c_str(), 1));
    ExpectNear(canvas.At(0, 0), {30, 20, 10, 255}, "top row drawn", 2, false);
    ExpectNear(canvas.At(0, 3), {200, 0, 0, 255}, "bottom rows untouched", 0);
  }
  Canvas canvas(4, 4, kBackground);
  EXPECT_FALSE(DrawImageFile(canvas.Dc(), RECT{0, 0, 0, 4}, bmp.c_str(), 1));
}

}  // namespace
