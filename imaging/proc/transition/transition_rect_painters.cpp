// The rectangle painters of the transition table: each kind is a short list of copies, from
// the Target stretched into a rectangle, revealed in place, mirrored (the unroll), or moved
// within the canvas itself (the pushes), done in order.
#include <algorithm>
#include <vector>

#include "imaging/proc/transition/transition_painters.h"
#include "imaging/proc/transition/transition_table.h"
#include "platform/canvas.h"
#include "platform/device_bitmap.h"

namespace calmora {

namespace {

enum class TCopySource : uint8_t { kTarget, kCanvas, kTargetMirroredH, kTargetMirroredV };

struct TCopy {
  TRect Dest;
  TRect Src;
  TCopySource From = TCopySource::kTarget;
};

TCopy Stretch(TRect dest, TRect src) { return TCopy{dest, src, TCopySource::kTarget}; }
TCopy InPlace(TRect rect) { return TCopy{rect, rect, TCopySource::kTarget}; }
TCopy Within(TRect dest, TRect src) { return TCopy{dest, src, TCopySource::kCanvas}; }

// The roll of the unroll effects: half the revealed part near the start, half the rest near
// the end, a tenth of the side in between.
int32_t RollWidth(int32_t progress, int32_t side) {
  if (progress < side / 5) return progress / 2;
  if (side - progress < side / 5) return (side - progress) / 2;
  return side / 10;
}

std::vector<TCopy> CopiesOf(int32_t kind, const TTransitionMetrics& m) {
  const int32_t W = m.W, H = m.H, DX = m.DX, DY = m.DY;
  // Build up divides the side by the band: a frame under 45 pixels has a band of 0.
  const int32_t band = std::max(m.Band, 1);
  const TRect R{0, 0, W, H};
  switch (kind) {
    case 31: return {Stretch({0, 0, DX, H}, R)};
    case 32: return {Stretch({W - DX, 0, W, H}, R)};
    case 33: return {Stretch({0, 0, W, DY}, R)};
    case 34: return {Stretch({0, H - DY, W, H}, R)};
    case 35: return {Stretch({0, 0, DX, DY}, R)};
    case 36: return {Stretch({W - DX, 0, W, DY}, R)};
    case 37: return {Stretch({0, H - DY, DX, H}, R)};
    case 38: return {Stretch({W - DX, H - DY, W, H}, R)};
    case 39: return {Stretch({DX - W, 0, W, H}, {W - DX, 0, W, H})};
    case 40: return {Stretch({0, 0, 2 * W - DX, H}, {0, 0, DX, H})};
    case 41: return {Stretch({0, DY - H, W, H}, {0, H - DY, W, H})};
    case 42: return {Stretch({0, 0, W, 2 * H - DY}, {0, 0, W, DY})};
    case 43: return {Stretch({DX - W, 0, 2 * W - DX, H}, {(W - DX) / 2, 0, (W + DX) / 2, H})};
    case 44: return {Stretch({0, DY - H, W, 2 * H - DY}, {0, (H - DY) / 2, W, (H + DY) / 2})};
    case 45:
      return {Stretch({0, 0, DX / 2 + 1, H}, {0, 0, W / 2 + 1, H}),
              Stretch({W - DX / 2 - 1, 0, W, H}, {W / 2, 0, W, H})};
    case 46:
      return {Stretch({0, 0, W, DY / 2 + 1}, {0, 0, W, H / 2 + 1}),
              Stretch({0, H - DY / 2 - 1, W, H}, {0, H / 2, W, H})};
    case 47: return {Stretch({0, (H - DY) / 2, W, (H + DY) / 2}, R)};
    case 48: return {Stretch({(W - DX) / 2, 0, (W + DX) / 2, H}, R)};
    case 49: return {InPlace({0, 0, DX, DY})};
    case 50: return {InPlace({W - DX, 0, W, DY})};
    case 51: return {InPlace({0, H - DY, DX, H})};
    case 52: return {InPlace({W - DX, H - DY, W, H})};
    case 53: return {InPlace({0, (H - DY) / 2, W, (H + DY) / 2})};
    case 54: return {InPlace({0, 0, DX / 2 + 1, H}), InPlace({W - DX / 2 - 1, 0, W, H})};
    case 55: return {InPlace({(W - DX) / 2, 0, (W + DX) / 2, H})};
    case 56:
      return {InPlace({W - DX, 0, W, H}),
              Stretch({0, 0, W - DX, H}, {std::max(W - DX - W / band, 0), 0, W - DX, H})};
    case 57:
      return {InPlace({0, 0, DX, H}), Stretch({DX, 0, W, H}, {DX, 0, std::min(DX + W / band, W), H})};
    case 58:
      return {InPlace({0, H - DY, W, H}),
              Stretch({0, 0, W, H - DY}, {0, std::max(H - DY - H / band, 0), W, H - DY})};
    case 59:
      return {InPlace({0, 0, W, DY}), Stretch({0, DY, W, H}, {0, DY, W, std::min(DY + H / band, H)})};
    case 60: {
      const int32_t r = RollWidth(DX, W);
      return {TCopy{{DX, 0, DX + r, H}, {DX + r, 0, DX + 2 * r, H}, TCopySource::kTargetMirroredH},
              InPlace({0, 0, DX, H})};
    }
    case 61: {
      const int32_t r = RollWidth(DX, W);
      const int32_t e = W - DX;
      return {TCopy{{e - r, 0, e, H}, {e - 2 * r, 0, e - r, H}, TCopySource::kTargetMirroredH},
              InPlace({e, 0, W, H})};
    }
    case 62: {
      const int32_t r = RollWidth(DY, H);
      return {TCopy{{0, DY, W, DY + r}, {0, DY + r, W, DY + 2 * r}, TCopySource::kTargetMirroredV},
              InPlace({0, 0, W, DY})};
    }
    case 63: {
      const int32_t r = RollWidth(DY, H);
      const int32_t e = H - DY;
      return {TCopy{{0, e - r, W, e}, {0, e - 2 * r, W, e - r}, TCopySource::kTargetMirroredV},
              InPlace({0, e, W, H})};
    }
    case 64: return {Stretch({DX - W, 0, DX, H}, R)};
    case 65: return {Stretch({W - DX, 0, 2 * W - DX, H}, R)};
    case 66: return {Stretch({0, DY - H, W, DY}, R)};
    case 67: return {Stretch({0, H - DY, W, 2 * H - DY}, R)};
    case 68: return {InPlace({0, 0, W, DY / 2 + 1}), InPlace({0, H - DY / 2 - 1, W, H})};
    case 69: return {Stretch({0, 0, 2 * W - DX, 2 * H - DY}, {0, 0, DX, DY})};
    case 70: return {Stretch({DX - W, 0, W, 2 * H - DY}, {W - DX, 0, W, DY})};
    case 71: return {Stretch({0, DY - H, 2 * W - DX, H}, {0, H - DY, DX, H})};
    case 72: return {Stretch({DX - W, DY - H, W, H}, {W - DX, H - DY, W, H})};
    case 73:
      return {Stretch({DX - W, DY - H, 2 * W - DX, 2 * H - DY},
                      {(W - DX) / 2, (H - DY) / 2, (W + DX) / 2, (H + DY) / 2})};
    case 74:
      return {InPlace({0, 0, DX / 2 + 1, DY / 2 + 1}), InPlace({0, H - DY / 2 - 1, DX / 2 + 1, H}),
              InPlace({W - DX / 2 - 1, H - DY / 2 - 1, W, H}),
              InPlace({W - DX / 2 - 1, 0, W, DY / 2 + 1})};
    case 75:
      return {Stretch({0, 0, DX / 2 + 1, DY / 2 + 1}, {0, 0, W / 2 + 1, H / 2 + 1}),
              Stretch({0, H - DY / 2, DX / 2 + 1, H}, {0, H / 2 + 1, W / 2 + 1, H}),
              Stretch({W - DX / 2, H - DY / 2, W, H}, {W / 2 + 1, H / 2 + 1, W, H}),
              Stretch({W - DX / 2, 0, W, DY / 2 + 1}, {W / 2 + 1, 0, W, H / 2 + 1})};
    case 76:
      return {Stretch({(DX - W) / 2, 0, DX / 2 + 1, H / 2 + 1}, {0, 0, W / 2 + 1, H / 2 + 1}),
              Stretch({W / 2 - 1, (DY - H) / 2, W, DY / 2 + 1}, {W / 2 - 1, 0, W, H / 2 + 1}),
              Stretch({W - DX / 2, H / 2 - 1, W + (W - DX) / 2, H}, {W / 2 + 1, H / 2 - 1, W, H}),
              Stretch({0, H - DY / 2, W / 2 + 1, H + (H - DY) / 2}, {0, H / 2 + 1, W / 2 + 1, H})};
    case 146: return {Within({0, 0, W - DX, H}, {DX, 0, W, H}), Stretch({W - DX, 0, W, H}, {0, 0, DX, H})};
    case 147: return {Within({DX, 0, W, H}, {0, 0, W - DX, H}), Stretch({0, 0, DX, H}, {W - DX, 0, W, H})};
    case 148: return {Within({0, 0, W, H - DY}, {0, DY, W, H}), Stretch({0, H - DY, W, H}, {0, 0, W, DY})};
    case 149: return {Within({0, DY, W, H}, {0, 0, W, H - DY}), Stretch({0, 0, W, DY}, {0, H - DY, W, H})};
    case 150: return {Within({0, 0, W - DX, H}, R), Stretch({W - DX, 0, W, H}, {0, 0, DX, H})};
    case 151: return {Within({DX, 0, W, H}, R), Stretch({0, 0, DX, H}, {W - DX, 0, W, H})};
    case 152: return {Within({0, 0, W, H - DY}, R), Stretch({0, H - DY, W, H}, {0, 0, W, DY})};
    case 153: return {Within({0, DY, W, H}, R), Stretch({0, 0, W, DY}, {0, H - DY, W, H})};
    default: return {};
  }
}

}  // namespace

bool IsRectangleTransition(int32_t Kind) {
  return (Kind >= 31 && Kind <= 76) || (Kind >= 146 && Kind <= 153);
}

void PaintRectangleTransition(int32_t Kind, platform::TCanvas& Canvas, platform::TBitmap& Target,
                              const TRect& R, int32_t Scale, int32_t Percent) {
  const TTransitionMetrics metrics = TransitionMetrics(R, Scale, Percent);
  for (const TCopy& copy : CopiesOf(Kind, metrics)) {
    switch (copy.From) {
      case TCopySource::kTargetMirroredH:
      case TCopySource::kTargetMirroredV:
        StretchMirrored(Canvas, copy.Dest, Target, copy.Src,
                        copy.From == TCopySource::kTargetMirroredH,
                        copy.From == TCopySource::kTargetMirroredV);
        break;
      case TCopySource::kTarget:
      case TCopySource::kCanvas: {
        const platform::TCanvas& source =
            copy.From == TCopySource::kCanvas ? Canvas : *Target.GetCanvas();
        Canvas.CopyRect(copy.Dest.Left, copy.Dest.Top, copy.Dest.Right, copy.Dest.Bottom, source,
                        copy.Src.Left, copy.Src.Top, copy.Src.Right, copy.Src.Bottom);
        break;
      }
    }
  }
}

}  // namespace calmora
