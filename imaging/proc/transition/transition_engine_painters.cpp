// The engine's own painters (kinds 1-30: fades, wipes, slides, pushes, random points and
// boxes, centred wipes and expansions) and the call into the transition table. Blends and
// pushes work on the row tables; the rest copies blocks between the buffers' canvases.
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/base/random.h"
#include "imaging/core/view/view_base.h"
#include "imaging/base/color_helpers.h"
#include "imaging/proc/transition/transition_effects.h"
#include "imaging/proc/transition/transition_table.h"
#include "platform/canvas.h"
#include "platform/canvas_blit.h"
#include "platform/device_bitmap.h"

namespace calmora {

namespace {

// Rounds to the nearest integer, halves to even.
int32_t RoundToInt(double value) { return static_cast<int32_t>(std::nearbyint(value)); }

// a x s >> 10 for a non-negative a and a step s of 0 .. 1024.
int32_t Part(int32_t a, int32_t s) { return static_cast<int32_t>((int64_t{a} * s) >> 10); }

// The rectangle centred in the frame that is s / 1024 of it.
TRect Centred(int32_t W, int32_t H, int32_t s) {
  const int32_t x = W / 2 - Part(W / 2, s);
  const int32_t y = H / 2 - Part(H / 2, s);
  return TRect{x, y, x + Part(W, s), y + Part(H, s)};
}

}  // namespace

void TPVTransitionEffects::Fade(int32_t s, const TPVRGB* sourceColor, const TPVRGB* targetColor) {
  const size_t bytes = 3 * static_cast<size_t>(Width);
  // A colour stands in as a row of its bytes, so that every row runs the same plain loop.
  const auto colorRow = [bytes](const TPVRGB* color) {
    std::vector<uint8_t> row;
    if (color)
      for (size_t j = 0; j < bytes; j += 3) row.insert(row.end(), {color->b, color->g, color->r});
    return row;
  };
  const std::vector<uint8_t> sourceFill = colorRow(sourceColor);
  const std::vector<uint8_t> targetFill = colorRow(targetColor);
  // (S (1024 - s) + T s) >> 10 is S + floor((T - S) s / 1024). With s = 32 high + low, that
  // is S + floor(((T - S) high + floor((T - S) low / 32)) / 32), whose every step fits 16
  // bits: the loop then runs on 16-bit lanes.
  const auto high = static_cast<int16_t>(s >> 5);
  const auto low = static_cast<int16_t>(s & 31);
  for (int32_t i = 0; i < Height; ++i) {
    const uint8_t* from = sourceColor ? sourceFill.data() : SourceRows[i];
    const uint8_t* to = targetColor ? targetFill.data() : TargetRows[i];
    uint8_t* work = WorkRows[i];
    for (size_t j = 0; j < bytes; ++j) {
      const auto difference = static_cast<int16_t>(to[j] - from[j]);
      const auto coarse = static_cast<int16_t>(difference * high);
      const auto fine = static_cast<int16_t>(difference * low);
      work[j] = static_cast<uint8_t>(from[j] + ((coarse + (fine >> 5)) >> 5));
    }
  }
}

void TPVTransitionEffects::CopyRows(int32_t s) {
  const int32_t W = Width, H = Height;
  const size_t rowBytes = static_cast<size_t>(Work->GetRowLength());
  // Part rows, 3 bytes a pixel: [0, c) from first at firstAt, [c, W) from second at secondAt.
  const auto splitRows = [&](int32_t c, const std::vector<uint8_t*>& first, int32_t firstAt,
                             const std::vector<uint8_t*>& second, int32_t secondAt) {
    for (int32_t i = 0; i < H; ++i) {
      std::memcpy(WorkRows[i], first[i] + 3 * static_cast<size_t>(firstAt), 3 * static_cast<size_t>(c));
      std::memcpy(WorkRows[i] + 3 * static_cast<size_t>(c), second[i] + 3 * static_cast<size_t>(secondAt),
                  3 * static_cast<size_t>(W - c));
    }
  };
  // Whole rows: i < n from first row firstAt + i, the others from second row secondAt + i.
  const auto stackRows = [&](int32_t n, const std::vector<uint8_t*>& first, int32_t firstAt,
                             const std::vector<uint8_t*>& second, int32_t secondAt) {
    for (int32_t i = 0; i < H; ++i)
      std::memcpy(WorkRows[i], i < n ? first[firstAt + i] : second[secondAt + i], rowBytes);
  };
  const int32_t across = Part(W, s), acrossLeft = Part(W, 1024 - s);
  const int32_t down = Part(H, s), downLeft = Part(H, 1024 - s);
  switch (Kind) {
    case 17: splitRows(across, TargetRows, W - across, SourceRows, 0); break;
    case 18: splitRows(across, TargetRows, 0, SourceRows, 0); break;
    case 19: splitRows(acrossLeft, SourceRows, W - acrossLeft, TargetRows, 0); break;
    case 20: splitRows(acrossLeft, SourceRows, 0, TargetRows, 0); break;
    case 21: stackRows(down, TargetRows, H - down, SourceRows, -down); break;
    case 22: stackRows(down, TargetRows, 0, SourceRows, -down); break;
    case 23: stackRows(downLeft, SourceRows, H - downLeft, TargetRows, -downLeft); break;
    case 24: stackRows(downLeft, SourceRows, H - downLeft, TargetRows, 0); break;
    default: break;
  }
}

void TPVTransitionEffects::PaintRandomPoints(int32_t s) {
  if (s == 0) {
    const size_t rowBytes = static_cast<size_t>(Work->GetRowLength());
    for (int32_t i = 0; i < Height; ++i) std::memcpy(WorkRows[i], SourceRows[i], rowBytes);
    return;
  }
  // The running count makes each frame copy only the points still owed.
  const int32_t goal = RoundToInt(Width * static_cast<double>(s) * (s / 180.0) / 1024);
  const int32_t owed = goal - RandomDone;
  RandomDone = goal;
  if (owed <= 0) return;
  std::vector<int32_t> columns(static_cast<size_t>(owed));
  for (int32_t i = 0; i < Height; ++i) {
    RandomFill(Width, columns.data(), columns.size());
    for (const int32_t column : columns) {
      const size_t x = 3 * static_cast<size_t>(column);
      std::memcpy(WorkRows[i] + x, TargetRows[i] + x, 3);
    }
  }
}

void TPVTransitionEffects::PaintRandomBoxes(int32_t s) {
  platform::TCanvas& work = *Work->GetCanvas();
  if (s == 0) {
    platform::BitBlt(work, 0, 0, Width, Height, *Source->GetCanvas(), 0, 0);
    return;
  }
  const int64_t boxes = int64_t{Width} * Height / 64;
  const int32_t goal = RoundToInt(static_cast<double>(boxes) * s * (s / 180.0) / 1024);
  const int32_t owed = goal - RandomDone;
  RandomDone = goal;
  for (int32_t k = 0; k < owed; ++k) {
    // The boxes lie on the 8-pixel grid.
    const int32_t x = Random(Width) & ~7;
    const int32_t y = Random(Height) & ~7;
    platform::BitBlt(work, x, y, 8, 8, *Target->GetCanvas(), x, y);
  }
}

void TPVTransitionEffects::PaintEngineTransition(int32_t s) {
  const int32_t W = Width, H = Height;
  platform::TCanvas& work = *Work->GetCanvas();
  const auto drawWhole = [&](platform::TBitmap& picture, int32_t x, int32_t y) {
    platform::BitBlt(work, x, y, W, H, *picture.GetCanvas(), 0, 0);
  };
  const auto sourceFirst = [&] {
    if (s == 0) drawWhole(*Source, 0, 0);
  };
  const auto copyInPlace = [&](platform::TBitmap& picture, const TRect& r) {
    platform::BitBlt(work, r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top, *picture.GetCanvas(),
                     r.Left, r.Top);
  };
  const auto redLine = [&](int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    work.Pen.Color = 255;
    work.MoveTo(x1, y1);
    work.LineTo(x2, y2);
  };
  const auto stretchWhole = [&](platform::TBitmap& picture, const TRect& r) {
    work.StretchMode = platform::HALFTONE;
    platform::SmoothStretchRect(work, r.Left, r.Top, r.Right, r.Bottom, *picture.GetCanvas(), 0,
                                0, W, H);
  };
  const TPVRGB background = ColorToRGBRecord(View ? View->GetBackground() : 0);
  switch (Kind) {
    case 1: Fade(s, nullptr, nullptr); break;
    case 2: Fade(s, nullptr, &background); break;
    case 3: Fade(s, &background, nullptr); break;
    case 4:
      if (s < 512)
        Fade(2 * s, nullptr, &background);
      else
        Fade(2 * s - 1024, &background, nullptr);
      break;
    case 5:
    case 6: {
      sourceFirst();
      const int32_t x = Part(W, s);
      copyInPlace(*Target, {0, 0, x, H});
      if (Kind == 6) redLine(x, 0, x, H);
      break;
    }
    case 7:
    case 8: {
      sourceFirst();
      const int32_t x = RoundToInt(W * (1024.0 - s) / 1024);
      copyInPlace(*Target, {x, 0, x + RoundToInt(s * static_cast<double>(W) / 1024), H});
      if (Kind == 8) redLine(x, 0, x, H);
      break;
    }
    case 9:
    case 10: {
      sourceFirst();
      const int32_t y = RoundToInt(s * static_cast<double>(H) / 1024);
      copyInPlace(*Target, {0, 0, W, y});
      if (Kind == 10) redLine(0, y, W, y);
      break;
    }
    case 11:
    case 12: {
      sourceFirst();
      const int32_t y = RoundToInt(H * (1024.0 - s) / 1024);
      copyInPlace(*Target, {0, y, W, y + RoundToInt(s * static_cast<double>(H) / 1024)});
      if (Kind == 12) redLine(0, y, W, y);
      break;
    }
    case 13:
    case 14:
    case 15:
    case 16: {
      sourceFirst();
      const int32_t dx = Part(W, 1024 - s), dy = Part(H, 1024 - s);
      drawWhole(*Target, Kind == 13 || Kind == 15 ? -dx : dx, Kind == 13 || Kind == 14 ? -dy : dy);
      break;
    }
    case 25: PaintRandomPoints(s); break;
    case 26: PaintRandomBoxes(s); break;
    case 27:
      sourceFirst();
      copyInPlace(*Target, Centred(W, H, s));
      break;
    case 28:
      drawWhole(*Target, 0, 0);
      copyInPlace(*Source, Centred(W, H, 1024 - s));
      break;
    case 29:
      sourceFirst();
      stretchWhole(*Target, Centred(W, H, s));
      break;
    case 30:
      drawWhole(*Target, 0, 0);
      stretchWhole(*Source, Centred(W, H, 1024 - s));
      break;
    default: CopyRows(s); break;
  }
}

void TPVTransitionEffects::PaintTableTransition(int32_t s) {
  platform::TCanvas& work = *Work->GetCanvas();
  if (s == 0) {
    platform::BitBlt(work, 0, 0, Width, Height, *Source->GetCanvas(), 0, 0);
    return;
  }
  if (Kind < 1 || Kind > kTransitionTableLength) return;
  const TPVTransitionProc proc = TransitionTable[Kind - 1].Proc;
  if (proc == nullptr) return;
  work.StretchMode = platform::HALFTONE;
  proc(work, *Source, *Target, TRect{0, 0, Work->GetWidth(), Work->GetHeight()}, 1,
       RoundToInt(s / 1024.0 * 100));
}

}  // namespace calmora
