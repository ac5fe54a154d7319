// The colour system over Little CMS 2: profiles from memory, the sRGB profile, perceptual
// two-profile transforms and pixel translation, with a switch that makes it look absent.
#include "platform/color_system.h"

#include <lcms2.h>

#include <atomic>
#include <bit>
#include <limits>

namespace calmora::platform {

namespace {

std::atomic<bool> ColorSystemAbsent{false};

// Little CMS is linked in, so "loading" it only hands out a token that stands for the module.
int ColorSystemModuleToken = 0;

constexpr bool kHostIsLittleEndian = std::endian::native == std::endian::little;

cmsUInt32Number LittleCMSFormat(ColorPixelFormat format) {
  switch (format) {
    case ColorPixelFormat::kRGB8:
      return TYPE_RGB_8;
    case ColorPixelFormat::kBGR8:
      return TYPE_BGR_8;
    case ColorPixelFormat::kCMYK8:
      return TYPE_CMYK_8;
    case ColorPixelFormat::kInvertedCMYK8:
      return TYPE_CMYK_8_REV;
    case ColorPixelFormat::kGray8:
      return TYPE_GRAY_8;
    case ColorPixelFormat::kRGB16LE:
      return kHostIsLittleEndian ? TYPE_RGB_16 : TYPE_RGB_16_SE;
    case ColorPixelFormat::kRGB16BE:
      return kHostIsLittleEndian ? TYPE_RGB_16_SE : TYPE_RGB_16;
    case ColorPixelFormat::kChannels3x8:
      return COLORSPACE_SH(PT_ANY) | CHANNELS_SH(3) | BYTES_SH(1);
    case ColorPixelFormat::kLab16:
      return TYPE_Lab_16;
  }
  return 0;
}

}  // namespace

size_t ColorPixelSize(ColorPixelFormat format) {
  switch (format) {
    case ColorPixelFormat::kRGB8:
    case ColorPixelFormat::kBGR8:
    case ColorPixelFormat::kChannels3x8:
      return 3;
    case ColorPixelFormat::kCMYK8:
    case ColorPixelFormat::kInvertedCMYK8:
      return 4;
    case ColorPixelFormat::kGray8:
      return 1;
    case ColorPixelFormat::kRGB16LE:
    case ColorPixelFormat::kRGB16BE:
    case ColorPixelFormat::kLab16:
      return 6;
  }
  return 0;
}

void* LoadColorSystem() {
  if (ColorSystemAbsent.load()) return nullptr;
  return &ColorSystemModuleToken;
}

void FreeColorSystem(void* module) {}

void SetColorSystemAbsent(bool absent) { ColorSystemAbsent.store(absent); }

bool IsColorSystemAbsent() { return ColorSystemAbsent.load(); }

void ColorProfileCloser::operator()(ColorProfileHandle profile) const { cmsCloseProfile(profile); }

void ColorTransformDeleter::operator()(ColorTransformHandle transform) const {
  cmsDeleteTransform(transform);
}

UniqueColorProfile OpenColorProfileFromMemory(const void* data, size_t size) {
  if (data == nullptr || size == 0 || size > std::numeric_limits<cmsUInt32Number>::max())
    return nullptr;
  return UniqueColorProfile(cmsOpenProfileFromMem(data, static_cast<cmsUInt32Number>(size)));
}

UniqueColorProfile OpenSRGBColorProfile() { return UniqueColorProfile(cmsCreate_sRGBProfile()); }

UniqueColorTransform CreateColorTransform(ColorProfileHandle input, ColorPixelFormat inputFormat,
                                          ColorProfileHandle output,
                                          ColorPixelFormat outputFormat) {
  if (input == nullptr || output == nullptr) return nullptr;
  // The finer precalculated tables are the engine's counterpart of a "best quality" transform.
  return UniqueColorTransform(cmsCreateTransform(input, LittleCMSFormat(inputFormat), output,
                                                 LittleCMSFormat(outputFormat), INTENT_PERCEPTUAL,
                                                 cmsFLAGS_HIGHRESPRECALC));
}

void TranslateColors(ColorTransformHandle Transform, const void* Source, void* Destination,
                     size_t Count) {
  if (Transform == nullptr) return;
  const cmsUInt32Number inputFormat = cmsGetTransformInputFormat(Transform);
  const cmsUInt32Number outputFormat = cmsGetTransformOutputFormat(Transform);
  const size_t inputSize = T_BYTES(inputFormat) * (T_CHANNELS(inputFormat) + T_EXTRA(inputFormat));
  const size_t outputSize =
      T_BYTES(outputFormat) * (T_CHANNELS(outputFormat) + T_EXTRA(outputFormat));
  auto in = static_cast<const uint8_t*>(Source);
  auto out = static_cast<uint8_t*>(Destination);
  // The engine counts pixels in 32 bits.
  constexpr size_t kChunk = std::numeric_limits<cmsUInt32Number>::max();
  while (Count > 0) {
    const size_t n = Count < kChunk ? Count : kChunk;
    cmsDoTransform(Transform, in, out, static_cast<cmsUInt32Number>(n));
    in += n * inputSize;
    out += n * outputSize;
    Count -= n;
  }
}

}  // namespace calmora::platform
