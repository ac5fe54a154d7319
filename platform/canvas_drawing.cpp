// The toolkit's drawing operations on our canvas: one-pixel lines walked pixel by pixel with
// the pen's raster mode (QPainter has no NOT or XOR pens), fills, pixels and rectangle copies
// on the bitmap's rows in any format, and text through QPainter.
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/canvas.h"
#include "platform/canvas_blit.h"
#include "platform/device_bitmap.h"
#include "platform/device_pixels.h"
#include "platform/font_names.h"

namespace calmora::platform {

namespace {

bool IsIndexed(TPixelFormat format) {
  return format == pf1bit || format == pf4bit || format == pf8bit;
}

TRGBQuad QuadOf(uint32_t color) {
  return TRGBQuad{static_cast<uint8_t>(color >> 16), static_cast<uint8_t>(color >> 8),
                  static_cast<uint8_t>(color), 0};
}

uint32_t ColorOf(const TRGBQuad& quad) {
  return static_cast<uint32_t>(quad.rgbRed) | (static_cast<uint32_t>(quad.rgbGreen) << 8) |
         (static_cast<uint32_t>(quad.rgbBlue) << 16);
}

QColor ToolkitColor(uint32_t color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

// The binary raster operation of a pen mode on the bits of pen value p and pixel value d.
uint32_t ApplyPenMode(TPenMode mode, uint32_t p, uint32_t d) {
  switch (mode) {
    case pmBlack: return 0;
    case pmWhite: return ~0u;
    case pmNop: return d;
    case pmNot: return ~d;
    case pmCopy: return p;
    case pmNotCopy: return ~p;
    case pmMergePenNot: return p | ~d;
    case pmMaskPenNot: return p & ~d;
    case pmMergeNotPen: return ~p | d;
    case pmMaskNotPen: return ~p & d;
    case pmMerge: return p | d;
    case pmNotMerge: return ~(p | d);
    case pmMask: return p & d;
    case pmNotMask: return ~(p & d);
    case pmXor: return p ^ d;
    case pmNotXor: return ~(p ^ d);
  }
  return d;
}

// Reads pixels of one bitmap of any format as colours.
class TPixelReader {
 public:
  explicit TPixelReader(TBitmap& bitmap) : Bitmap_(bitmap), Format_(bitmap.GetPixelFormat()) {
    const int32_t length = bitmap.GetColorTableLength();
    Table_.resize(static_cast<size_t>(length));
    for (int32_t i = 0; i < length; ++i) Table_[i] = bitmap.GetColorTableEntry(i);
  }

  bool Inside(int32_t x, int32_t y) const {
    return x >= 0 && y >= 0 && x < Bitmap_.GetWidth() && y < Bitmap_.GetHeight();
  }
  // CLR_INVALID outside the bitmap.
  uint32_t Get(int32_t x, int32_t y) const {
    if (!Inside(x, y)) return CLR_INVALID;
    return ColorOf(ReadColor(Bitmap_.GetScanLine(y), x, Format_, Table_.data()));
  }

 protected:
  TBitmap& Bitmap_;
  TPixelFormat Format_;
  std::vector<TRGBQuad> Table_;
};

// Writes pixels of one bitmap with one pen mode: indexed bitmaps combine table indices (the
// colour as its nearest entry), the others combine RGB values.
class TPixelWriter : public TPixelReader {
 public:
  TPixelWriter(TBitmap& bitmap, TPenMode mode) : TPixelReader(bitmap), Mode_(mode) {
    IndexMask_ = Table_.empty() ? 0u : static_cast<uint32_t>(Table_.size() - 1);
  }

  void SetColor(uint32_t color) {
    Color_ = color & 0xFFFFFF;
    if (!Table_.empty())
      ColorIndex_ = static_cast<uint32_t>(
          NearestEntry(Table_.data(), static_cast<int32_t>(Table_.size()), QuadOf(Color_)));
  }

  void Put(int32_t x, int32_t y) {
    if (!Inside(x, y)) return;
    uint8_t* row = Bitmap_.GetScanLine(y);
    if (IsIndexed(Format_)) {
      const uint32_t index = ApplyPenMode(Mode_, ColorIndex_, ReadIndex(row, x, Format_));
      WriteIndex(row, x, Format_, static_cast<int32_t>(index & IndexMask_));
      return;
    }
    const TRGBQuad old = ReadColor(row, x, Format_, Table_.data());
    TRGBQuad next = QuadOf(ApplyPenMode(Mode_, Color_, ColorOf(old)) & 0xFFFFFF);
    next.rgbReserved = old.rgbReserved;
    WriteColor(row, x, Format_, Table_.data(), next);
  }

 private:
  TPenMode Mode_;
  uint32_t Color_ = 0;
  uint32_t ColorIndex_ = 0;
  uint32_t IndexMask_ = 0;
};

Qt::PenStyle ToolkitPenStyle(TPenStyle style) {
  switch (style) {
    case psDash: return Qt::DashLine;
    case psDot: return Qt::DotLine;
    case psDashDot: return Qt::DashDotLine;
    case psDashDotDot: return Qt::DashDotDotLine;
    case psClear: return Qt::NoPen;
    default: return Qt::SolidLine;
  }
}

Qt::BrushStyle ToolkitBrushStyle(TBrushStyle style) {
  switch (style) {
    case bsHorizontal: return Qt::HorPattern;
    case bsVertical: return Qt::VerPattern;
    case bsFDiagonal: return Qt::FDiagPattern;
    case bsBDiagonal: return Qt::BDiagPattern;
    case bsCross: return Qt::CrossPattern;
    case bsDiagCross: return Qt::DiagCrossPattern;
    case bsClear: return Qt::NoBrush;
    default: return Qt::SolidPattern;
  }
}

}  // namespace

void TCanvas::LineTo(int32_t x, int32_t y) {
  const TCanvasPoint from = PenPos_;
  PenPos_ = TCanvasPoint{x, y};
  if (Pen.Style == psClear || Bitmap_.GetWidth() < 1 || Bitmap_.GetHeight() < 1) return;
  if (Pen.Width > 1 || (Pen.Style != psSolid && Pen.Style != psInsideFrame)) {
    Paint([&](QPainter& painter) {
      QPen pen(ToolkitColor(Pen.Color), Pen.Width, ToolkitPenStyle(Pen.Style), Qt::RoundCap);
      painter.setPen(pen);
      painter.drawLine(from.X, from.Y, x, y);
    });
    return;
  }
  // Bresenham's walk from the start up to, not including, the end point.
  TPixelWriter writer(Bitmap_, Pen.Mode);
  writer.SetColor(Pen.Color);
  const int64_t dx = std::llabs(int64_t{x} - from.X);
  const int64_t dy = -std::llabs(int64_t{y} - from.Y);
  const int32_t stepX = from.X < x ? 1 : -1;
  const int32_t stepY = from.Y < y ? 1 : -1;
  int64_t error = dx + dy;
  int32_t cx = from.X;
  int32_t cy = from.Y;
  while (cx != x || cy != y) {
    writer.Put(cx, cy);
    const int64_t twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      cx += stepX;
    }
    if (twice <= dx) {
      error += dx;
      cy += stepY;
    }
  }
  Changed();
}

void TCanvas::FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (Brush.Style == bsClear) return;
  const int32_t l = std::max(left, 0);
  const int32_t t = std::max(top, 0);
  const int32_t r = std::min(right, Bitmap_.GetWidth());
  const int32_t b = std::min(bottom, Bitmap_.GetHeight());
  if (l >= r || t >= b) return;
  if (Brush.Style == bsSolid) {
    TPixelWriter writer(Bitmap_, pmCopy);
    writer.SetColor(Brush.Color);
    for (int32_t y = t; y < b; ++y)
      for (int32_t x = l; x < r; ++x) writer.Put(x, y);
    Changed();
    return;
  }
  // Hatches draw their lines only; the pixels between them stay.
  Paint([&](QPainter& painter) {
    painter.fillRect(l, t, r - l, b - t,
                     QBrush(ToolkitColor(Brush.Color), ToolkitBrushStyle(Brush.Style)));
  });
}

