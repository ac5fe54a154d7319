// The magic wand's region: bit planes, the colour test as one small lookup per pixel format
// (any other format through GetPixelAsRGB), the scan-line seed fill and mask writes by runs.
#include "imaging/proc/filters/magic_wand_region.h"

#include <cstdlib>
#include <new>
#include <vector>

#include "imaging/base/bit_helpers.h"

namespace calmora {

namespace wand_testing {
int64_t BlockLimit = -1;
}  // namespace wand_testing

namespace wand {

bool WithinBlockLimit(int64_t bytes) {
  return wand_testing::BlockLimit < 0 || bytes <= wand_testing::BlockLimit;
}

std::unique_ptr<uint64_t[]> TryWords(int64_t count) {
  if (count < 0 || count > INT64_MAX / 8 || !WithinBlockLimit(count * 8)) return nullptr;
  return std::unique_ptr<uint64_t[]>(new (std::nothrow) uint64_t[static_cast<size_t>(count)]());
}

bool BitPlane::Allocate(int32_t width, int32_t height) {
  width_ = height_ = 0;
  words_ = (int64_t{std::max(width, 0)} + 63) / 64;
  bits_ = TryWords(words_ * std::max(height, 0));
  if (!bits_) return false;
  width_ = width;
  height_ = height;
  return true;
}

void BitPlane::SetRun(int32_t y, int32_t first, int32_t last) {
  uint64_t* row = Row(y);
  const int32_t firstWord = first >> 6, lastWord = last >> 6;
  const uint64_t head = ~uint64_t{0} << (first & 63);
  const uint64_t tail = ~uint64_t{0} >> (63 - (last & 63));
  if (firstWord == lastWord) {
    row[firstWord] |= head & tail;
    return;
  }
  row[firstWord] |= head;
  for (int32_t w = firstWord + 1; w < lastWord; ++w) row[w] = ~uint64_t{0};
  row[lastWord] |= tail;
}

void SpreadSideways(const uint64_t* row, int64_t first, int64_t last, uint64_t* out) {
  for (int64_t w = first; w <= last; ++w) {
    const uint64_t fromLeft = (row[w] << 1) | (w > first ? row[w - 1] >> 63 : 0);
    const uint64_t fromRight = (row[w] >> 1) | (w < last ? row[w + 1] << 63 : 0);
    out[w] = row[w] | fromLeft | fromRight;
  }
}

namespace {

// Which values of each channel lie within the tolerance of the seed's.
struct ChannelTables {
  bool Red[256], Green[256], Blue[256];

