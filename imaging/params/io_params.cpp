// TIOParamsVals: creation, defaults, the two resets, Assign, and the setters and getters that
// keep the copies of one value equal.
#include "imaging/params/io_params.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <cmath>
#include <ctime>
#include <limits>

#include "imaging/core/dpi_globals.h"
#include "imaging/core/metadata/is_exif_block.h"
#include "imaging/core/view/view_base.h"
#include "imaging/params/io_params_fields.h"
#include "platform/device_bitmap.h"

namespace calmora {

namespace {

constexpr uint8_t kAPP1 = 0xE1;

// A resolution read from a file may be anything: values beyond int32 saturate and NaN gives 0,
// where a plain conversion would be undefined.
int32_t TruncSaturated(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

template <typename T, size_t N>
T& Entry(std::array<T, N>& values, int32_t index) {
  assert(index >= 0 && static_cast<size_t>(index) < N);
  return values[static_cast<size_t>(index)];
}

template <typename T, size_t N>
T Entry(const std::array<T, N>& values, int32_t index) {
  assert(index >= 0 && static_cast<size_t>(index) < N);
  return values[static_cast<size_t>(index)];
}

// The target's own object, made through its getter, receives a copy of Source's; without one
// in Source the target's goes too.
template <typename T, typename Getter>
void AssignOwned(std::unique_ptr<T>& target, const std::unique_ptr<T>& source, Getter get) {
  if (!source) {
    target.reset();
    return;
  }
  if constexpr (std::is_same_v<T, TPVICC>)
    get()->Assign(*source);
  else
    get()->Assign(source.get());
}

}  // namespace

void CopyMakerNote(TPVTagsHandler& target, const TPVTagsHandler& source) {
  target.Data.Clear();
  // A memory stream's size is plain state; asking for it changes nothing.
  const int64_t size = const_cast<TMemoryStream&>(source.Data).GetSize();
  if (size > 0 && size <= std::numeric_limits<int32_t>::max())
    target.Data.WriteBuffer(source.Data.GetMemory(), static_cast<int32_t>(size));
  target.ReadTags();
}

double TodayAsDateTime() {
  // 25569 days lie between 30 December 1899 and 1 January 1970.
  constexpr int64_t kDaysBefore1970 = 25569;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const std::chrono::year_month_day date{
      std::chrono::year{local.tm_year + 1900},
      std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)},
      std::chrono::day{static_cast<unsigned>(local.tm_mday)}};
  return static_cast<double>(std::chrono::sys_days{date}.time_since_epoch().count() +
                             kDaysBefore1970);
}

TIOParamsVals::TIOParamsVals(TIOParamsOwner* Owner) {
  OwnerIO = Owner;
  SetDefaults();
}

TIOParamsVals::~TIOParamsVals() = default;

void TIOParamsVals::SetDefaults() {
  VisitParamsFields(
      [](auto field, auto makeDefault, auto& value) {
        if constexpr (decltype(field)::kReset != TParamsReset::kExif)
          SetFieldToDefault(value, makeDefault);
      },
      *this);
  // The owner's size and the default resolution, which its view hears of; a stand-alone
  // record keeps what it has (0 when new).
  if (OwnerIO != nullptr) {
    if (platform::TBitmap* bitmap = OwnerIO->GetTBitmap()) {
      Width = bitmap->GetWidth();
      Height = bitmap->GetHeight();
    }
    SetDpiX(DefaultDpiX);
    SetDpiY(DefaultDpiY);
  }
  // Last, so the EXIF resolutions and orientation end at their reset values whatever the
  // steps before wrote into them.
  ResetEXIF();
}

void TIOParamsVals::ResetInfo() {
  VisitParamsFields(
      [](auto field, auto makeDefault, auto& value) {
        if constexpr (decltype(field)::kReset == TParamsReset::kLoad)
          SetFieldToDefault(value, makeDefault);
      },
      *this);
  ResetEXIF();
}

