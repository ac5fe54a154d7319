// TIOParamsVals: the parameter and metadata record of one image, what a codec reader reports
// and a codec writer obeys. Its fields are listed once, in io_params_fields.inc.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/base/pixel_types.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/metadata/dicom_tags.h"
#include "imaging/core/color/icc.h"
#include "imaging/core/metadata/imaging_annotations.h"
#include "imaging/core/metadata/iptc_info_list.h"
#include "imaging/core/metadata/marker_list.h"
#include "imaging/core/metadata/tags_handler.h"
#include "imaging/params/lzw_defaults.h"
#include "imaging/params/params_owner.h"

namespace calmora {

// An owned list of texts (comments, PNG text keys and values), one item each.
using TStringList = std::vector<std::string>;
template <size_t N>
using TDoubleArray = std::array<double, N>;
template <size_t N>
using TInt32Array = std::array<int32_t, N>;

struct TICOSize {
  int32_t Width = 0;
  int32_t Height = 0;
  bool operator==(const TICOSize&) const = default;
};
// Icon sizes and bit depths to write, parallel; the list ends at the first zero entry.
using TICOSizes = std::array<TICOSize, 16>;
using TICOBitCounts = std::array<int32_t, 16>;

class TIOParamsVals : public TObject {
 public:
  // Create: stores the owner (null for a stand-alone record) and runs SetDefaults, which tells
  // an owner's attached view the default resolution.
  explicit TIOParamsVals(TIOParamsOwner* Owner);
  ~TIOParamsVals() override;
  TIOParamsVals(const TIOParamsVals&) = delete;
  TIOParamsVals& operator=(const TIOParamsVals&) = delete;

  // Every field its default; the owner's bitmap size and the default resolution when owned.
  // EXIF_XResolution ends 0.0 beside DpiX at the default, EXIF_Orientation 0 beside
  // TIFF_Orientation 1, because the EXIF section is reset last.
  void SetDefaults();
  // Clears what a load reports (texts, comments, markers, IPTC, EXIF, annotations, the input
  // profile, XMP) and keeps the settings, sizes, indexes, resolutions, ColorMap and the output
  // and default profiles.
  void ResetInfo();
  // The EXIF and GPS section to its reset values, the maker note emptied, and the first EXIF
  // APP1 marker deleted (an XMP APP1 before it and a second EXIF APP1 stay).
  void ResetEXIF();
  // Copies every field of Source but OwnerIO and NativePixelFormat, keeping the record's
  // invariants (see the rules in the source); null and the record itself are ignored.
  void Assign(const TIOParamsVals* Source);

  // ---- Setters that keep the copies of one value equal ----
  // DpiX and EXIF_XResolution; an owner's attached view hears of the value.
  void SetDpiX(int32_t Value);
  void SetDpiY(int32_t Value);
  // The resolution truncated (saturated to int32, NaN as 0) through SetDpiX, then the exact
  // value in EXIF_XResolution.
  void SetEXIF_XResolution(double Value);
  void SetEXIF_YResolution(double Value);
  // ImageIndex and the TIFF, DCX, GIF, ICO and CUR copies.
  void SetImageIndex(int32_t Value);
  // ImageCount, TIFF_ImageCount, AVI_FrameCount and GIF_ImageCount.
  void SetImageCount(int32_t Value);
  // LoadThumbnail and JPEG_LoadExifThumbnail.
  void SetLoadThumbnail(bool Value);
  void SetRAW_LoadEmbeddedPreview(bool Value);
  // Each writes both orientations, its own first.
  void SetTIFF_Orientation(int32_t Value);
  void SetEXIF_Orientation(int32_t Value);

  // ---- The EXIF arrays, by index (unchecked but in debug builds: callers keep the range) ----
  void SetEXIF_ISOSpeedRatings(int32_t Index, int32_t Value);  // 0 .. 1
  int32_t GetEXIF_ISOSpeedRatings(int32_t Index) const;
  void SetEXIF_ReferenceBlackWhite(int32_t Index, double Value);  // 0 .. 5
  double GetEXIF_ReferenceBlackWhite(int32_t Index) const;
  void SetEXIF_WhitePoint(int32_t Index, double Value);  // 0 .. 1
  double GetEXIF_WhitePoint(int32_t Index) const;
  void SetEXIF_PrimaryChromaticities(int32_t Index, double Value);  // 0 .. 5
  double GetEXIF_PrimaryChromaticities(int32_t Index) const;
  void SetEXIF_YCbCrCoefficients(int32_t Index, double Value);  // 0 .. 2
  double GetEXIF_YCbCrCoefficients(int32_t Index) const;

  // ---- Objects made on first use ----
  // Empty profiles.
  TPVICC* GetInputICCProfile();
  TPVICC* GetDefaultICCProfile();
  // Opened on the system sRGB profile once, at creation; returned even when that failed.
  TPVICC* GetOutputICCProfile();
  // Its parent link is this record.
  TPVImagingAnnot* GetImagingAnnot();

  // ---- The fields, in record order ----
#define CALMORA_PARAM(Type, Name, Default, Reset, Copy) Type Name{};
#include "imaging/params/io_params_fields.inc"
#undef CALMORA_PARAM
};

}  // namespace calmora
