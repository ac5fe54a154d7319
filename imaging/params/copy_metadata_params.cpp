// CopyMetadataParams: the EXIF and GPS fields of a record just read from an EXIF block into the
// record of the image, walked from the record's one field list.
#include "imaging/params/exif_blocks.h"
#include "imaging/params/io_params_fields.h"

namespace calmora {

void CopyMetadataParams(const TIOParamsVals& Source, TIOParamsVals& Target) {
  if (&Source == &Target) return;
  VisitParamsFields(
      [](auto field, auto, auto& target, const auto& source) {
        using Field = decltype(field);
        if constexpr (Field::kReset == TParamsReset::kExif && Field::kCopy == TParamsCopy::kPlain)
          if (field.Name != "EXIF_HasEXIFData" && field.Name != "EXIF_ImageDescription")
            CopyFieldPlain(target, source);
      },
      Target, Source);
  // The TIFF reader that parsed the block keeps tag 270 as the TIFF description.
  Target.EXIF_ImageDescription = Source.TIFF_ImageDescription;
  Target.SetEXIF_Orientation(Source.EXIF_Orientation);
  Target.SetEXIF_XResolution(Source.EXIF_XResolution);
  Target.SetEXIF_YResolution(Source.EXIF_YResolution);
  CopyMakerNote(Target.EXIF_MakerNote, Source.EXIF_MakerNote);
}

}  // namespace calmora
