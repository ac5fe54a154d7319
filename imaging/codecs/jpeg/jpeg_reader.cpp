// ReadJPEGStream: one JPEG datastream into a bitmap and the parameter record. Every call into
// libjpeg is guarded, so a codec error comes back as a failed call and ends in the abort flag;
// the records, managers and rows are owned here, outside the guarded frames.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/codecs/jpeg/jpeg_glue.h"
#include "imaging/base/bit_helpers.h"
#include "imaging/base/platform_queries.h"
#include "imaging/base/streams/reader_boundary.h"
#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/core/color/color_rows.h"
#include "imaging/params/exif_blocks.h"
#include "imaging/params/xmp_blocks.h"

namespace calmora {

namespace {

constexpr uint8_t kAPP0 = 0xE0;
constexpr uint8_t kAPP1 = 0xE1;
constexpr uint8_t kAPP2 = 0xE2;
constexpr uint8_t kAPP13 = 0xED;
constexpr unsigned kLargestMarker = 0xFFFF;

// A datastream needs at least about one bit per 8 x 8 block; a cut file still decodes, with
// the rest taken as empty. An image claiming far more pixels than its bytes can describe is
// refused before its bitmap is allocated.
constexpr int64_t kPixelsPerByte = 2048;
constexpr int64_t kSlackBytes = 1024;

// Decompression record and source manager, released on every path.
struct Decompressor {
  jpeg_decompress_struct Info;
  JPEGErrorManager Errors;
  bool Created = false;

