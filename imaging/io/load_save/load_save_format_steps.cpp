// The single formats' steps around their reader or writer (see load_save_format_steps.h).
#include "imaging/io/load_save/load_save_format_steps.h"

#include "imaging/base/color_helpers.h"
#include "imaging/core/view/view_services.h"
#include "imaging/io/load_save/load_save_psd.h"
#include "imaging/io/pictavo_io.h"

namespace calmora {

void OfferPNGBackground(TPictavoIO& IO, bool FromFile) {
  if (FromFile) IO.Params->PNG_Background = ColorToRGBRecord(IO.GetBackground());
}

void TakePNGBackground(TPictavoIO& IO, bool) {
  IO.SetBackground(static_cast<TColor>(SwapRedBlue(IO.Params->PNG_Background)));
}

void ClearLayersForPSD(TPictavoIO& IO, bool) {
  ClearLayersBeforePSDLoad(IO.GetAttachedPictavo(), *IO.Params);
}

bool PSDCompositeOfView(TPictavoIO& IO, std::unique_ptr<TPVBitmap>& Picture) {
  auto* layeredView = dynamic_cast<TPictavoViewServices*>(IO.GetAttachedPictavo());
  if (layeredView == nullptr) return true;
  Picture = PSDSaveComposite(*layeredView);
  return Picture != nullptr;
}

namespace {

class TLeadingIconSizes {
 public:
  explicit TLeadingIconSizes(TIOParamsVals& Params)
      : Params_(Params), Sizes_(Params.ICO_Sizes), BitCounts_(Params.ICO_BitCounts) {
    size_t leading = 0;
    while (leading < Sizes_.size() && Sizes_[leading].Width > 0) ++leading;
    for (size_t i = leading; i < Sizes_.size(); ++i) {
      Params.ICO_Sizes[i] = TICOSize{};
      Params.ICO_BitCounts[i] = 0;
    }
  }
  ~TLeadingIconSizes() {
    Params_.ICO_Sizes = Sizes_;
    Params_.ICO_BitCounts = BitCounts_;
  }
  TLeadingIconSizes(const TLeadingIconSizes&) = delete;
  TLeadingIconSizes& operator=(const TLeadingIconSizes&) = delete;

 private:
  TIOParamsVals& Params_;
  const TICOSizes Sizes_;
  const TICOBitCounts BitCounts_;
};

}  // namespace

void WithLeadingIconSizes(TIOParamsVals& Params, const std::function<void()>& Write) {
  const TLeadingIconSizes sizes(Params);
  Write();
}

}  // namespace calmora
