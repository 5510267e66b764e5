// Frame placement: fit modes, alignments, tiling and the logo's mode choice.
#include <gtest/gtest.h>

#include <climits>

#include "ui/frame_layout.h"

namespace {

const LayoutRect kNone{1, 2, 3, 4};  // as dest: LayoutFrame fails and leaves the placement

// Every mode and alignment; source {} means the whole frame.
const struct { int32_t fw, fh; LayoutRect target; int32_t mode, align; LayoutRect dest, source; } kCases[] = {
    // Small frame unscaled in its place (alignment 9 and above: centre).
    {10, 10, {0, 0, 100, 50}, kFitWhenLarger, kAlignTopLeft, {0, 0, 10, 10}, {}},
    {10, 10, {0, 0, 100, 50}, kFitWhenLarger, kAlignTopCentre, {45, 0, 55, 10}, {}},
    {10, 10, {0, 0, 100, 50}, kFitWhenLarger, kAlignMiddleLeft, {0, 20, 10, 30}, {}},
    {10, 10, {0, 0, 100, 50}, kFitWhenLarger, kAlignMiddleRight, {90, 20, 100, 30}, {}},
    {10, 10, {0, 0, 100, 50}, kFitWhenLarger, kAlignBottomCentre, {45, 40, 55, 50}, {}},
    {10, 10, {0, 0, 100, 50}, kFitWhenLarger, kAlignBottomRight, {90, 40, 100, 50}, {}},
    {10, 10, {0, 0, 100, 50}, kFitWhenLarger, 9, {45, 20, 55, 30}, {}},
    {50, 100, {0, 0, 400, 80}, kFitWhenLarger, kAlignTopLeft, {0, 0, 40, 80}, {}},  // one side too big
    {10, 20, {0, 0, 100, 100}, kFitInside, kAlignCentre, {25, 0, 75, 100}, {}},
    {800, 50, {10, 20, 410, 100}, kFitInside, kAlignBottomLeft, {10, 75, 410, 100}, {}},
    {100, 100, {0, 0, 200, 100}, kFillCrop, kAlignCentre, {0, 0, 200, 100}, {0, 25, 100, 75}},
    {100, 100, {0, 0, 100, 200}, kFillCrop, kAlignTopRight, {0, 0, 100, 200}, {50, 0, 100, 100}},
    {100, 40, {0, 0, 400, 80}, kFitWidth, kAlignTopCentre, {0, 0, 400, 80}, {0, 0, 100, 20}},  // tall: crop
    {100, 10, {0, 0, 400, 80}, kFitWidth, kAlignTopCentre, {0, 0, 400, 40}, {}},
    {10, 20, {5, 5, 105, 25}, kStretch, kAlignBottomRight, {5, 5, 105, 25}, {}},
    {16, 8, {0, 0, 100, 30}, kTile, kAlignCentre, {0, 0, 100, 30}, {}},
    // Bounds: an inverted target is normalised; the widest target does not overflow.
    {10, 10, {100, 50, 0, 0}, kFitWhenLarger, kAlignTopLeft, {0, 0, 10, 10}, {}},
    {10, 10, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, kFitWhenLarger, kAlignTopLeft,
     {INT_MIN, INT_MIN, INT_MIN + 10, INT_MIN + 10}, {}},
    // Nothing visible: scaling or cropping rounds down to nothing.
    {1, 1000, {0, 0, 10, 10}, kFitInside, kAlignCentre, kNone, {}},
    {1, 1, {0, 0, 1000, 1}, kFillCrop, kAlignCentre, kNone, {}},
};

TEST(LayoutFrame, ModesAndAlignmentsPlaceTheFrame) {
  for (const auto& c : kCases) {
    FramePlacement p;
    p.dest = kNone;
    const bool fails = c.dest == kNone;
    EXPECT_EQ(LayoutFrame(c.fw, c.fh, c.target, c.mode, c.align, &p),
              fails ? CX_E_INVALID_ARG : CX_OK) << (&c - kCases);
    EXPECT_EQ(p.dest, c.dest) << (&c - kCases);
    if (fails) continue;
    const LayoutRect whole{0, 0, c.fw, c.fh};
    EXPECT_EQ(p.source, c.source == LayoutRect{} ? whole : c.source) << (&c - kCases);
    EXPECT_EQ(p.tile, c.mode == kTile) << (&c - kCases);
  }
}

TEST(PlanTiles, CutsLastColumnAndRow) {
  auto pieces = PlanTiles({10, 20, 260, 140}, {0, 0, 100, 50});
  ASSERT_EQ(pieces.size(), 9u);
  EXPECT_EQ(pieces[1].dest, (LayoutRect{110, 20, 210, 70}));  // across first
  EXPECT_EQ(pieces[8].dest, (LayoutRect{210, 120, 260, 140}));
  EXPECT_EQ(pieces[8].source, (LayoutRect{0, 0, 50, 20}));
  pieces = PlanTiles({0, 0, 30, 7}, {4, 2, 104, 52});  // smaller than one tile
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0].source, (LayoutRect{4, 2, 34, 9}));
}

TEST(ChooseFitMode, LogoPolicy) {
  const LayoutRect t{0, 0, 400, 80};
  EXPECT_EQ(ChooseFitMode(1, false, 100, 20, t), kFitWidth);       // fits
  EXPECT_EQ(ChooseFitMode(1, false, 100, 81, t), kFitWhenLarger);  // too tall
  EXPECT_EQ(ChooseFitMode(1, true, 100, 20, t), kFitWhenLarger);   // animated
  EXPECT_EQ(ChooseFitMode(0, false, 100, 20, t), kFitWhenLarger);  // other policy
}

}  // namespace
