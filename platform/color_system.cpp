// The colour system over Little CMS 2: profiles from memory, the sRGB profile, perceptual
// two-profile transforms and pixel translation, with a switch that makes it look absent.
#include "platform/color_system.h"

#include <lcms2.h>

#include <atomic>
#include <bit>
#include <limits>

namespace calmora::platform {

namespace {

std::atomic<bool> color_system_absent{false};

// Little CMS is linked in, so "loading" it only hands out a token that stands for the module.
int color_system_module_token = 0;

constexpr bool host_is_little_endian = std::endian::native == std::endian::little;

cmsUInt32Number LittleCMSFormat(ColorPixelFormat Format) {
  switch (Format) {
    case ColorPixelFormat::RGB8:
      return TYPE_RGB_8;
    case ColorPixelFormat::BGR8:
      return TYPE_BGR_8;
    case ColorPixelFormat::CMYK8:
      return TYPE_CMYK_8;
    case ColorPixelFormat::InvertedCMYK8:
      return TYPE_CMYK_8_REV;
    case ColorPixelFormat::Gray8:
      return TYPE_GRAY_8;
    case ColorPixelFormat::RGB16LE:
      return host_is_little_endian ? TYPE_RGB_16 : TYPE_RGB_16_SE;
    case ColorPixelFormat::RGB16BE:
      return host_is_little_endian ? TYPE_RGB_16_SE : TYPE_RGB_16;
    case ColorPixelFormat::Channels3x8:
      return COLORSPACE_SH(PT_ANY) | CHANNELS_SH(3) | BYTES_SH(1);
    case ColorPixelFormat::Lab16:
      return TYPE_Lab_16;
  }
  return 0;
}

}  // namespace

size_t ColorPixelSize(ColorPixelFormat Format) {
  switch (Format) {
    case ColorPixelFormat::RGB8:
    case ColorPixelFormat::BGR8:
    case ColorPixelFormat::Channels3x8:
      return 3;
    case ColorPixelFormat::CMYK8:
    case ColorPixelFormat::InvertedCMYK8:
      return 4;
    case ColorPixelFormat::Gray8:
      return 1;
    case ColorPixelFormat::RGB16LE:
    case ColorPixelFormat::RGB16BE:
    case ColorPixelFormat::Lab16:
      return 6;
  }
  return 0;
}

void* LoadColorSystem() {
  if (color_system_absent.load()) return nullptr;
  return &color_system_module_token;
}

void FreeColorSystem(void* Module) {}

void SetColorSystemAbsent(bool Absent) { color_system_absent.store(Absent); }

bool IsColorSystemAbsent() { return color_system_absent.load(); }

void ColorProfileCloser::operator()(ColorProfileHandle Profile) const { cmsCloseProfile(Profile); }

void ColorTransformDeleter::operator()(ColorTransformHandle Transform) const {
  cmsDeleteTransform(Transform);
}

UniqueColorProfile OpenColorProfileFromMemory(const void* Data, size_t Size) {
  if (Data == nullptr || Size == 0 || Size > std::numeric_limits<cmsUInt32Number>::max())
    return nullptr;
  return UniqueColorProfile(cmsOpenProfileFromMem(Data, static_cast<cmsUInt32Number>(Size)));
}

UniqueColorProfile OpenSRGBColorProfile() { return UniqueColorProfile(cmsCreate_sRGBProfile()); }

UniqueColorTransform CreateColorTransform(ColorProfileHandle Input, ColorPixelFormat InputFormat,
                                          ColorProfileHandle Output,
                                          ColorPixelFormat OutputFormat) {
  if (Input == nullptr || Output == nullptr) return nullptr;
  // The finer precalculated tables are the engine's counterpart of a "best quality" transform.
  return UniqueColorTransform(cmsCreateTransform(Input, LittleCMSFormat(InputFormat), Output,
                                                 LittleCMSFormat(OutputFormat), INTENT_PERCEPTUAL,
                                                 cmsFLAGS_HIGHRESPRECALC));
}

void TranslateColors(ColorTransformHandle Transform, const void* Source, void* Destination,
                     size_t Count) {
  if (Transform == nullptr) return;
  const cmsUInt32Number input_format = cmsGetTransformInputFormat(Transform);
  const cmsUInt32Number output_format = cmsGetTransformOutputFormat(Transform);
  const size_t input_size =
      T_BYTES(input_format) * (T_CHANNELS(input_format) + T_EXTRA(input_format));
  const size_t output_size =
      T_BYTES(output_format) * (T_CHANNELS(output_format) + T_EXTRA(output_format));
  auto in = static_cast<const uint8_t*>(Source);
  auto out = static_cast<uint8_t*>(Destination);
  // The engine counts pixels in 32 bits.
  constexpr size_t chunk = std::numeric_limits<cmsUInt32Number>::max();
  while (Count > 0) {
    const size_t n = Count < chunk ? Count : chunk;
    cmsDoTransform(Transform, in, out, static_cast<cmsUInt32Number>(n));
    in += n * input_size;
    out += n * output_size;
    Count -= n;
  }
}

}  // namespace calmora::platform
