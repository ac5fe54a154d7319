// The palette dialog: its fixed layout, the cell grid and its mouse handling.
#include "imaging/core/view/palette_dialog.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "imaging/base/color_helpers.h"

namespace calmora {

namespace {

constexpr int kWidth = 520;
constexpr int kHeight = 199;

QColor ColorOfEntry(const TPVRGB& entry) { return QColor(entry.r, entry.g, entry.b); }

}  // namespace

TPictavoPaletteDialog::TPictavoPaletteDialog(QWidget* AOwner)
    : QDialog(AOwner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setWindowTitle(QStringLiteral("Palette"));
  setFixedSize(kWidth, kHeight);
  setMouseTracking(true);
  CancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
  CancelButton->setGeometry(4, 136, 75, 25);
  CancelButton->setAutoDefault(false);
  connect(CancelButton, &QPushButton::clicked, this, [this] { done(mrCancel); });
}

void TPictavoPaletteDialog::SetPalette(const TPVRGB* Entries, int32_t Count) {
  Palette = Entries;
  PaletteCount = Entries != nullptr ? std::max(Count, 0) : 0;
  if (CurrentCell >= PaletteCount) CurrentCell = -1;
  update();
}

bool TPictavoPaletteDialog::Execute() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(kWidth / 2, kHeight / 2));
  }
  return exec() == mrOk;
}

void TPictavoPaletteDialog::PaintCells(QPainter& Painter) const {
  for (int32_t i = 0; i < PaletteCount; ++i) {
    const int32_t left = (i % kCellsPerRow) * kCellPitch + 1;
    const int32_t top = (i / kCellsPerRow) * kCellPitch + 1;
    // 15 x 15 pixels: a one-pixel outline around the entry's colour.
    const QRect cell(left, top, kCellPitch - 1, kCellPitch - 1);
    Painter.fillRect(cell, i == CurrentCell ? Qt::black : Qt::white);
    Painter.fillRect(cell.adjusted(1, 1, -1, -1), ColorOfEntry(Palette[i]));
  }
}

void TPictavoPaletteDialog::TrackCell(int32_t X, int32_t Y) {
  // Columns stop at the row's end: a point right of cell 31 or left of cell 0 belongs to no
  // cell, not to one of the next or the previous row.
  if (X < 1 || Y < 1 || X > kCellsPerRow * kCellPitch) return;
  const int64_t cell = int64_t{(Y - 1) / kCellPitch} * kCellsPerRow + (X - 1) / kCellPitch;
  if (cell >= PaletteCount || cell == CurrentCell) return;
  CurrentCell = static_cast<int32_t>(cell);
  update();
}

void TPictavoPaletteDialog::PickCell() {
  if (CurrentCell < 0 || CurrentCell >= PaletteCount) return;
  Color = static_cast<TColor>(SwapRedBlue(Palette[CurrentCell]));
  done(mrOk);
}

void TPictavoPaletteDialog::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintCells(painter);
}

void TPictavoPaletteDialog::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  TrackCell(at.x(), at.y());
}

void TPictavoPaletteDialog::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
}

void TPictavoPaletteDialog::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  if (click) PickCell();
}

void TPictavoPaletteDialog::reject() { done(mrCancel); }

}  // namespace calmora
