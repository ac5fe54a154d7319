// TPictavoVect, the vector-object view: a TPictavoView with lines, boxes, texts and other
// objects above its image. Declared here with its virtual operations; the layers below reach
// it through TPictavoVectServices.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/view/pictavo_view.h"

namespace calmora {

class TPictavoVect : public TPictavoView, public TPictavoVectServices {
 public:
  // May be made without an owner as a hidden temporary view.
  explicit TPictavoVect(platform::TComponent* AOwner);
  ~TPictavoVect() override;

  void SaveToStreamPVV(TStream* Stream) override;
  bool LoadFromStreamPVV(TStream* Stream) override;
  void SaveAllToStream(TStream* Stream, int32_t Codec) override;
  bool LoadAllFromStream(TStream* Stream) override;
  void LoadFromFilePVV(const std::string& FileName) override;
  void LoadAllFromFile(const std::string& FileName) override;
  void GetObjectsExtent(TRect& Extent) override;
  void CopyObjectsToBack() override;
};

}  // namespace calmora
