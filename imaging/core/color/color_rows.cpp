// Row colour conversion: a decoded row through an image's ICC profiles when that is possible,
// else through the fixed formula of its layout pair.
#include "imaging/core/color/color_rows.h"

#include <algorithm>
#include <cstring>

#include "imaging/base/color_formulas.h"
#include "imaging/core/color/cmyk_profile.h"
#include "imaging/base/color_helpers.h"

namespace calmora {

namespace {

// Each loop reads a whole source pixel before writing its destination pixel, so a row may be
// converted onto itself when the destination pixel is not larger than the source pixel.
void ConvertByFormula(const uint8_t* in, TPVColorLayout sourceLayout, uint8_t* out,
                      TPVColorLayout destinationLayout, int32_t count) {
  const auto pixels = [count](auto convert) {
    for (int32_t i = 0; i < count; ++i) convert(i);
  };
  // Source pixels of Size bytes whose red, green and blue sit at the given byte offsets,
  // written as BGR.
  const auto reorderToBgr = [&](size_t size, int red, int green, int blue) {
    pixels([&](int32_t i) {
      const uint8_t* p = in + size_t(i) * size;
      const uint8_t r = p[red], g = p[green], b = p[blue];
      uint8_t* q = out + size_t(i) * 3;
      q[0] = b;
      q[1] = g;
      q[2] = r;
    });
  };
  switch (sourceLayout) {
    case clRGB24:
      if (destinationLayout == clBGR24) reorderToBgr(3, 0, 1, 2);
      break;
    case clBGR24: {
      const auto* rgb = reinterpret_cast<const TPVRGB*>(in);
      switch (destinationLayout) {
        case clBGR24:
          std::memmove(out, in, size_t(count) * 3);
          break;
        case clInvertedCMYK:
          RGBRowToCMYK(rgb, reinterpret_cast<TPVCMYK*>(out), count);
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
      if (destinationLayout == clBGR24)
        CMYKRowToRGB(reinterpret_cast<const TPVCMYK*>(in), reinterpret_cast<TPVRGB*>(out), count);
      break;
    case clCMYK:
      if (destinationLayout == clBGR24) {
        // Ink amounts become stored bytes in a copy: the caller's row stays as it was.
        constexpr int32_t kSlice = 256;
        TPVCMYK stored[kSlice];
        for (int32_t done = 0; done < count; done += kSlice) {
          const int32_t n = std::min(kSlice, count - done);
          const uint8_t* ink = in + size_t(done) * 4;
          for (int32_t i = 0; i < n; ++i)
            stored[i] = MakeCMYK(255 - ink[4 * i], 255 - ink[4 * i + 1], 255 - ink[4 * i + 2],
                                 255 - ink[4 * i + 3]);
          CMYKRowToRGB(stored, reinterpret_cast<TPVRGB*>(out) + done, n);
        }
      }
      break;
    case clCIELab:
      if (destinationLayout == clBGR24)
        pixels([&](int32_t i) {
          TPVCIELab lab;
          std::memcpy(&lab, in + 3 * i, 3);
          TPVRGB rgb;
          ConvertCIELabToRGB(rgb, lab);
          std::memcpy(out + 3 * i, &rgb, 3);
        });
      break;
    case clRGB48:  // little-endian words: the high bytes are 1, 3 and 5
      if (destinationLayout == clBGR24) reorderToBgr(6, 1, 3, 5);
      break;
    case clRGB48BigEndian:  // big-endian words: the high bytes are 0, 2 and 4
      if (destinationLayout == clBGR24) reorderToBgr(6, 0, 2, 4);
      break;
    case clYCbCr:
      if (destinationLayout == clBGR24)
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
void ConvertColorRowWithoutParams(const void* source, TPVColorLayout sourceLayout,
                                  void* destination, TPVColorLayout destinationLayout,
                                  int32_t count, TIOParamsVals*) {
  ConvertColorRowWithProfiles(source, sourceLayout, destination, destinationLayout, count, nullptr);
}

}  // namespace

TConvertColorRowProc ConvertColorRowProc = ConvertColorRowWithoutParams;
bool ICCConversion = false;

void ConvertColorRowWithProfiles(const void* source, TPVColorLayout sourceLayout, void* destination,
                                 TPVColorLayout destinationLayout, int32_t count,
                                 const TPVRowProfiles* profiles) {
  if (source == nullptr || destination == nullptr || count <= 0) return;

  if (ICCConversion && profiles != nullptr) {
    TPVICC* input = profiles->InputICCProfile;
    if (profiles->DefaultICCProfile != nullptr && !(input != nullptr && input->IsOpen()))
      input = profiles->DefaultICCProfile;
    // Only destinations a transform writes go through the profiles; for the others the
    // formulas still give the row its pixels.
    if (input != nullptr && input->IsOpen() && !input->Applied &&
        IsColorLayoutWritable(destinationLayout) && profiles->GetOutputICCProfile) {
      TPVICC* output = profiles->GetOutputICCProfile();
      if (output != nullptr && output->IsOpen() &&
          input->TransformPixels(output, sourceLayout, destinationLayout, 0, 0, source, destination,
                                 count))
        return;
    }
  }
  ConvertByFormula(static_cast<const uint8_t*>(source), sourceLayout,
                   static_cast<uint8_t*>(destination), destinationLayout, count);
}

}  // namespace calmora
