// WriteJPEGStream: a bitmap as one JPEG datastream, with the record's JFIF density, coding
// settings and kept markers. Colour rows enter libjpeg in the bitmap's own blue-green-red
// order; CMYK files are coded from rows converted to the inverted CMYK layout.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/codecs/jpeg/jpeg_glue.h"
#include "imaging/base/streams/reader_boundary.h"
#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/core/color/color_rows.h"
#include "imaging/core/dpi_globals.h"

namespace calmora {

namespace {

constexpr uint8_t kAPP14 = 0xEE;

// Compression record and destination manager, released on every path.
struct Compressor {
  jpeg_compress_struct Info;
  JPEGErrorManager Errors;
  bool Created = false;

  explicit Compressor(bool* aborting) : Errors(MakeJPEGErrorManager(aborting)) {
    std::memset(&Info, 0, sizeof Info);
    Info.err = &Errors.Base;
  }
  ~Compressor() {
    if (Created) jpeg_destroy_compress(&Info);
    FreeJPEGStreamDestination(&Info);
  }
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;
};

// JFIF densities are 16-bit: larger values are written as the largest, not wrapped.
UINT16 Density(int32_t dpi, int32_t fallback) {
  const int32_t value = dpi == 0 ? fallback : dpi;
  return static_cast<UINT16>(std::clamp(value, 0, 65535));
}

[[noreturn]] void RaiseCodecError(Compressor& c) {
  throw EPVJpegException(JPEGMessageText(c.Errors.Base.msg_code));
}

}  // namespace

void WriteJPEGStream(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                     TPVProgressRecord& Progress) {
  bool local = false;
  bool& aborting = Progress.Aborting ? *Progress.Aborting : local;
  // The caller's bitmap is never changed: other formats are coded from a converted copy.
  std::unique_ptr<TPVBitmap> copy;
  TPVBitmap* source = &Bitmap;
  if (Bitmap.GetPixelFormat() != pv24RGB) {
    copy = std::make_unique<TPVBitmap>();
    if (!copy->Assign(&Bitmap) || !copy->SetPixelFormat(pv24RGB)) {
      aborting = true;
      return;
    }
    source = copy.get();
  }
  const int32_t width = source->GetWidth();
  const int32_t height = source->GetHeight();
  if (width <= 0 || height <= 0) {
    aborting = true;
    return;
  }

  Compressor c(&aborting);
  jpeg_compress_struct& info = c.Info;
  if (!JPEGGuarded(c.Errors, [&] { jpeg_create_compress(&info); })) {
    aborting = true;
    RaiseCodecError(c);
  }
  c.Created = true;
  if (!JPEGGuarded(c.Errors, [&] { SetJPEGStreamDestination(&info, Stream, &aborting); })) {
    aborting = true;
    RaiseCodecError(c);
  }
  if (aborting) return;

  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_EXT_BGR;
  J_COLOR_SPACE fileSpace = JCS_RGB;
  switch (Params.JPEG_ColorSpace) {
    case 1: fileSpace = JCS_GRAYSCALE; break;
    case 2: fileSpace = JCS_YCbCr; break;
    case 3:
      info.input_components = 4;
      info.in_color_space = JCS_CMYK;
      fileSpace = JCS_CMYK;
      break;
    case 4:
      info.input_components = 4;
      info.in_color_space = JCS_CMYK;
      fileSpace = JCS_YCCK;
      break;
    default: break;
  }
  const bool cmykInput = info.in_color_space == JCS_CMYK;
  const bool set = JPEGGuarded(c.Errors, [&] {
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, fileSpace);
    info.density_unit = 1;
    info.X_density = Density(Params.DpiX, DefaultDpiX);
    info.Y_density = Density(Params.DpiY, DefaultDpiY);
    switch (Params.JPEG_DCTMethod) {
      case 0: info.dct_method = JDCT_ISLOW; break;
      case 1: info.dct_method = JDCT_IFAST; break;
      case 2: info.dct_method = JDCT_FLOAT; break;
      default: break;
    }
    info.optimize_coding = Params.JPEG_OptimalHuffman ? TRUE : FALSE;
    info.smoothing_factor = std::clamp(Params.JPEG_Smoothing, 0, 100);
    jpeg_set_quality(&info, Params.JPEG_Quality, TRUE);
    if (fileSpace == JCS_YCbCr) {
      switch (Params.JPEG_ChromaSubsampling) {
        case 0: info.comp_info[0].h_samp_factor = 2; info.comp_info[0].v_samp_factor = 1; break;
        case 1: info.comp_info[0].h_samp_factor = 2; info.comp_info[0].v_samp_factor = 2; break;
        case 2: info.comp_info[0].h_samp_factor = 1; info.comp_info[0].v_samp_factor = 1; break;
        default: break;
      }
      for (int i = 1; i < 3; ++i) {
        info.comp_info[i].h_samp_factor = 1;
        info.comp_info[i].v_samp_factor = 1;
      }
    }
    if (fileSpace == JCS_CMYK) info.write_JFIF_header = TRUE;
    if (Params.JPEG_Progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
  });
  if (!set) {
    aborting = true;
    RaiseCodecError(c);
  }
  Params.JPEG_Markers.SortMarkers();
  const TPVMarkerList& markers = Params.JPEG_Markers;
  const bool wroteMarkers = JPEGGuarded(c.Errors, [&] {
    for (int32_t i = 0; i < markers.GetCount(); ++i) {
      if (markers.GetMarkerType(i) == kAPP14) continue;
      jpeg_write_marker(&info, markers.GetMarkerType(i), markers.GetMarkerData(i),
                        static_cast<unsigned>(markers.GetMarkerLength(i)));
    }
  });
  if (!wroteMarkers) {
    aborting = true;
    RaiseCodecError(c);
  }

  std::vector<uint8_t> work(static_cast<size_t>(width) * 4);
  Progress.Step = 100.0 / height;
  Progress.Value = 0;
  int32_t lastPercent = -1;
  TPVDataAccessScope access(*source, pvdRead);
  const TPVBitmap& rows = *source;
  for (int32_t y = 0; y < height && !aborting; ++y) {
    const uint8_t* line = rows.GetScanline(y);
    JSAMPROW row = const_cast<JSAMPROW>(line);
    if (cmykInput) {
      ConvertColorRowProc(line, clBGR24, work.data(), clInvertedCMYK, width, nullptr);
      row = work.data();
    }
    if (!JPEGGuarded(c.Errors, [&] { jpeg_write_scanlines(&info, &row, 1); })) {
      aborting = true;
      RaiseCodecError(c);
    }
    ++Progress.Value;
    if (Progress.OnProgress) {
      const int32_t percent = static_cast<int32_t>(std::trunc(Progress.Value * Progress.Step));
      if (percent != lastPercent) {
        lastPercent = percent;
        Progress.OnProgress(Progress.Sender, percent);
      }
    }
  }
  if (!aborting && !JPEGGuarded(c.Errors, [&] { jpeg_finish_compress(&info); })) {
    aborting = true;
    RaiseCodecError(c);
  }
}

void WriteJPEGForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                    TPVProgressRecord& Progress, const TPVMask* /*Mask*/) {
  RunInReaderBoundary(Progress, [&] { WriteJPEGStream(&Stream, Bitmap, Params, Progress); });
}

}  // namespace calmora