  ChannelTables(TPVRGB seed, int32_t tolerance) {
    for (int32_t v = 0; v < 256; ++v) {
      Red[v] = std::abs(v - seed.r) <= tolerance;
      Green[v] = std::abs(v - seed.g) <= tolerance;
      Blue[v] = std::abs(v - seed.b) <= tolerance;
    }
  }
  bool Matches(TPVRGB c) const { return Red[c.r] && Green[c.g] && Blue[c.b]; }
};

// The tests below answer for pixel x of a row (y for the one that reads through the bitmap).

// A format whose colour follows from one byte of the pixel: pv8g, pv8p (through the palette)
// and pv16g (its high byte).
struct ByteKeyTest {
  bool Matches[256];
  int32_t Stride, Offset;
  bool operator()(const uint8_t* row, int32_t x, int32_t) const {
    return Matches[row[int64_t{x} * Stride + Offset]];
  }
};

struct BitTest {
  bool Black, White;
  bool operator()(const uint8_t* row, int32_t x, int32_t) const {
    return GetBit(row, x) ? White : Black;
  }
};

// pv24RGB and pv32RGB: blue, green, red at the pixel's start.
struct RgbTest {
  const ChannelTables* Tables;
  int32_t Stride;
  bool operator()(const uint8_t* row, int32_t x, int32_t) const {
    const uint8_t* p = row + int64_t{x} * Stride;
    return Tables->Blue[p[0]] && Tables->Green[p[1]] && Tables->Red[p[2]];
  }
};

struct AnyFormatTest {
  const TPVBitmap* Bitmap;
  const ChannelTables* Tables;
  bool operator()(const uint8_t*, int32_t x, int32_t y) const {
    return Tables->Matches(Bitmap->GetPixelAsRGB(x, y));
  }
};

// Calls use(test) with the test of the bitmap's format for the colour of (x, y), inside.
template <typename Use>
void WithPixelTest(const TPVBitmap& bitmap, int32_t x, int32_t y, int32_t tolerance, Use use) {
  const ChannelTables tables(bitmap.GetPixelAsRGB(x, y), tolerance);
  const auto grey = [&](int32_t level) {
    return tables.Red[level] && tables.Green[level] && tables.Blue[level];
  };
  switch (bitmap.GetPixelFormat()) {
    case pv8g:
    case pv8p:
    case pv16g: {
      const bool wide = bitmap.GetPixelFormat() == pv16g;
      ByteKeyTest test{{}, wide ? 2 : 1, wide ? 1 : 0};
      for (int32_t v = 0; v < 256; ++v)
        test.Matches[v] =
            bitmap.GetPixelFormat() == pv8p ? tables.Matches(bitmap.GetPaletteColor(v)) : grey(v);
      use(test);
      return;
    }
    case pv1g: use(BitTest{grey(0), grey(255)}); return;
    case pv24RGB: use(RgbTest{&tables, 3}); return;
    case pv32RGB: use(RgbTest{&tables, 4}); return;
    default: use(AnyFormatTest{&bitmap, &tables}); return;
  }
}

// A segment of the fill: the pixels left..right of row parent were taken; row parent + dy
// is still to be searched next to them.
struct Segment {
  int32_t Parent, Left, Right, Dy;
};
static_assert(sizeof(Segment) == 16);

// The scan-line seed fill: each popped segment's row is searched under the parent's span; a
// run found there is taken whole, its continuation pushed, and where the run reaches past the
// parent's span, the parent's row is pushed again for those pixels.
template <typename Test>
void Fill(const TPVBitmap& bitmap, int32_t seedX, int32_t seedY, const Test& test, Region& region) {
  const int32_t width = bitmap.GetWidth(), height = bitmap.GetHeight();
  BitPlane& taken = region.Taken;
  // Room for two rows' worth of segments at first (within reason for very wide images).
  std::vector<Segment> stack;
  stack.reserve(std::min<size_t>(2 * static_cast<size_t>(width), size_t{1} << 16));
  const auto push = [&](int32_t parent, int32_t left, int32_t right, int32_t dy) {
    const int32_t row = parent + dy;
    if (row >= 0 && row < height) stack.push_back({parent, left, right, dy});
  };
  const auto take = [&](int32_t y, int32_t first, int32_t last) {
    if (first > last) return;
    taken.SetRun(y, first, last);
    region.Left = std::min(region.Left, first);
    region.Right = std::max(region.Right, last);
    region.Top = std::min(region.Top, y);
    region.Bottom = std::max(region.Bottom, y);
  };
  region.Left = region.Top = INT32_MAX;
  region.Right = region.Bottom = -1;
  push(seedY, seedX, seedX, 1);
  push(seedY + 1, seedX, seedX, -1);
  while (!stack.empty()) {
    const Segment s = stack.back();
    stack.pop_back();
    const int32_t y = s.Parent + s.Dy;
    const uint8_t* row = bitmap.GetScanline(y);
    if (row == nullptr) continue;
    const auto open = [&](int32_t x) { return !taken.Get(x, y) && test(row, x, y); };
    int32_t x = s.Left;
    while (x >= 0 && open(x)) --x;
    int32_t runStart = x + 1;
    if (x < s.Left) {
      if (runStart < s.Left) push(y, runStart, s.Left - 1, -s.Dy);
      x = s.Left + 1;
    } else {
      runStart = -1;  // no run through the span's first pixel
    }
    for (;;) {
      if (runStart >= 0) {
        while (x < width && open(x)) ++x;
        take(y, runStart, x - 1);
        push(y, runStart, x - 1, s.Dy);
        if (x > s.Right + 1) push(y, s.Right + 1, x - 1, -s.Dy);
      }
      for (++x; x <= s.Right && !open(x); ++x) {
      }
      if (x > s.Right) break;
      runStart = x;
    }
  }
  if (region.Right < 0) region.Left = region.Top = 0;
}

}  // namespace

bool FindRegion(const TPVBitmap& bitmap, int32_t x, int32_t y, int32_t tolerance, Region& region) {
  region = Region{};
  const int32_t width = bitmap.GetWidth(), height = bitmap.GetHeight();
  if (x < 0 || y < 0 || x >= width || y >= height) return false;
  if (!region.Taken.Allocate(width, height)) return false;
  try {
    WithPixelTest(bitmap, x, y, tolerance,
                  [&](const auto& test) { Fill(bitmap, x, y, test, region); });
  } catch (const std::bad_alloc&) {
    region = Region{};
    return false;
  }
  return true;
}

void ForEachMatchingRun(const TPVBitmap& bitmap, int32_t x, int32_t y, int32_t tolerance,
                        const std::function<void(int32_t, int32_t, int32_t)>& visit) {
  const int32_t width = bitmap.GetWidth(), height = bitmap.GetHeight();
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  WithPixelTest(bitmap, x, y, tolerance, [&](const auto& test) {
    for (int32_t row = 0; row < height; ++row) {
      const uint8_t* pixels = bitmap.GetScanline(row);
      if (pixels == nullptr) return;
      for (int32_t i = 0; i < width;) {
        if (!test(pixels, i, row)) {
          ++i;
          continue;
        }
        const int32_t first = i;
        while (i < width && test(pixels, i, row)) ++i;
        visit(row, first, i - 1);
      }
    }
  });
}

void SetMaskRun(TPVMask& mask, int32_t y, int32_t first, int32_t last, int32_t value) {
  first = std::max(first, 0);
  last = std::min(last, mask.Width - 1);
  if (y < 0 || y >= mask.Height || first > last) return;
  // The two ends carry the box and AllSet as single writes do; the span between takes the
  // same bits (a 1-bit span sets for 1 and clears for anything else, a single write sets for
  // any non-zero value).
  mask.SetPixel(first, y, value);
  mask.SetPixel(last, y, value);
  mask.FillSpan(mask.BitsPerPixel == 1 ? (value != 0 ? 1 : 0) : value, first, last, y);
}

}  // namespace wand

}  // namespace calmora
