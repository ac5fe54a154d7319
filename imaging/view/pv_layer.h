// TPVLayer, one layer of an image view: a bitmap at a position with a locked flag and a unique
// id. Declared here for the layers below the view, which use it through TPVLayerServices; the
// layer operations are built with the view's layers.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/base/defs.h"
#include "imaging/core/view/view_services.h"

namespace calmora {

class TPictavoView;

class TPVLayer : public TObject, public TPVLayerServices {
 public:
  // With UseGivenBitmap the layer takes Bitmap itself; otherwise it makes an empty bitmap
  // shaped like it. The layer gets a new id.
  TPVLayer(TPictavoView* AOwner, TPVBitmap* ABitmap, bool UseGivenBitmap);
  ~TPVLayer() override;

  TPVBitmap* GetBitmap() override;
  int32_t GetPosX() const override;
  int32_t GetPosY() const override;
  bool GetLocked() const override;
  TGUID GetGUID() const override;
  void Reset() override;
  void Assign(TPVLayerServices& Source) override;
  void SaveToStream(TStream* Stream, bool WithBitmap) override;
  void LoadFromStream(TStream* Stream) override;
};

}  // namespace calmora
