// The colour system: opening ICC profiles, two-profile transforms and pixel translation,
// over Little CMS 2. It stands in for a colour library that the program loads at run time
// and that may be absent; a test switch makes it look absent so that path can be exercised.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace calmora::platform {

using ColorProfileHandle = void*;    // null when a profile did not open
using ColorTransformHandle = void*;  // null when no transform could be made

// The colour system's profiles and transforms are handed out owned: each closes itself the way
// the colour system made it, and .get() lends the handle to the calls below.
struct ColorProfileCloser {
  void operator()(ColorProfileHandle profile) const;
};
struct ColorTransformDeleter {
  void operator()(ColorTransformHandle transform) const;
};
using UniqueColorProfile = std::unique_ptr<void, ColorProfileCloser>;
using UniqueColorTransform = std::unique_ptr<void, ColorTransformDeleter>;

// How the pixels of a row are laid out for the colour system.
enum class ColorPixelFormat : uint8_t {
  kRGB8,           // 3 bytes red, green, blue
  kBGR8,           // 3 bytes blue, green, red
  kCMYK8,          // 4 bytes of ink, 0 none .. 255 full
  kInvertedCMYK8,  // 4 bytes, each 255 minus the ink
  kGray8,          // 1 byte
  kRGB16LE,        // three 16-bit words red, green, blue, little-endian
  kRGB16BE,        // the same words big-endian
  kChannels3x8,    // 3 bytes in whatever 3-channel colour space the profile declares
  kLab16,          // three 16-bit words L*, a*, b*: L* 0..100 as 0..65535, a* and b* as
                   // (value + 128) * 257, so 0x8080 is neutral
};

// Bytes one pixel of the format takes.
size_t ColorPixelSize(ColorPixelFormat format);

// "Loads" the colour system: a non-null module handle when it can be used, null when it is
// absent. FreeColorSystem releases a handle this gave.
void* LoadColorSystem();
void FreeColorSystem(void* module);

// Test switch: while set, LoadColorSystem answers null as if the library were missing.
void SetColorSystemAbsent(bool absent);
bool IsColorSystemAbsent();

// A profile from ICC bytes in memory (the colour system keeps its own copy); null when the
// bytes are not a profile it can read.
UniqueColorProfile OpenColorProfileFromMemory(const void* data, size_t size);
// The system's sRGB profile.
UniqueColorProfile OpenSRGBColorProfile();

// A perceptual transform from one profile to another; null when the profiles cannot be
// joined or a format does not fit its profile's colour space.
UniqueColorTransform CreateColorTransform(ColorProfileHandle input, ColorPixelFormat inputFormat,
                                          ColorProfileHandle output, ColorPixelFormat outputFormat);

// Translates Count pixels. Source and Destination may be the same buffer when both formats
// have the same pixel size; other overlaps are not allowed. A transform may be used by
// several threads at once.
void TranslateColors(ColorTransformHandle Transform, const void* Source, void* Destination,
                     size_t Count);

}  // namespace calmora::platform
