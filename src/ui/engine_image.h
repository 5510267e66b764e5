// The image engine behind the dialog's logo: decodes an image file (PNG, BMP
// and GIF through stb_image, .ico through the Win32 icon functions) into
// 32-bit top-down DIB sections with premultiplied alpha, and draws a frame
// into a rectangle with a fit mode and alignment (ui/frame_layout.h), alpha
// blended when the frame has transparency, halftone-stretched otherwise.
//
// The dialog paints its logo with one call, decoding anew on every paint:
//
//   RECT logo = ...;  // the client rectangle of the hidden frame control 1000
//   DrawImageFile(paintDc, logo, path.Wide(), 1);  // path: package folder + "Logo_Long.bmp"
//
// Size limits (see ui/pixel_convert.h): frames at most 4096 x 4096 pixels,
// no decoded block above 80 MiB, image files at most kMaxImageFileBytes.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/result_codes.h"
#include "common/win_handles.h"
#include "ui/frame_layout.h"

constexpr size_t kMaxImageFileBytes = size_t{80} << 20;
constexpr uint32_t kMaxIconsPerFile = 256;

// One decoded frame, owned by its image.
struct EngineFrame {
  ScopedBitmap bitmap;  // 32 bpp top-down DIB section, B, G, R, A, premultiplied
  ScopedIcon icon;      // only for frames made from an icon file
  int32_t width = 0;
  int32_t height = 0;
  uint8_t hasAlpha = 0;  // 1 when any pixel is not fully opaque, and for every icon frame
  int32_t delayMs = 0;   // GIF frames: display time
};

// A frame from width x height RGBA pixels (rows top-down): premultiplied,
// with pixels equal to `colourKey` (as stored, B, G, R, A little-endian)
// made fully transparent. CX_E_BAD_DATA for sizes outside the limits, the
// GDI error when the DIB cannot be made; `frame` is untouched on failure.
CxResult CreateFrameFromPixels(const uint8_t* rgba, int32_t width, int32_t height,
                               uint32_t colourKey, EngineFrame* frame);

// Creates an icon for each image of an icon file held in memory, at most
// `capacity`. Returns CX_OK with the handles (now the caller's) in
// icons[0..*count); CX_E_BUFFER_TOO_SMALL with the file's entry count in
// *count when it has more than `capacity`; CX_E_BAD_DATA when the data is
// no icon file or no icon could be made. Nothing is stored on CX_E_BAD_DATA.
CxResult LoadIconFile(const uint8_t* data, size_t size, HICON* icons, uint32_t capacity,
                      uint32_t* count);

// Renders an icon into a new frame (bitmap, size, hasAlpha 1; the icon
// handle is not taken). Icons without an alpha channel get their alpha from
// the mask. Fails for cursors, icons without a colour bitmap and empty or
// oversized icons; `frame` is then untouched.
CxResult IconToFrame(HICON icon, EngineFrame* frame);

// Decodes an image held in memory: every frame of a GIF, else the icons of
// an icon file, else one PNG, BMP or GIF image. Appends the frames to
// `frames` and sets *isIcon; CX_E_BAD_DATA when nothing could be decoded
// (both outputs untouched). Frames that fail are left out.
CxResult DecodeImage(const uint8_t* data, size_t size, uint32_t colourKey,
                     std::vector<EngineFrame>* frames, bool* isIcon);

// Draws `source` of the bitmap onto `dest` of the device context: alpha
// blended (per-pixel alpha times `opacity`) when hasAlpha is set or
// opacity is below 255, else copied or halftone-stretched. With `tile` the
// source is repeated at its own size across dest (ui/frame_layout.h
// PlanTiles). The context's stretch mode and brush origin are restored.
// CX_OK when every blit succeeded.
CxResult BlitFrame(HDC dc, HBITMAP bitmap, const LayoutRect& dest, const LayoutRect& source,
                   bool hasAlpha, uint8_t opacity, bool tile);

class CEngineImage {
 public:
  CEngineImage() = default;
  virtual ~CEngineImage() { Clear(); }
  CEngineImage(const CEngineImage&) = delete;
  CEngineImage& operator=(const CEngineImage&) = delete;

  // Reads and decodes the file. False, and the image unchanged, when an
  // image is already loaded; false, and the image empty, when the file
  // cannot be read, is too big or cannot be decoded.
  bool LoadFromFile(const char16_t* path, uint32_t colourKey);
  bool IsLoaded() const { return !bytes_.empty() && !frames_.empty(); }
  void Clear();

  size_t FrameCount() const { return frames_.size(); }
  const EngineFrame* Frame(size_t index) const {
    return index < frames_.size() ? &frames_[index] : nullptr;
  }
  bool IsIcon() const { return isIcon_; }
  bool IsAnimated() const { return frames_.size() >= 2 && !isIcon_; }

  // Draws one frame (an icon image's first usable icon frame, else the first
  // frame) into `target` with a fit mode and alignment (ui/frame_layout.h).
  // True when something was drawn.
  bool Draw(HDC dc, const RECT& target, int32_t mode, int32_t alignment) const;

 private:
  std::string bytes_;  // the file, kept while the image is loaded
  std::vector<EngineFrame> frames_;
  bool isIcon_ = false;
};

// Loads the image file and draws it top-centred into `rect`, then frees it.
// fitPolicy 1 (the dialog's): an animated image is drawn unscaled unless too
// big; a still image that fits is drawn fit-width, a larger one shrunk to
// fit. Other policies: unscaled unless too big. True when something was
// drawn; false for an unreadable or undecodable file or an empty rectangle.
bool DrawImageFile(HDC dc, const RECT& rect, const char16_t* path, int32_t fitPolicy);
