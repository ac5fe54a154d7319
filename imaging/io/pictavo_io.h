// TPictavoIO, the image I/O component: loads and saves images through the codecs into a bitmap
// or an attached view. So far only what its parameter record asks of it; no constructor yet,
// so none is made before the component is complete.
#pragma once

#include "imaging/core/view_base.h"
#include "imaging/io/params/params_owner.h"
#include "platform/component.h"

namespace calmora {

class TPictavoIO : public platform::TComponent, public TIOParamsOwner {
 public:
  // The device bitmap of the image worked on, or null.
  platform::TBitmap* GetTBitmap() override;
  TPVView* GetAttachedPictavo() override { return AttachedPictavo; }

  // The view the component loads into and saves from; not owned, null when none.
  TPVView* AttachedPictavo = nullptr;
};

}  // namespace calmora
