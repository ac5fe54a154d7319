// TfIOPreviews' colour panels: a click picks the panel's colour from the result's palette when
// it has enough entries, otherwise from the colour dialog; the working colour follows the panel.
#include <QEvent>
#include <QFrame>
#include <QPushButton>
#include <algorithm>

#include "imaging/base/row_bits.h"
#include "imaging/core/view/palette_dialog.h"
#include "imaging/io/previews/io_previews.h"
#include "imaging/params/io_params.h"
#include "imaging/base/color_helpers.h"
#include "platform/dialogs.h"

namespace calmora {

void TfIOPreviews::ConnectPanels() {
  for (const char* name : {"Panel1", "Panel3", "Panel4", "Panel5"})
    Control<QFrame>(name)->installEventFilter(this);
}

bool TfIOPreviews::eventFilter(QObject* Watched, QEvent* Event) {
  if (Event->type() == QEvent::MouseButtonRelease) {
    const QString name = Watched->objectName();
    if (name == "Panel1") Panel1Click();
    else if (name == "Panel3") Panel3Click();
    else if (name == "Panel4") Panel4Click();
    else if (name == "Panel5") Panel5Click();
  }
  return QDialog::eventFilter(Watched, Event);
}

void TfIOPreviews::PickPanelColor(const char* Name, int32_t PaletteEntries) {
  const TPVRGB current = PanelColor(Name);
  const bool paletteFits = ResultParams->ColorMap != nullptr && PaletteEntries > 0 &&
                           ResultParams->ColorMapCount >= PaletteEntries;
  if (paletteFits) {
    TPictavoPaletteDialog picker(this);
    picker.SetPalette(ResultParams->ColorMap.get(), PaletteEntries);
    picker.CancelButton->setText(QString::fromStdU16String(CancelText));
    if (picker.Execute()) SetPanelColor(Name, ColorToRGBRecord(picker.GetColor()));
    return;
  }
  uint32_t chosen = 0;
  if (platform::RunColorDialog(this, static_cast<uint32_t>(SwapRedBlue(current)), chosen))
    SetPanelColor(Name, ColorToRGBRecord(chosen));
}

void TfIOPreviews::Panel3Click() {
  if (ResultParams->ColorMap == nullptr) MakePreview();
  PickPanelColor("Panel3", 1 << std::clamp(Working.GIFBits, 1, 8));
  Working.GIFTransparentColor = PanelColor("Panel3");
  Button4->setEnabled(true);
}

void TfIOPreviews::Panel4Click() {
  if (ResultParams->ColorMap == nullptr) MakePreview();
  PickPanelColor("Panel4", 1 << std::clamp(Working.GIFBits, 1, 8));
  Working.GIFBackground = PanelColor("Panel4");
  Button4->setEnabled(true);
}

void TfIOPreviews::Panel1Click() {
  PickPanelColor("Panel1",
                 CalcColorCount(ResultParams->BitsPerSample, ResultParams->SamplesPerPixel));
  Working.PNGBackground = PanelColor("Panel1");
  Button4->setEnabled(true);
}

void TfIOPreviews::Panel5Click() {
  PickPanelColor("Panel5",
                 CalcColorCount(ResultParams->BitsPerSample, ResultParams->SamplesPerPixel));
  Working.TGABackground = PanelColor("Panel5");
  Button4->setEnabled(true);
}

}  // namespace calmora
