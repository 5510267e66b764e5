// Where a frame lands in a target rectangle: the six fit modes and the 3 x 3
// alignment used to draw the dialog's logo, as plain integer geometry so it
// can be checked without GDI. The image engine turns the result into blits.
#pragma once
#include <cstdint>
#include <vector>

#include "common/result_codes.h"

struct LayoutRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

inline bool operator==(const LayoutRect& a, const LayoutRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Fit modes. Any value outside 1..5 behaves as kFitWhenLarger.
constexpr int32_t kFitWhenLarger = 0;  // unscaled unless too big, then kFitInside
constexpr int32_t kFitInside = 1;      // scaled to fit, aspect kept
constexpr int32_t kFillCrop = 2;       // fills the target, frame cropped
constexpr int32_t kFitWidth = 3;       // kFillCrop for tall frames, else kFitInside's full-width branch
constexpr int32_t kStretch = 4;        // whole frame onto whole target
constexpr int32_t kTile = 5;           // frame repeated at its own size

// Alignment = row * 3 + column (rows top/middle/bottom, columns
// left/centre/right). Any value outside 0..8 means centre and middle.
constexpr int32_t kAlignTopLeft = 0;
constexpr int32_t kAlignTopCentre = 1;
constexpr int32_t kAlignTopRight = 2;
constexpr int32_t kAlignMiddleLeft = 3;
constexpr int32_t kAlignCentre = 4;
constexpr int32_t kAlignMiddleRight = 5;
constexpr int32_t kAlignBottomLeft = 6;
constexpr int32_t kAlignBottomCentre = 7;
constexpr int32_t kAlignBottomRight = 8;

struct FramePlacement {
  LayoutRect dest;    // in target coordinates
  LayoutRect source;  // part of the frame, inside 0,0..width,height
  bool tile = false;  // source repeated across dest at its own size
};

// Computes where a frame of frameWidth x frameHeight is drawn in `target`
// (an inverted target is normalised first). Returns CX_OK and fills
// `placement`; CX_E_INVALID_ARG when the frame or target is empty or nothing
// would be visible (an empty destination or source). On failure `placement`
// is untouched.
CxResult LayoutFrame(int32_t frameWidth, int32_t frameHeight, const LayoutRect& target,
                     int32_t mode, int32_t alignment, FramePlacement* placement);

// One blit of a tiled drawing.
struct TilePiece {
  LayoutRect dest;
  LayoutRect source;
};

// Splits a tiled placement into blits: the source at its own size from the
// destination's top-left corner, across then down; the last column and row
// are cut to the space left (and the source by the same amount). A
// destination smaller than one tile still gets its cut piece. Empty for an
// empty destination or source.
std::vector<TilePiece> PlanTiles(const LayoutRect& dest, const LayoutRect& source);

// The fit mode DrawImageFile uses. With fitPolicy 1 (the dialog's): an
// animated image is drawn kFitWhenLarger; a still frame no wider and no
// taller than the target kFitWidth, else kFitWhenLarger. Any other policy
// gives kFitWhenLarger.
int32_t ChooseFitMode(int32_t fitPolicy, bool animated, int32_t frameWidth,
                      int32_t frameHeight, const LayoutRect& target);
