// Row colour conversion: a decoded row through an image's ICC profiles when that is possible,
// else through the fixed formula of its layout pair.
#include "imaging/core/color_rows.h"

#include <algorithm>
#include <cstring>

#include "imaging/core/base/color_formulas.h"
#include "imaging/core/cmyk_profile.h"
#include "imaging/proc/base/color_helpers.h"

namespace calmora {

namespace {

// Each loop reads a whole source pixel before writing its destination pixel, so a row may be
// converted onto itself when the destination pixel is not larger than the source pixel.
void ConvertByFormula(const uint8_t* in, TPVColorLayout SourceLayout, uint8_t* out,
                      TPVColorLayout DestinationLayout, int32_t Count) {
  const auto pixels = [Count](auto convert) {
    for (int32_t i = 0; i < Count; ++i) convert(i);
  };
  // Source pixels of Size bytes whose red, green and blue sit at the given byte offsets,
  // written as BGR.
  const auto reorder_to_bgr = [&](size_t size, int red, int green, int blue) {
    pixels([&](int32_t i) {
      const uint8_t* p = in + size_t(i) * size;
      const uint8_t r = p[red], g = p[green], b = p[blue];
      uint8_t* q = out + size_t(i) * 3;
      q[0] = b;
      q[1] = g;
      q[2] = r;
    });
  };
  switch (SourceLayout) {
    case clRGB24:
      if (DestinationLayout == clBGR24) reorder_to_bgr(3, 0, 1, 2);
      break;
    case clBGR24: {
      const auto* rgb = reinterpret_cast<const TPVRGB*>(in);
      switch (DestinationLayout) {
        case clBGR24:
          std::memmove(out, in, size_t(Count) * 3);
          break;
        case clInvertedCMYK:
          RGBRowToCMYK(rgb, reinterpret_cast<TPVCMYK*>(out), Count);
          break;
        case clCIELab:
          pixels([&](int32_t i) {
            TPVCIELab lab;
            ConvertRGBToCIELab(lab, rgb[i]);
            std::memcpy(out + 3 * i, &lab, 3);
          });
          break;
        case clGray8:
          pixels([&](int32_t i) { out[i] = static_cast<uint8_t>(GrayLevelOf(rgb[i])); });
          break;
        default:
          break;
      }
      break;
    }
    case clInvertedCMYK:
      if (DestinationLayout == clBGR24)
        CMYKRowToRGB(reinterpret_cast<const TPVCMYK*>(in), reinterpret_cast<TPVRGB*>(out), Count);
      break;
    case clCMYK:
      if (DestinationLayout == clBGR24) {
        // Ink amounts become stored bytes in a copy: the caller's row stays as it was.
        constexpr int32_t slice = 256;
        TPVCMYK stored[slice];
        for (int32_t done = 0; done < Count; done += slice) {
          const int32_t n = std::min(slice, Count - done);
          const uint8_t* ink = in + size_t(done) * 4;
          for (int32_t i = 0; i < n; ++i)
            stored[i] = MakeCMYK(255 - ink[4 * i], 255 - ink[4 * i + 1], 255 - ink[4 * i + 2],
                                 255 - ink[4 * i + 3]);
          CMYKRowToRGB(stored, reinterpret_cast<TPVRGB*>(out) + done, n);
        }
      }
      break;
    case clCIELab:
      if (DestinationLayout == clBGR24)
        pixels([&](int32_t i) {
          TPVCIELab lab;
          std::memcpy(&lab, in + 3 * i, 3);
          TPVRGB rgb;
          ConvertCIELabToRGB(rgb, lab);
          std::memcpy(out + 3 * i, &rgb, 3);
        });
      break;
    case clRGB48:  // little-endian words: the high bytes are 1, 3 and 5
      if (DestinationLayout == clBGR24) reorder_to_bgr(6, 1, 3, 5);
      break;
    case clRGB48BigEndian:  // big-endian words: the high bytes are 0, 2 and 4
      if (DestinationLayout == clBGR24) reorder_to_bgr(6, 0, 2, 4);
      break;
    case clYCbCr:
      if (DestinationLayout == clBGR24)
        pixels([&](int32_t i) {
          TPVRGB rgb;
          ConvertYCbCrToRGB(rgb, in[3 * i], in[3 * i + 1], in[3 * i + 2]);
          std::memcpy(out + 3 * i, &rgb, 3);
        });
      break;
    default:  // clGray8 and unknown layouts have no formula
      break;
  }
}

// What ConvertColorRowProc does until the I/O unit installs ConvertColorRow: no record is read,
// so every row takes the formulas.
void ConvertColorRowWithoutParams(const void* Source, TPVColorLayout SourceLayout,
                                  void* Destination, TPVColorLayout DestinationLayout,
                                  int32_t Count, TIOParamsVals*) {
  ConvertColorRowWithProfiles(Source, SourceLayout, Destination, DestinationLayout, Count,
                              nullptr);
}

}  // namespace

TConvertColorRowProc ConvertColorRowProc = ConvertColorRowWithoutParams;
bool ICCConversion = false;

void ConvertColorRowWithProfiles(const void* Source, TPVColorLayout SourceLayout, void* Destination,
                                 TPVColorLayout DestinationLayout, int32_t Count,
                                 const TPVRowProfiles* Profiles) {
  if (Source == nullptr || Destination == nullptr || Count <= 0) return;

  if (ICCConversion && Profiles != nullptr) {
    TPVICC* input = Profiles->InputICCProfile;
    if (Profiles->DefaultICCProfile != nullptr && !(input != nullptr && input->IsOpen()))
      input = Profiles->DefaultICCProfile;
    // Only destinations a transform writes go through the profiles; for the others the
    // formulas still give the row its pixels.
    if (input != nullptr && input->IsOpen() && !input->Applied &&
        IsColorLayoutWritable(DestinationLayout) && Profiles->GetOutputICCProfile) {
      TPVICC* output = Profiles->GetOutputICCProfile();
      if (output != nullptr && output->IsOpen() &&
          input->TransformPixels(output, SourceLayout, DestinationLayout, 0, 0, Source, Destination,
                                 Count))
        return;
    }
  }
  ConvertByFormula(static_cast<const uint8_t*>(Source), SourceLayout,
                   static_cast<uint8_t*>(Destination), DestinationLayout, Count);
}

}  // namespace calmora