void TIOParamsVals::ResetEXIF() {
  VisitParamsFields(
      [](auto field, auto makeDefault, auto& value) {
        if constexpr (decltype(field)::kReset == TParamsReset::kExif)
          SetFieldToDefault(value, makeDefault);
      },
      *this);
  // The EXIF block goes with the fields read from it. Only the first: an XMP packet before
  // it is no EXIF, and a second EXIF block was never read into the fields.
  for (int32_t i = 0; i < JPEG_Markers.GetCount(); ++i) {
    if (JPEG_Markers.GetMarkerType(i) == kAPP1 &&
        IsExifBlock(JPEG_Markers.GetMarkerData(i), JPEG_Markers.GetMarkerLength(i))) {
      JPEG_Markers.DeleteMarker(i);
      break;
    }
  }
}

void TIOParamsVals::Assign(const TIOParamsVals* Source) {
  // Copying from itself would free the palette and lists it is about to read.
  if (Source == nullptr || Source == this) return;
  const TIOParamsVals& source = *Source;
  VisitParamsFields(
      [](auto field, auto, auto& target, const auto& from) {
        if constexpr (decltype(field)::kCopy == TParamsCopy::kPlain) CopyFieldPlain(target, from);
      },
      *this, source);

  // The resolutions through their setters, so the view hears of them, then the exact values.
  SetDpiX(source.DpiX);
  SetDpiY(source.DpiY);
  EXIF_XResolution = source.EXIF_XResolution;
  EXIF_YResolution = source.EXIF_YResolution;

  ColorMap.reset();
  if (source.ColorMap != nullptr) {
    const int32_t count = std::max(source.ColorMapCount, 0);
    ColorMap = std::make_unique<TPVRGB[]>(static_cast<size_t>(count));
    std::copy_n(source.ColorMap.get(), count, ColorMap.get());
  }

  // Each format's index in turn: the six copies end equal to Source's last one.
  ImageIndex = source.ImageIndex;
  SetImageIndex(source.TIFF_ImageIndex);
  SetImageIndex(source.GIF_ImageIndex);
  SetImageIndex(source.DCX_ImageIndex);
  SetImageIndex(source.ICO_ImageIndex);
  SetImageIndex(source.CUR_ImageIndex);

  SetTIFF_Orientation(source.TIFF_Orientation);
  LoadThumbnail = source.LoadThumbnail;
  SetLoadThumbnail(source.JPEG_LoadExifThumbnail);

  AssignOwned(ImagingAnnot, source.ImagingAnnot, [this] { return GetImagingAnnot(); });
  AssignOwned(InputICCProfile, source.InputICCProfile, [this] { return GetInputICCProfile(); });
  AssignOwned(OutputICCProfile, source.OutputICCProfile, [this] { return GetOutputICCProfile(); });
  AssignOwned(DefaultICCProfile, source.DefaultICCProfile,
              [this] { return GetDefaultICCProfile(); });

  // A thumbnail already here stays when Source has none.
  if (source.EXIF_Bitmap != nullptr) {
    if (EXIF_Bitmap == nullptr) EXIF_Bitmap = std::make_unique<TPVBitmap>();
    EXIF_Bitmap->Assign(source.EXIF_Bitmap.get());
  }
  CopyMakerNote(EXIF_MakerNote, source.EXIF_MakerNote);
}

void TIOParamsVals::SetDpiX(int32_t Value) {
  DpiX = Value;
  EXIF_XResolution = Value;
  if (OwnerIO != nullptr)
    if (TPVView* view = OwnerIO->GetAttachedPictavo()) view->SetDpiX(Value);
}

void TIOParamsVals::SetDpiY(int32_t Value) {
  DpiY = Value;
  EXIF_YResolution = Value;
  if (OwnerIO != nullptr)
    if (TPVView* view = OwnerIO->GetAttachedPictavo()) view->SetDpiY(Value);
}

void TIOParamsVals::SetEXIF_XResolution(double Value) {
  SetDpiX(TruncSaturated(Value));
  EXIF_XResolution = Value;
}

