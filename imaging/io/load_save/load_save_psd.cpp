// The layer steps of Photoshop document loads and saves, over the image view's services.
#include "imaging/io/load_save/load_save_psd.h"

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/view/view_base.h"
#include "imaging/core/view/view_services.h"
#include "imaging/params/io_params.h"

namespace calmora {

void ClearLayersBeforePSDLoad(TPVView* Attached, const TIOParamsVals& Params) {
  if (!Params.PSD_LoadLayers || !Params.PSD_ReplaceLayers) return;
  if (auto* view = dynamic_cast<TPictavoViewServices*>(Attached)) view->LayersClear();
}

std::unique_ptr<TPVBitmap> PSDSaveComposite(TPictavoViewServices& View) {
  auto composite = std::make_unique<TPVBitmap>();
  View.LayersDrawTo(*composite);
  if (composite->IsEmpty() || !composite->SetLocation(pvMemory)) return nullptr;
  TPVLayerServices* bottom = View.GetLayer(0);
  const TPVBitmap* bottomBitmap = bottom != nullptr ? bottom->GetBitmap() : nullptr;
  if (bottomBitmap != nullptr && !bottomBitmap->IsEmpty() &&
      !composite->SetPixelFormat(bottomBitmap->GetPixelFormat()))
    return nullptr;
  return composite;
}

}  // namespace calmora