void TCanvas::TextOut(int32_t x, int32_t y, const std::string& text) {
  if (!FontsUsable()) return;
  const QFont font = ToolkitFont(Font);
  const QFontMetrics metrics(font);
  const QString shown = QString::fromStdString(text);
  const int32_t width = metrics.horizontalAdvance(shown);
  FillRect(x, y, x + width, y + metrics.height());
  Paint([&](QPainter& painter) {
    painter.setFont(font);
    painter.setPen(ToolkitColor(Font.Color));
    painter.drawText(x, y + metrics.ascent(), shown);
  });
  PenPos_ = TCanvasPoint{x + width, y};
}

int32_t TCanvas::TextWidth(const std::string& text) const {
  if (!FontsUsable()) return 0;
  return QFontMetrics(ToolkitFont(Font)).horizontalAdvance(QString::fromStdString(text));
}

int32_t TCanvas::TextHeight(const std::string&) const {
  if (!FontsUsable()) return 0;
  return QFontMetrics(ToolkitFont(Font)).height();
}

uint32_t TCanvas::GetPixel(int32_t x, int32_t y) const { return TPixelReader(Bitmap_).Get(x, y); }

void TCanvas::SetPixel(int32_t x, int32_t y, uint32_t color) {
  TPixelWriter writer(Bitmap_, pmCopy);
  if (!writer.Inside(x, y)) return;
  writer.SetColor(color);
  writer.Put(x, y);
  Changed();
}

