// Frame placement geometry. Wide intermediate types keep extreme rectangles
// from overflowing; every result lies inside the target and the frame.
#include "ui/frame_layout.h"

#include <algorithm>

namespace {

struct Factors {
  double ax;
  double ay;
};

Factors AlignmentFactors(int32_t alignment) {
  if (alignment < 0 || alignment > 8) return {0.5, 0.5};
  static const double kSteps[3] = {0.0, 0.5, 1.0};
  return {kSteps[alignment % 3], kSteps[alignment / 3]};
}

LayoutRect Normalised(const LayoutRect& r) {
  return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
          std::max(r.top, r.bottom)};
}

int64_t Width(const LayoutRect& r) { return int64_t{r.right} - r.left; }
int64_t Height(const LayoutRect& r) { return int64_t{r.bottom} - r.top; }

LayoutRect Make(int64_t left, int64_t top, int64_t right, int64_t bottom) {
  return {static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right),
          static_cast<int32_t>(bottom)};
}

LayoutRect ClipToFrame(const LayoutRect& s, int32_t fw, int32_t fh) {
  return {std::clamp(s.left, 0, fw), std::clamp(s.top, 0, fh), std::clamp(s.right, 0, fw),
          std::clamp(s.bottom, 0, fh)};
}

}  // namespace

CxResult LayoutFrame(int32_t frameWidth, int32_t frameHeight, const LayoutRect& targetIn,
                     int32_t mode, int32_t alignment, FramePlacement* placement) {
  if (!placement || frameWidth <= 0 || frameHeight <= 0) return CX_E_INVALID_ARG;
  const LayoutRect t = Normalised(targetIn);
  const int64_t fw = frameWidth, fh = frameHeight, tw = Width(t), th = Height(t);
  if (tw == 0 || th == 0) return CX_E_INVALID_ARG;

  const LayoutRect whole{0, 0, frameWidth, frameHeight};
  FramePlacement out;
  out.dest = t;
  out.source = whole;

  if (!(tw == fw && th == fh)) {
    const Factors f = AlignmentFactors(alignment);
    const double fa = static_cast<double>(fw) / static_cast<double>(fh);
    const double ta = static_cast<double>(tw) / static_cast<double>(th);
    const bool taller = fa <= ta;

    // The branches of modes 1 and 2, shared by modes 0 and 3.
    auto insideTaller = [&] {
      const int64_t dw = static_cast<int64_t>(static_cast<double>(th) * fa);
      const int64_t left = t.left + static_cast<int64_t>(static_cast<double>(tw - dw) * f.ax);
      out.dest = Make(left, t.top, left + dw, t.bottom);
    };
    auto insideWider = [&] {
      const int64_t dh = static_cast<int64_t>(static_cast<double>(tw) / fa);
      const int64_t top = t.top + static_cast<int64_t>(static_cast<double>(th - dh) * f.ay);
      out.dest = Make(t.left, top, t.right, top + dh);
    };
    auto cropTaller = [&] {
      const int64_t sh = static_cast<int64_t>(static_cast<double>(fw) / ta + 0.5);
      const int64_t top = static_cast<int64_t>(static_cast<double>(fh - sh) * f.ay);
      out.source = Make(0, top, fw, top + sh);
    };
    auto cropWider = [&] {
      const int64_t sw = static_cast<int64_t>(static_cast<double>(fh) * ta + 0.5);
      const int64_t left = static_cast<int64_t>(static_cast<double>(fw - sw) * f.ax);
      out.source = Make(left, 0, left + sw, fh);
    };

    switch (mode) {
      case kFitInside:
        taller ? insideTaller() : insideWider();
        break;
      case kFillCrop:
        taller ? cropTaller() : cropWider();
        break;
      case kFitWidth:
        taller ? cropTaller() : insideWider();
        break;
      case kStretch:
        break;
      case kTile:
        out.tile = true;
        break;
      default:  // kFitWhenLarger and unknown modes
        if (fw > tw || fh > th) {
          taller ? insideTaller() : insideWider();
        } else {
          const int64_t left = t.left + static_cast<int64_t>(static_cast<double>(tw - fw) * f.ax);
          const int64_t top = t.top + static_cast<int64_t>(static_cast<double>(th - fh) * f.ay);
          out.dest = Make(left, top, left + fw, top + fh);
        }
        break;
    }
  }

  out.source = ClipToFrame(out.source, frameWidth, frameHeight);
  if (Width(out.dest) <= 0 || Height(out.dest) <= 0 || Width(out.source) <= 0 ||
      Height(out.source) <= 0)
    return CX_E_INVALID_ARG;
  *placement = out;
  return CX_OK;
}

std::vector<TilePiece> PlanTiles(const LayoutRect& dest, const LayoutRect& source) {
  std::vector<TilePiece> pieces;
  const int64_t sw = Width(source), sh = Height(source);
  if (sw <= 0 || sh <= 0 || Width(dest) <= 0 || Height(dest) <= 0) return pieces;
  for (int64_t y = dest.top; y < dest.bottom; y += sh) {
    const int64_t h = std::min<int64_t>(sh, dest.bottom - y);
    for (int64_t x = dest.left; x < dest.right; x += sw) {
      const int64_t w = std::min<int64_t>(sw, dest.right - x);
      pieces.push_back({Make(x, y, x + w, y + h),
                        Make(source.left, source.top, source.left + w, source.top + h)});
    }
  }
  return pieces;
}

int32_t ChooseFitMode(int32_t fitPolicy, bool animated, int32_t frameWidth,
                      int32_t frameHeight, const LayoutRect& target) {
  if (fitPolicy != 1 || animated) return kFitWhenLarger;
  const LayoutRect t = Normalised(target);
  if (frameWidth <= Width(t) && frameHeight <= Height(t)) return kFitWidth;
  return kFitWhenLarger;
}
