// TPictavoIO::DoPreviews: the save-parameters dialog on the working bitmap. An image the
// writers cannot take as it is (neither pv24RGB nor pv1g) is shown through a 24-bit copy, and
// the working bitmap itself is converted only when the user accepts: a cancelled dialog leaves
// the caller's pixels as they were.
#include <QPushButton>
#include <memory>

#include "imaging/io/previews/io_preview_pane.h"
#include "imaging/io/previews/io_previews.h"
#include "imaging/io/pictavo_io.h"
#include "platform/font_names.h"
#include "platform/screen_metrics.h"

namespace calmora {

bool TPictavoIO::DoPreviews(TPVParamsPages Pages) {
  if (OnDoPreviews) {
    bool handled = false;
    OnDoPreviews(this, handled);
    if (handled) return true;
  }
  if (!PrepareBitmap({})) return false;
  const TPVPixelFormat format = WorkBitmap->GetPixelFormat();
  const bool writersTakeIt = format == pv24RGB || format == pv1g;
  std::unique_ptr<TPVBitmap> shownCopy;
  if (!writersTakeIt) {
    shownCopy = std::make_unique<TPVBitmap>();
    if (!shownCopy->Assign(WorkBitmap) || !shownCopy->SetPixelFormat(pv24RGB)) return false;
  }
  TPVBitmap* shown = writersTakeIt ? WorkBitmap : shownCopy.get();

  bool accepted = false;
  {
    TfIOPreviews form(*Params);
    form.DefaultLockPreview = PreviewsParams.Contains(ioppDefaultLockPreview);
    form.Button4->setVisible(PreviewsParams.Contains(ioppApplyButton));
    form.SetSimplified(SimplifiedParamsDialogs, platform::ScreenPixelsPerInchY());
    form.DitherMethod = static_cast<int32_t>(DefaultDitherMethod);
    form.SetLanguage(MsgLanguage);
    if (platform::FontsUsable()) form.setFont(platform::ToolkitFont(*PreviewFont));
    form.Source = shown;
    form.Pictavo1->SetExternalBitmap(shown);
    form.Pictavo1->update();
    form.Pictavo2->Blank();
    if (form.SelectPages(Pages)) {
      if (OnIOPreview) OnIOPreview(this, &form);
      accepted = form.exec() == QDialog::Accepted;
    }
    form.Pictavo1->Blank();
  }
  if (accepted && !writersTakeIt) ConvertForRegistryWriter();
  Update();
  return accepted;
}

}  // namespace calmora