void TCanvas::CopyRect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                       const TCanvas& source, int32_t sourceLeft, int32_t sourceTop,
                       int32_t sourceRight, int32_t sourceBottom) {
  if (StretchMode == HALFTONE &&
      SmoothStretchRect(*this, left, top, right, bottom, source, sourceLeft, sourceTop,
                        sourceRight, sourceBottom))
    return;
  const int64_t width = int64_t{right} - left;
  const int64_t height = int64_t{bottom} - top;
  const int64_t sourceWidth = int64_t{sourceRight} - sourceLeft;
  const int64_t sourceHeight = int64_t{sourceBottom} - sourceTop;
  if (width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return;
  const int32_t l = std::max(left, 0);
  const int32_t t = std::max(top, 0);
  const int32_t r = std::min(right, Bitmap_.GetWidth());
  const int32_t b = std::min(bottom, Bitmap_.GetHeight());
  if (l >= r || t >= b) return;
  // Everything is read first, so that a copy within one canvas reads the pixels as they were.
  const TPixelReader reader(source.Bitmap_);
  std::vector<uint32_t> colors;
  colors.reserve(static_cast<size_t>(r - l) * static_cast<size_t>(b - t));
  for (int32_t y = t; y < b; ++y) {
    const int64_t sy = sourceTop + (y - top) * sourceHeight / height;
    for (int32_t x = l; x < r; ++x) {
      const int64_t sx = sourceLeft + (x - left) * sourceWidth / width;
      const uint32_t color = reader.Get(static_cast<int32_t>(sx), static_cast<int32_t>(sy));
      colors.push_back(color == CLR_INVALID ? 0 : color);
    }
  }
  TPixelWriter writer(Bitmap_, pmCopy);
  size_t next = 0;
  for (int32_t y = t; y < b; ++y)
    for (int32_t x = l; x < r; ++x) {
      writer.SetColor(colors[next++]);
      writer.Put(x, y);
    }
  Changed();
}

}  // namespace calmora::platform
