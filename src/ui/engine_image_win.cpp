// Image decoding into DIB sections and drawing with GDI and alpha blending.
#include "ui/engine_image.h"

#include <cstring>
#include <utility>

#include "common/file_io.h"
#include "ui/pixel_convert.h"

namespace {

// A bitmap selected into a memory context for the lifetime of the object.
class SelectedBitmap {
 public:
  SelectedBitmap(HDC dc, HBITMAP bitmap) : dc_(dc), old_(SelectObject(dc, bitmap)) {}
  ~SelectedBitmap() {
    if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }
  SelectedBitmap(const SelectedBitmap&) = delete;
  SelectedBitmap& operator=(const SelectedBitmap&) = delete;
  bool Ok() const { return old_ && old_ != HGDI_ERROR; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A new top-down 32 bpp DIB section; `bits` receives its pixel memory.
CxResult CreateTopDownDib(int32_t width, int32_t height, ScopedBitmap* bitmap, uint8_t** bits) {
  size_t bytes = 0;
  if (CheckFrameSize(width, height, &bytes) != CX_OK) return CX_E_BAD_DATA;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // rows run top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = static_cast<DWORD>(bytes);
  void* memory = nullptr;
  ScopedBitmap dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0));
  if (!dib || !memory) {
    const DWORD error = GetLastError();
    return error ? error : CX_E_OUT_OF_MEMORY;
  }
  *bitmap = std::move(dib);
  *bits = static_cast<uint8_t*>(memory);
  return CX_OK;
}

LayoutRect ToLayout(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

CxResult CreateFrameFromPixels(const uint8_t* rgba, int32_t width, int32_t height,
                               uint32_t colourKey, EngineFrame* frame) {
  if (!rgba || !frame) return CX_E_INVALID_ARG;
  ScopedBitmap bitmap;
  uint8_t* bits = nullptr;
  const CxResult made = CreateTopDownDib(width, height, &bitmap, &bits);
  if (made != CX_OK) return made;
  const bool hasAlpha = ConvertRgbaToPremultipliedBgra(
      rgba, static_cast<size_t>(width) * static_cast<size_t>(height), colourKey, bits);
  frame->bitmap = std::move(bitmap);
  frame->icon.Reset();
  frame->width = width;
  frame->height = height;
  frame->hasAlpha = hasAlpha ? 1 : 0;
  frame->delayMs = 0;
  return CX_OK;
}

CxResult LoadIconFile(const uint8_t* data, size_t size, HICON* icons, uint32_t capacity,
                      uint32_t* count) {
  if (!icons || !count) return CX_E_INVALID_ARG;
  std::vector<IconImageEntry> entries;
  uint32_t needed = 0;
  const CxResult listed = ListIconImages(data, size, capacity, &entries, &needed);
  if (listed == CX_E_BUFFER_TOO_SMALL) {
    *count = needed;
    return listed;
  }
  if (listed != CX_OK) return CX_E_BAD_DATA;
  uint32_t made = 0;
  std::vector<BYTE> scratch;
  for (const IconImageEntry& e : entries) {
    scratch.assign(data + e.offset, data + e.offset + e.size);
    // No LR_SHARED: the engine destroys every icon it makes.
    HICON icon = CreateIconFromResourceEx(scratch.data(), e.size, TRUE, 0x30000, 0, 0,
                                          LR_DEFAULTCOLOR);
    if (!icon) icon = CreateIconFromResource(scratch.data(), e.size, TRUE, 0x30000);
    if (icon) icons[made++] = icon;
  }
  if (made == 0) return CX_E_BAD_DATA;
  *count = made;
  return CX_OK;
}

CxResult IconToFrame(HICON icon, EngineFrame* frame) {
  if (!icon || !frame) return CX_E_INVALID_ARG;
  ICONINFO info = {};
  if (!GetIconInfo(icon, &info)) return GetLastError() ? GetLastError() : CX_E_FAIL;
  ScopedBitmap colour(info.hbmColor);
  ScopedBitmap mask(info.hbmMask);
  if (!info.fIcon || !colour) return CX_E_BAD_DATA;
  BITMAP bm = {};
  if (!GetObjectW(colour.Get(), sizeof(bm), &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0)
    return CX_E_BAD_DATA;
  const int32_t width = bm.bmWidth, height = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
  colour.Reset();
  mask.Reset();

  ScopedBitmap bitmap;
  uint8_t* bits = nullptr;
  const CxResult made = CreateTopDownDib(width, height, &bitmap, &bits);
  if (made != CX_OK) return made;
  ScopedMemoryDc dc(CreateCompatibleDC(nullptr));
  if (!dc) return CX_E_FAIL;
  const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::vector<uint8_t> opaque(pixels);
  {
    SelectedBitmap selected(dc.Get(), bitmap.Get());
    if (!selected.Ok()) return CX_E_FAIL;
    if (!DrawIconEx(dc.Get(), 0, 0, icon, width, height, 0, nullptr, DI_MASK)) return CX_E_FAIL;
    GdiFlush();
    for (size_t i = 0; i < pixels; ++i) {
      const uint8_t* p = bits + i * 4;
      opaque[i] = (p[0] | p[1] | p[2]) == 0;  // mask bit 0 draws black: opaque
    }
    std::memset(bits, 0, pixels * 4);
    if (!DrawIconEx(dc.Get(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL)) return CX_E_FAIL;
    GdiFlush();
  }
  ApplyIconMaskAlpha(bits, opaque.data(), pixels);
  frame->bitmap = std::move(bitmap);
  frame->width = width;
  frame->height = height;
  frame->hasAlpha = 1;
  return CX_OK;
}

CxResult DecodeImage(const uint8_t* data, size_t size, uint32_t colourKey,
                     std::vector<EngineFrame>* frames, bool* isIcon) {
  if (!data || !size || !frames || !isIcon) return CX_E_INVALID_ARG;
  std::vector<EngineFrame> made;

  DecodedPixels gif;
  if (DecodeGifPixels(data, size, &gif) == CX_OK) {
    for (int32_t i = 0; i < gif.frameCount; ++i) {
      EngineFrame f;
      if (CreateFrameFromPixels(gif.Frame(i), gif.width, gif.height, colourKey, &f) != CX_OK)
        continue;
      f.delayMs = gif.delaysMs[static_cast<size_t>(i)];
      made.push_back(std::move(f));
    }
    if (made.empty()) return CX_E_BAD_DATA;
    for (EngineFrame& f : made) frames->push_back(std::move(f));
    *isIcon = false;
    return CX_OK;
  }

  HICON icons[kMaxIconsPerFile];
  uint32_t count = 0;
  if (LoadIconFile(data, size, icons, kMaxIconsPerFile, &count) == CX_OK) {
    for (uint32_t i = 0; i < count; ++i) {
      ScopedIcon icon(icons[i]);
      EngineFrame f;
      if (IconToFrame(icon.Get(), &f) != CX_OK) continue;  // the icon goes with `icon`
      f.icon = std::move(icon);
      made.push_back(std::move(f));
    }
    if (!made.empty()) {
      for (EngineFrame& f : made) frames->push_back(std::move(f));
      *isIcon = true;
      return CX_OK;
    }
  }

  DecodedPixels still;
  if (DecodeStillPixels(data, size, &still) != CX_OK) return CX_E_BAD_DATA;
  EngineFrame f;
  const CxResult r = CreateFrameFromPixels(still.Frame(0), still.width, still.height, colourKey, &f);
  if (r != CX_OK) return r;
  frames->push_back(std::move(f));
  *isIcon = false;
  return CX_OK;
}

CxResult BlitFrame(HDC dc, HBITMAP bitmap, const LayoutRect& dest, const LayoutRect& source,
                   bool hasAlpha, uint8_t opacity, bool tile) {
  if (!dc || !bitmap) return CX_E_INVALID_ARG;
  std::vector<TilePiece> pieces;
  if (tile)
    pieces = PlanTiles(dest, source);
  else
    pieces.push_back({dest, source});
  if (pieces.empty()) return CX_E_INVALID_ARG;

  ScopedMemoryDc mem(CreateCompatibleDC(dc));
  if (!mem) return CX_E_FAIL;
  SelectedBitmap selected(mem.Get(), bitmap);
  if (!selected.Ok()) return CX_E_FAIL;

  const bool blend = hasAlpha || opacity < 255;
  int oldMode = 0;
  POINT oldOrigin = {};
  if (!blend) {
    oldMode = SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, &oldOrigin);
  }
  bool ok = true;
  for (const TilePiece& p : pieces) {
    const int dw = p.dest.right - p.dest.left, dh = p.dest.bottom - p.dest.top;
    const int sw = p.source.right - p.source.left, sh = p.source.bottom - p.source.top;
    BOOL done;
    if (blend) {
      const BLENDFUNCTION fn = {AC_SRC_OVER, 0, opacity, AC_SRC_ALPHA};
      // gdi32's own entry: msimg32's AlphaBlend only forwards to it, and
      // msimg32 is no known DLL, so importing it would load it from the
      // setup's folder.
      done = GdiAlphaBlend(dc, p.dest.left, p.dest.top, dw, dh, mem.Get(), p.source.left,
                           p.source.top, sw, sh, fn);
    } else if (dw == sw && dh == sh) {
      done = BitBlt(dc, p.dest.left, p.dest.top, dw, dh, mem.Get(), p.source.left, p.source.top,
                    SRCCOPY);
    } else {
      done = StretchBlt(dc, p.dest.left, p.dest.top, dw, dh, mem.Get(), p.source.left,
                        p.source.top, sw, sh, SRCCOPY);
    }
    ok = ok && done;
  }
  if (!blend) {
    if (oldMode) SetStretchBltMode(dc, oldMode);
    SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
  }
  return ok ? CX_OK : CX_E_FAIL;
}

void CEngineImage::Clear() {
  frames_.clear();
  std::string().swap(bytes_);
  isIcon_ = false;
}

bool CEngineImage::LoadFromFile(const char16_t* path, uint32_t colourKey) {
  if (IsLoaded() || !path) return false;
  Clear();
  WIN32_FILE_ATTRIBUTE_DATA attributes;
  if (!GetFileAttributesExW(AsWide(path), GetFileExInfoStandard, &attributes) ||
      attributes.nFileSizeHigh != 0 || attributes.nFileSizeLow > kMaxImageFileBytes)
    return false;
  bool icon = false;
  if (ReadWholeFile(path, &bytes_) != CX_OK || bytes_.empty() ||
      bytes_.size() > kMaxImageFileBytes ||
      DecodeImage(reinterpret_cast<const uint8_t*>(bytes_.data()), bytes_.size(), colourKey,
                  &frames_, &icon) != CX_OK) {
    Clear();
    return false;
  }
  isIcon_ = icon;
  return true;
}

bool CEngineImage::Draw(HDC dc, const RECT& target, int32_t mode, int32_t alignment) const {
  if (!dc || frames_.empty()) return false;
  const EngineFrame* frame = &frames_.front();
  if (isIcon_) {
    frame = nullptr;
    for (const EngineFrame& f : frames_)
      if (f.icon && f.width > 0) {
        frame = &f;
        break;
      }
    if (!frame) return false;
  }
  FramePlacement placement;
  if (LayoutFrame(frame->width, frame->height, ToLayout(target), mode, alignment, &placement) !=
      CX_OK)
    return false;
  return BlitFrame(dc, frame->bitmap.Get(), placement.dest, placement.source,
                   frame->hasAlpha != 0, 255, placement.tile) == CX_OK;
}

bool DrawImageFile(HDC dc, const RECT& rect, const char16_t* path, int32_t fitPolicy) {
  CEngineImage image;
  if (!dc || !image.LoadFromFile(path, 0)) return false;
  const EngineFrame* first = image.Frame(0);
  const int32_t mode =
      ChooseFitMode(fitPolicy, image.IsAnimated(), first->width, first->height, ToLayout(rect));
  return image.Draw(dc, rect, mode, kAlignTopCentre);
}