void TIOParamsVals::SetEXIF_YResolution(double Value) {
  SetDpiY(TruncSaturated(Value));
  EXIF_YResolution = Value;
}

void TIOParamsVals::SetImageIndex(int32_t Value) {
  ImageIndex = Value;
  TIFF_ImageIndex = Value;
  DCX_ImageIndex = Value;
  GIF_ImageIndex = Value;
  ICO_ImageIndex = Value;
  CUR_ImageIndex = Value;
}

void TIOParamsVals::SetImageCount(int32_t Value) {
  ImageCount = Value;
  TIFF_ImageCount = Value;
  AVI_FrameCount = Value;
  GIF_ImageCount = Value;
}

void TIOParamsVals::SetLoadThumbnail(bool Value) {
  LoadThumbnail = Value;
  JPEG_LoadExifThumbnail = Value;
}

void TIOParamsVals::SetRAW_LoadEmbeddedPreview(bool Value) { RAW_LoadEmbeddedPreview = Value; }

void TIOParamsVals::SetTIFF_Orientation(int32_t Value) {
  TIFF_Orientation = Value;
  EXIF_Orientation = Value;
}

void TIOParamsVals::SetEXIF_Orientation(int32_t Value) {
  EXIF_Orientation = Value;
  TIFF_Orientation = Value;
}

void TIOParamsVals::SetEXIF_ISOSpeedRatings(int32_t Index, int32_t Value) {
  Entry(EXIF_ISOSpeedRatings, Index) = Value;
}
int32_t TIOParamsVals::GetEXIF_ISOSpeedRatings(int32_t Index) const {
  return Entry(EXIF_ISOSpeedRatings, Index);
}
void TIOParamsVals::SetEXIF_ReferenceBlackWhite(int32_t Index, double Value) {
  Entry(EXIF_ReferenceBlackWhite, Index) = Value;
}
double TIOParamsVals::GetEXIF_ReferenceBlackWhite(int32_t Index) const {
  return Entry(EXIF_ReferenceBlackWhite, Index);
}
void TIOParamsVals::SetEXIF_WhitePoint(int32_t Index, double Value) {
  Entry(EXIF_WhitePoint, Index) = Value;
}
double TIOParamsVals::GetEXIF_WhitePoint(int32_t Index) const {
  return Entry(EXIF_WhitePoint, Index);
}
void TIOParamsVals::SetEXIF_PrimaryChromaticities(int32_t Index, double Value) {
  Entry(EXIF_PrimaryChromaticities, Index) = Value;
}
double TIOParamsVals::GetEXIF_PrimaryChromaticities(int32_t Index) const {
  return Entry(EXIF_PrimaryChromaticities, Index);
}
void TIOParamsVals::SetEXIF_YCbCrCoefficients(int32_t Index, double Value) {
  Entry(EXIF_YCbCrCoefficients, Index) = Value;
}
double TIOParamsVals::GetEXIF_YCbCrCoefficients(int32_t Index) const {
  return Entry(EXIF_YCbCrCoefficients, Index);
}

TPVICC* TIOParamsVals::GetInputICCProfile() {
  if (InputICCProfile == nullptr) InputICCProfile = std::make_unique<TPVICC>();
  return InputICCProfile.get();
}

TPVICC* TIOParamsVals::GetDefaultICCProfile() {
  if (DefaultICCProfile == nullptr) DefaultICCProfile = std::make_unique<TPVICC>();
  return DefaultICCProfile.get();
}

TPVICC* TIOParamsVals::GetOutputICCProfile() {
  if (OutputICCProfile == nullptr) {
    OutputICCProfile = std::make_unique<TPVICC>();
    OutputICCProfile->OpenSRGBProfile();
  }
  return OutputICCProfile.get();
}

TPVImagingAnnot* TIOParamsVals::GetImagingAnnot() {
  if (ImagingAnnot == nullptr) {
    ImagingAnnot = std::make_unique<TPVImagingAnnot>();
    ImagingAnnot->Parent = this;
  }
  return ImagingAnnot.get();
}

}  // namespace calmora
