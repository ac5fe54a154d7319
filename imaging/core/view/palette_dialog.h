// TPictavoPaletteDialog: a small modal colour picker built in code. It shows up to 256 palette
// entries as cells of 32 per row; moving the mouse over a cell makes it current, a click
// picks its colour.
#pragma once

#include <QDialog>
#include <cstdint>

#include "imaging/base/pixel_types.h"

class QPainter;
class QPushButton;

namespace calmora {

class TPictavoPaletteDialog : public QDialog {
 public:
  static constexpr int32_t kCellsPerRow = 32;
  static constexpr int32_t kCellPitch = 16;  // pixels from one cell to the next
  static constexpr int mrOk = 1;
  static constexpr int mrCancel = 2;

  explicit TPictavoPaletteDialog(QWidget* AOwner = nullptr);

  // The caller keeps the entries alive while the dialog runs.
  void SetPalette(const TPVRGB* Entries, int32_t Count);
  // Shows the dialog modally; true when a cell was picked (its colour is then GetColor).
  bool Execute();
  TColor GetColor() const { return Color; }

  // Draws every entry's cell, the current one outlined in black, the others in white.
  void PaintCells(QPainter& Painter) const;
  // Makes the cell under (X, Y) current and paints the cells again; a point outside the grid
  // of cells, or past the last entry, changes nothing.
  void TrackCell(int32_t X, int32_t Y);
  // With a current cell: its colour becomes the picked colour and the dialog closes with OK.
  void PickCell();

  const TPVRGB* Palette = nullptr;  // not owned
  int32_t PaletteCount = 0;
  int32_t CurrentCell = -1;
  QPushButton* CancelButton = nullptr;
  TColor Color = 0;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  // Esc and the window's close button end with the Cancel button's result.
  void reject() override;

 private:
  bool pressed_ = false;  // a click is a press and a release on the dialog itself
};

}  // namespace calmora
