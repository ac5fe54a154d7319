// The toolkit's image control: a control that shows its picture's device bitmap at the
// top-left of its client area and paints again whenever the picture is marked modified.
#pragma once

#include <functional>

#include "platform/custom_control.h"
#include "platform/device_bitmap.h"

namespace calmora::platform {

// The picture an image control shows: one device bitmap, owned.
class TPicture {
 public:
  TBitmap* GetBitmap() { return &bitmap_; }
  // Tells whoever shows the picture that its pixels changed.
  void Modified() {
    if (OnChange) OnChange();
  }

  std::function<void()> OnChange;

 private:
  TBitmap bitmap_;
};

class TImage : public TCustomControl {
 public:
  explicit TImage(TComponent* AOwner);

  TPicture* GetPicture() { return &picture_; }
  // Paints that ran, for those who need to know the control repainted.
  int32_t GetPaintCount() const { return paintCount_; }

 protected:
  // The picture over a white background.
  void Paint() override;

 private:
  TPicture picture_;
  int32_t paintCount_ = 0;
};

}  // namespace calmora::platform
