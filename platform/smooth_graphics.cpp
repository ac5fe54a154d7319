// The antialiased drawing layer on QPainter. GDI+ puts pixel centres on whole coordinates and
// QPainter on halves.
#include "platform/smooth_graphics.h"

#include <QPainter>

#include "platform/canvas.h"

namespace calmora::platform {

namespace {

QColor ColorOfArgb(uint32_t argb) {
  return QColor(static_cast<int>((argb >> 16) & 0xFF), static_cast<int>((argb >> 8) & 0xFF),
                static_cast<int>(argb & 0xFF), static_cast<int>(argb >> 24));
}

Qt::PenStyle DashOf(TPenStyle style) {
  switch (style) {
    case psDash: return Qt::DashLine;
    case psDot: return Qt::DotLine;
    case psDashDot: return Qt::DashDotLine;
    case psDashDotDot: return Qt::DashDotDotLine;
    default: return Qt::SolidLine;
  }
}

Qt::PenJoinStyle JoinOf(uint8_t join) {
  switch (join) {
    case 0: return Qt::MiterJoin;
    case 1: return Qt::BevelJoin;
    case 3: return Qt::SvgMiterJoin;
    default: return Qt::RoundJoin;
  }
}

Qt::BrushStyle HatchOf(TBrushStyle style) {
  switch (style) {
    case bsHorizontal: return Qt::HorPattern;
    case bsVertical: return Qt::VerPattern;
    case bsFDiagonal: return Qt::FDiagPattern;
    case bsBDiagonal: return Qt::BDiagPattern;
    case bsCross: return Qt::CrossPattern;
    case bsDiagCross: return Qt::DiagCrossPattern;
    default: return Qt::SolidPattern;
  }
}

// Antialiased, QPainter's areas are exact: half a pixel moves them onto GDI+'s grid. Aliased,
// QPainter already fills the pixels whose centres (on its halves) a shape covers, which are
// GDI+'s pixels.
void Prepare(QPainter& painter, bool antialias) {
  painter.setRenderHint(QPainter::Antialiasing, antialias);
  if (antialias) painter.translate(0.5, 0.5);
}

}  // namespace

void TSmoothGraphics::DrawLine(const TSmoothPen& pen, float x1, float y1, float x2, float y2) {
  Canvas_.Paint([&](QPainter& painter) {
    Prepare(painter, Antialias_);
    // GDI+ draws a line over the pixels of both ends; antialiased, its flat ends cover half
    // of those pixels, aliased they are whole.
    QPen line(ColorOfArgb(pen.Argb), pen.Width, DashOf(pen.Style),
              Antialias_ ? Qt::FlatCap : Qt::SquareCap, JoinOf(pen.LineJoin));
    painter.setPen(line);
    painter.drawLine(QPointF(x1, y1), QPointF(x2, y2));
  });
}

void TSmoothGraphics::FillRectangle(const TSmoothBrush& brush, float x, float y, float width,
                                    float height) {
  Canvas_.Paint([&](QPainter& painter) {
    Prepare(painter, Antialias_);
    const QRectF area(x, y, width, height);
    if (brush.Style != bsSolid && brush.Style != bsClear)
      painter.fillRect(area, ColorOfArgb(brush.HatchBackArgb));
    const Qt::BrushStyle pattern = brush.Style == bsClear ? Qt::SolidPattern : HatchOf(brush.Style);
    painter.fillRect(area, QBrush(ColorOfArgb(brush.Argb), pattern));
  });
}

}  // namespace calmora::platform