  explicit Decompressor(bool* aborting) : Errors(MakeJPEGErrorManager(aborting)) {
    std::memset(&Info, 0, sizeof Info);
    Info.err = &Errors.Base;
  }
  ~Decompressor() {
    if (Created) jpeg_destroy_decompress(&Info);
    FreeJPEGStreamSource(&Info);
  }
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;
};

int32_t TruncDpi(double value) {
  if (!(value > 0)) return 0;
  if (value >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

void SetDCTMethod(jpeg_decompress_struct& info, uint8_t method) {
  switch (method) {
    case 0: info.dct_method = JDCT_ISLOW; break;
    case 1: info.dct_method = JDCT_IFAST; break;
    case 2: info.dct_method = JDCT_FLOAT; break;
    default: break;
  }
}

// The denominator of the output scale (numerator 1), 0 meaning the codec's default.
uint32_t ScaleDenominator(const TIOParamsVals& params, uint32_t width, uint32_t height) {
  switch (params.JPEG_Scale) {
    case 1: return 1;
    case 2: return 2;
    case 3: return 4;
    case 4: return 8;
    case 0:
      if (params.Width > 0 && params.Height > 0) {
        for (uint32_t d : {8u, 4u, 2u, 1u}) {
          if (width / d >= static_cast<uint32_t>(params.Width) &&
              height / d >= static_cast<uint32_t>(params.Height)) {
            return d;
          }
        }
      }
      return 1;
    default: return 0;
  }
}

void SendProgress(TPVProgressRecord& progress, int32_t& lastPercent) {
  if (!progress.OnProgress) return;
  const int32_t percent = static_cast<int32_t>(std::trunc(progress.Value * progress.Step));
  if (percent == lastPercent) return;
  lastPercent = percent;
  progress.OnProgress(progress.Sender, percent);
}

// Step 1: the EXIF thumbnail, when asked for and present, is the image.
bool LoadExifThumbnail(TStream* Stream, TStream* TablesStream, TPVBitmap& Bitmap,
                       TIOParamsVals& Params, TPVProgressRecord& Progress, bool RawYCbCr,
                       bool InvertCMYK, bool DropAppliedICC) {
  const int64_t entry = Stream->GetPosition();
  if (Params.EXIF_Bitmap) Params.EXIF_Bitmap->FreeImage(true);
  Params.SetLoadThumbnail(false);
  const int32_t width = Params.Width;
  const int32_t height = Params.Height;
  ReadJPEGStream(Stream, TablesStream, Bitmap, Params, Progress, true, RawYCbCr, true,
                 InvertCMYK, DropAppliedICC, false, -1, Params.NativePixelFormat);
  Stream->SetPosition(entry);
  Params.SetLoadThumbnail(true);
  if (Params.EXIF_Bitmap && !Params.EXIF_Bitmap->IsEmpty()) {
    if (!Bitmap.Assign(Params.EXIF_Bitmap.get())) *Progress.Aborting = true;
    return true;
  }
  Params.Width = width;
  Params.Height = height;
  Params.OriginalWidth = width;
  Params.OriginalHeight = height;
  return false;
}

// Step 13's marker copy: file order, the first APP0 left out (it is rewritten from the
// record on save).
void CopyMarkers(jpeg_decompress_struct& info, TIOParamsVals& params) {
  params.JPEG_Markers.Clear();
  bool firstAPP0 = true;
  for (jpeg_saved_marker_ptr marker = info.marker_list; marker; marker = marker->next) {
    if (marker->marker == kAPP0 && firstAPP0) {
      firstAPP0 = false;
      continue;
    }
    params.JPEG_Markers.AddMarker(static_cast<uint8_t>(marker->marker), marker->data,
                                  static_cast<int64_t>(marker->data_length));
  }
}

// Step 14: IPTC, EXIF and XMP from the kept markers.
void ReadMarkerMetadata(TPVBitmap& bitmap, TIOParamsVals& params, bool decoded) {
  TPVMarkerList& markers = params.JPEG_Markers;
  for (int32_t i = 0; i < markers.GetCount(); ++i) {
    if (markers.GetMarkerType(i) == kAPP13 &&
        params.IPTC_Info.LoadFromBuffer(markers.GetMarkerData(i), markers.GetMarkerLength(i))) {
      break;
    }
  }
  if (ReadExifBlockProc) {
    for (int32_t i = 0; i < markers.GetCount(); ++i) {
      if (markers.GetMarkerType(i) != kAPP1) continue;
      const int32_t dpiX = params.DpiX;
      const int32_t dpiY = params.DpiY;
      // A copy: the hook may change the record's markers.
      const std::vector<uint8_t> payload = markers.Payloads[i];
      if (!ReadExifBlockProc(payload.data(), static_cast<int64_t>(payload.size()), params)) {
        continue;
      }
      if (dpiX == 1 && dpiY == 1) {
        const double f = params.EXIF_ResolutionUnit == 3 ? 2.54 : 1.0;
        params.SetDpiX(TruncDpi(params.EXIF_XResolution * f));
        params.SetDpiY(TruncDpi(params.EXIF_YResolution * f));
      } else {
        params.SetDpiX(dpiX);
        params.SetDpiY(dpiY);
      }
      if (params.JPEG_AdjustOrientation && decoded) {
        ApplyExifOrientation(bitmap, params.EXIF_Orientation);
      }
      break;
    }
  }
  for (int32_t i = 0; i < markers.GetCount(); ++i) {
    if (markers.GetMarkerType(i) == kAPP1 &&
        FindXMPPacket(markers.GetMarkerData(i), markers.GetMarkerLength(i))) {
      ReadXMPBlock(markers.GetMarkerData(i), markers.GetMarkerLength(i), params);
      break;
    }
  }
}

// The decoding steps 4 to 12 on a made record; the rows decoded. Failures set the flag.
int32_t Decode(Decompressor& d, TStream* Stream, TStream* TablesStream, TPVBitmap& Bitmap,
               TIOParamsVals& Params, TPVProgressRecord& Progress, bool ParamsOnly,
               bool RawYCbCr, bool InvertCMYK, bool iccPath, int32_t MaxRows,
               bool NativePixelFormat) {
  bool& aborting = *Progress.Aborting;
  jpeg_decompress_struct& info = d.Info;
  if (!JPEGGuarded(d.Errors, [&] { jpeg_create_decompress(&info); })) {
    aborting = true;
    return 0;
  }
  d.Created = true;
  // Whole-image buffers (progressive and multi-scan files) stay within free memory; beyond
  // it libjpeg would need a backing store, which fails as a codec error.
  info.mem->max_memory_to_use = static_cast<long>(std::min<uint64_t>(
      QueryPhysicalMemory(1), static_cast<uint64_t>(std::numeric_limits<long>::max())));
  if (TablesStream && TablesStream != Stream) {
    const bool tables = JPEGGuarded(d.Errors, [&] {
      SetJPEGStreamSource(&info, TablesStream, &aborting);
      jpeg_read_header(&info, FALSE);
    });
    if (!tables) {
      aborting = true;
      return 0;
    }
  }
  const bool header = JPEGGuarded(d.Errors, [&] {
    SetJPEGStreamSource(&info, Stream, &aborting);
    jpeg_save_markers(&info, JPEG_COM, kLargestMarker);
    for (int m = 0; m < 16; ++m) jpeg_save_markers(&info, JPEG_APP0 + m, kLargestMarker);
    jpeg_read_header(&info, TRUE);
  });
  if (!header || aborting) {
    aborting = true;
    return 0;
  }

  Params.BitsPerSample = 8;
  switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
      Params.JPEG_ColorSpace = 1;
      Params.SamplesPerPixel = 1;
      info.out_color_space = JCS_GRAYSCALE;
      break;
    case JCS_RGB:
      Params.JPEG_ColorSpace = 0;
      Params.SamplesPerPixel = 3;
      info.out_color_space = JCS_EXT_BGR;
      break;
    case JCS_YCbCr:
      Params.JPEG_ColorSpace = 2;
      Params.SamplesPerPixel = 3;
      info.out_color_space = JCS_EXT_BGR;
      break;
    case JCS_CMYK:
      Params.JPEG_ColorSpace = 3;
      Params.SamplesPerPixel = 4;
      info.out_color_space = JCS_CMYK;
      break;
    case JCS_YCCK:
      Params.JPEG_ColorSpace = 4;
      Params.SamplesPerPixel = 4;
      info.out_color_space = JCS_CMYK;
      break;
    default:
      // Two components, five or more: no bitmap layout takes them.
      aborting = true;
      return 0;
  }
  if (RawYCbCr) info.out_color_space = JCS_YCbCr;
  SetDCTMethod(info, Params.JPEG_DCTMethod);
  switch (info.density_unit) {
    case 0:
    case 1:
      Params.SetDpiX(info.X_density);
      Params.SetDpiY(info.Y_density);
      break;
    case 2:
      Params.SetDpiX(static_cast<int32_t>(info.X_density * 2.54));
      Params.SetDpiY(static_cast<int32_t>(info.Y_density * 2.54));
      break;
    default: break;
  }
  Params.ColorMap.reset();
  Params.ColorMapCount = 0;
  Params.JPEG_Progressive = info.progressive_mode != 0;
  Params.OriginalWidth = static_cast<int32_t>(info.image_width);
  Params.OriginalHeight = static_cast<int32_t>(info.image_height);
  const uint32_t denominator = ScaleDenominator(Params, info.image_width, info.image_height);
  if (denominator != 0) {
    info.scale_num = 1;
    info.scale_denom = denominator;
  }
  Params.JPEG_ScaleUsed = static_cast<int32_t>(info.scale_denom);
  if (ParamsOnly) {
    Params.Width = static_cast<int32_t>(info.image_width);
    Params.Height = static_cast<int32_t>(info.image_height);
    return 0;
  }

  int64_t left = 0;
  try {
    left = Stream->GetSize() - Stream->GetPosition();
  } catch (...) {
    left = 0;
  }
  const int64_t pixels = int64_t{info.image_width} * int64_t{info.image_height};
  if (pixels / kPixelsPerByte > std::max<int64_t>(left, 0) + kSlackBytes) {
    aborting = true;
    return 0;
  }
  if (!JPEGGuarded(d.Errors, [&] { jpeg_start_decompress(&info); }) || aborting) {
    aborting = true;
    return 0;
  }
  const int32_t width = static_cast<int32_t>(info.output_width);
  const int32_t height = static_cast<int32_t>(info.output_height);
  Params.Width = width;
  Params.Height = height;
  std::vector<uint8_t> work(static_cast<size_t>(width) * 4);
  const J_COLOR_SPACE out = info.out_color_space;
  TPVPixelFormat format = pv24RGB;
  if (NativePixelFormat) {
    if (out == JCS_GRAYSCALE) format = pv8g;
    if (out == JCS_CMYK) format = pvCMYK;
  }
  if (!Bitmap.Allocate(width, height, format)) {
    aborting = true;
    return 0;
  }
  if (MaxRows < 0) MaxRows = Bitmap.GetHeight();
  Progress.Step = height > 0 ? 100.0 / height : 0;
  Progress.Value = 0;
  int32_t lastPercent = -1;
  int32_t rows = 0;
  TPVDataAccessScope access(Bitmap, pvdWrite);
  const bool rgbFile = info.jpeg_color_space == JCS_RGB;
  while (info.output_scanline < info.output_height && rows < MaxRows && !aborting) {
    uint8_t* line = Bitmap.GetScanline(rows);
    const bool inPlace = (out == JCS_GRAYSCALE && format == pv8g) ||
                         (out == JCS_EXT_BGR && !iccPath) || out == JCS_YCbCr ||
                         (out == JCS_CMYK && format == pvCMYK);
    JSAMPROW target = inPlace ? line : work.data();
    JDIMENSION got = 0;
    if (!JPEGGuarded(d.Errors, [&] { got = jpeg_read_scanlines(&info, &target, 1); })) {
      aborting = true;
      break;
    }
    if (got == 0) break;
    if (out == JCS_GRAYSCALE && format != pv8g) {
      for (int32_t x = width - 1; x >= 0; --x) {
        std::memset(line + 3 * static_cast<size_t>(x), work[x], 3);
      }
    } else if (out == JCS_EXT_BGR && iccPath) {
      ConvertColorRowProc(work.data(), clBGR24, line, clBGR24, width, &Params);
    } else if (out == JCS_YCbCr && rgbFile) {
      SwapRBInPlace(line, width);
    } else if (out == JCS_CMYK && format != pvCMYK) {
      if (InvertCMYK) {
        for (uint8_t& sample : work) sample = static_cast<uint8_t>(255 - sample);
      }
      ConvertColorRowProc(work.data(), clInvertedCMYK, line, clBGR24, width, &Params);
    }
    rows += static_cast<int32_t>(got);
    Progress.Value += static_cast<int32_t>(got);
    SendProgress(Progress, lastPercent);
  }
  if (rows < MaxRows) aborting = true;
  return rows;
}

int32_t ReadBody(TStream* Stream, TStream* TablesStream, TPVBitmap& Bitmap,
                 TIOParamsVals& Params, TPVProgressRecord& Progress, bool ParamsOnly,
                 bool RawYCbCr, bool ReadMetadata, bool InvertCMYK, bool DropAppliedICC,
                 bool ReadICC, int32_t MaxRows, bool NativePixelFormat) {
  bool& aborting = *Progress.Aborting;
  if (Params.JPEG_LoadExifThumbnail &&
      LoadExifThumbnail(Stream, TablesStream, Bitmap, Params, Progress, RawYCbCr, InvertCMYK,
                        DropAppliedICC)) {
    return 0;
  }
  Params.JPEG_WarningCount = 0;
  Params.JPEG_LastWarningCode = 0;
  const int64_t start = FindJPEGStart(Stream);
  if (start < 0) {
    aborting = true;
    return 0;
  }
  Stream->SetPosition(start);
  if (ReadICC) ReadJPEGICCProfile(Stream, Params);
  const bool iccPath = ICCConversion && Params.InputICCProfile != nullptr;

  int32_t rows = 0;
  {
    Decompressor d(&aborting);
    try {
      rows = Decode(d, Stream, TablesStream, Bitmap, Params, Progress, ParamsOnly, RawYCbCr,
                    InvertCMYK, iccPath, MaxRows, NativePixelFormat);
    } catch (...) {
      aborting = true;
    }
    CopyMarkers(d.Info, Params);
    if (DropAppliedICC && iccPath && Params.InputICCProfile->IsTransformReady()) {
      Params.InputICCProfile->FreeTransform();
      for (int32_t i = Params.JPEG_Markers.GetCount() - 1; i >= 0; --i) {
        if (Params.JPEG_Markers.GetMarkerType(i) == kAPP2) Params.JPEG_Markers.DeleteMarker(i);
      }
    }
    if (d.Created && !aborting && !ParamsOnly) {
      // What finishing finds (the rest of a partly read image) is no failure of the load.
      d.Errors.Aborting = nullptr;
      JPEGGuarded(d.Errors, [&] { jpeg_finish_decompress(&d.Info); });
    }
    if (d.Errors.Base.num_warnings != 0) {
      Params.JPEG_WarningCount = static_cast<int32_t>(d.Errors.Base.num_warnings);
      Params.JPEG_LastWarningCode = d.Errors.LastWarningCode;
    }
  }
  if (ReadMetadata) ReadMarkerMetadata(Bitmap, Params, !ParamsOnly && rows > 0);
  return rows;
}

}  // namespace

int32_t ReadJPEGStream(TStream* Stream, TStream* TablesStream, TPVBitmap& Bitmap,
                       TIOParamsVals& Params, TPVProgressRecord& Progress, bool ParamsOnly,
                       bool RawYCbCr, bool ReadMetadata, bool InvertCMYK, bool DropAppliedICC,
                       bool ReadICC, int32_t MaxRows, bool NativePixelFormat) {
  int32_t rows = 0;
  RunInReaderBoundary(Progress, [&] {
    rows = ReadBody(Stream, TablesStream, Bitmap, Params, Progress, ParamsOnly, RawYCbCr,
                    ReadMetadata, InvertCMYK, DropAppliedICC, ReadICC, MaxRows,
                    NativePixelFormat);
  });
  return rows;
}

int32_t ReadJPEGForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                      TPVProgressRecord& Progress, std::unique_ptr<TPVMask>& /*Mask*/) {
  bool local = false;
  if (!Progress.Aborting) Progress.Aborting = &local;
  ReadJPEGStream(&Stream, nullptr, Bitmap, Params, Progress, ParamsOnly, false, true, false, true,
                 true, -1, Params.NativePixelFormat);
  const bool aborted = *Progress.Aborting;
  if (Progress.Aborting == &local) Progress.Aborting = nullptr;
  return aborted ? 0 : 1;
}

}  // namespace calmora
