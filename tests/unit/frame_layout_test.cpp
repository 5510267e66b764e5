// Frame placement: fit modes, alignments, tiling and the logo's mode choice.
#include <gtest/gtest.h>

#include <climits>

#include "ui/frame_layout.h"

namespace {

struct LayoutCase {
  const char* what;
  int32_t fw, fh;
  LayoutRect target;
  int32_t mode, align;
  LayoutRect dest, source;
};

const LayoutCase kCases[] = {
    // Same size: whole frame onto the whole target, whatever the mode.
    {"exact size", 40, 20, {5, 5, 45, 25}, kFitInside, kAlignBottomRight, {5, 5, 45, 25}, {0, 0, 40, 20}},
    // Fit inside, frame relatively taller: full height, width placed by column.
    {"inside taller centre", 10, 20, {0, 0, 100, 100}, kFitInside, kAlignCentre, {25, 0, 75, 100}, {0, 0, 10, 20}},
    // Fit inside, frame wider: full width, height placed by row.
    {"inside wider top", 800, 50, {0, 0, 400, 80}, kFitInside, kAlignTopCentre, {0, 0, 400, 25}, {0, 0, 800, 50}},
    {"inside wider bottom", 800, 50, {10, 20, 410, 100}, kFitInside, kAlignBottomLeft, {10, 75, 410, 100}, {0, 0, 800, 50}},
    // Fill and crop: target filled, frame's height cropped around the row.
    {"crop taller middle", 100, 100, {0, 0, 200, 100}, kFillCrop, kAlignCentre, {0, 0, 200, 100}, {0, 25, 100, 75}},
    // Fill and crop: frame's width cropped around the column.
    {"crop wider right", 100, 100, {0, 0, 100, 200}, kFillCrop, kAlignTopRight, {0, 0, 100, 200}, {50, 0, 100, 100}},
    // Fit width, taller frame: cropped like fill-and-crop.
    {"fit width taller", 100, 40, {0, 0, 400, 80}, kFitWidth, kAlignTopCentre, {0, 0, 400, 80}, {0, 0, 100, 20}},
    // Fit width, wider frame: full width, scaled height at the top.
    {"fit width wider", 100, 10, {0, 0, 400, 80}, kFitWidth, kAlignTopCentre, {0, 0, 400, 40}, {0, 0, 100, 10}},
    // Fit when larger, small frame: unscaled in the chosen corner.
    {"small frame bottom right", 10, 10, {0, 0, 100, 50}, kFitWhenLarger, kAlignBottomRight, {90, 40, 100, 50}, {0, 0, 10, 10}},
    // Fit when larger, too-big frame: behaves as fit inside.
    {"large frame shrinks", 800, 50, {0, 0, 400, 80}, kFitWhenLarger, kAlignTopCentre, {0, 0, 400, 25}, {0, 0, 800, 50}},
    // Only one side too big still shrinks.
    {"one side too big", 50, 100, {0, 0, 400, 80}, kFitWhenLarger, kAlignTopLeft, {0, 0, 40, 80}, {0, 0, 50, 100}},
    // Unknown mode behaves as fit when larger.
    {"unknown mode", 10, 10, {0, 0, 100, 50}, 9, kAlignTopLeft, {0, 0, 10, 10}, {0, 0, 10, 10}},
    // Tile: whole frame, whole target, tile flag set.
    {"tile", 16, 8, {0, 0, 100, 30}, kTile, kAlignCentre, {0, 0, 100, 30}, {0, 0, 16, 8}},
    // Alignment 9 and above means centre and middle.
    {"alignment 9", 10, 10, {0, 0, 100, 50}, kFitWhenLarger, 9, {45, 20, 55, 30}, {0, 0, 10, 10}},
    // An inverted target is normalised, never drawn outside itself.
    {"inverted target", 10, 10, {100, 50, 0, 0}, kFitWhenLarger, kAlignTopLeft, {0, 0, 10, 10}, {0, 0, 10, 10}},
    // The widest possible target does not overflow.
    {"huge target", 10, 10, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, kFitWhenLarger, kAlignTopLeft, {INT_MIN, INT_MIN, INT_MIN + 10, INT_MIN + 10}, {0, 0, 10, 10}},
};

TEST(LayoutFrame, ModesAndAlignmentsPlaceTheFrame) {
  for (const LayoutCase& c : kCases) {
    FramePlacement p;
    ASSERT_EQ(LayoutFrame(c.fw, c.fh, c.target, c.mode, c.align, &p), CX_OK) << c.what;
    EXPECT_EQ(p.dest, c.dest) << c.what;
    EXPECT_EQ(p.source, c.source) << c.what;
    EXPECT_EQ(p.tile, c.mode == kTile) << c.what;
  }
}

TEST(LayoutFrame, NothingVisibleFailsAndLeavesPlacement) {
  const LayoutRect sentinel{1, 2, 3, 4};
  struct {
    const char* what;
    int32_t fw, fh;
    LayoutRect target;
    int32_t mode;
  } cases[] = {
      {"empty frame", 0, 10, {0, 0, 10, 10}, kStretch},
      {"empty target", 10, 10, {5, 5, 5, 50}, kStretch},
      // Scaled width rounds down to nothing.
      {"sliver scales to zero", 1, 1000, {0, 0, 10, 10}, kFitInside},
      // Cropped height rounds down to nothing.
      {"crop to zero", 1, 1, {0, 0, 1000, 1}, kFillCrop},
  };
  for (const auto& c : cases) {
    FramePlacement p;
    p.dest = sentinel;
    EXPECT_EQ(LayoutFrame(c.fw, c.fh, c.target, c.mode, kAlignCentre, &p), CX_E_INVALID_ARG)
        << c.what;
    EXPECT_EQ(p.dest, sentinel) << c.what;
  }
  EXPECT_EQ(LayoutFrame(10, 10, {0, 0, 10, 10}, kStretch, 0, nullptr), CX_E_INVALID_ARG);
}

TEST(PlanTiles, CutsLastColumnAndRow) {
  auto pieces = PlanTiles({10, 20, 260, 140}, {0, 0, 100, 50});
  ASSERT_EQ(pieces.size(), 9u);
  EXPECT_EQ(pieces[0].dest, (LayoutRect{10, 20, 110, 70}));
  EXPECT_EQ(pieces[1].dest, (LayoutRect{110, 20, 210, 70}));  // across first
  EXPECT_EQ(pieces[2].dest, (LayoutRect{210, 20, 260, 70}));
  EXPECT_EQ(pieces[2].source, (LayoutRect{0, 0, 50, 50}));
  EXPECT_EQ(pieces[8].dest, (LayoutRect{210, 120, 260, 140}));
  EXPECT_EQ(pieces[8].source, (LayoutRect{0, 0, 50, 20}));
  // A destination smaller than one tile still gets its cut piece.
  pieces = PlanTiles({0, 0, 30, 7}, {4, 2, 104, 52});
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0].source, (LayoutRect{4, 2, 34, 9}));
  EXPECT_TRUE(PlanTiles({0, 0, 10, 10}, {0, 0, 5, 0}).empty());
}

TEST(ChooseFitMode, LogoPolicy) {
  const LayoutRect t{0, 0, 400, 80};
  EXPECT_EQ(ChooseFitMode(1, false, 100, 20, t), kFitWidth);      // fits: fit width
  EXPECT_EQ(ChooseFitMode(1, false, 800, 50, t), kFitWhenLarger); // too wide
  EXPECT_EQ(ChooseFitMode(1, false, 100, 81, t), kFitWhenLarger); // too tall
  EXPECT_EQ(ChooseFitMode(1, true, 100, 20, t), kFitWhenLarger);  // animated
  EXPECT_EQ(ChooseFitMode(0, false, 100, 20, t), kFitWhenLarger); // other policy
}

}  // namespace
