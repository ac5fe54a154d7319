// The built-in CMYK profile: inflated and opened on first use with its two transforms (one
// guarded first use for every thread), and the CMYK <-> RGB pixel conversions over it.
#include "imaging/core/color/cmyk_profile.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>

#include "imaging/zlib/zlib_codec.h"
#include "imaging/base/malloc_block.h"
#include "imaging/core/data/cmyk_profile_data.h"
#include "imaging/base/color_helpers.h"

namespace calmora {

bool CMYKProfileConversion = true;
TPVICC* CMYKProfile = nullptr;
TPVICC* SRGBProfile = nullptr;

namespace {

enum ProfileState : int { kNotTried = 0, kReady = 1, kUnusable = 2 };

std::mutex ProfileMutex;
std::atomic<int> ProfileState{kNotTried};

// The owners of the two profiles; the pointers above only show them.
std::unique_ptr<TPVICC> CmykProfileOwner;
std::unique_ptr<TPVICC> SrgbProfileOwner;

// Makes a profile that the owner keeps and the global shows.
TPVICC& MakeProfile(std::unique_ptr<TPVICC>& owner, TPVICC*& global) {
  owner = std::make_unique<TPVICC>();
  global = owner.get();
  return *owner;
}

bool MakeProfiles() {
  void* block = nullptr;
  int32_t inflatedSize = 0;
  try {
    DecompressBuffer(BuiltInCMYKProfileData, BuiltInCMYKProfileDataSize, block, inflatedSize,
                     BuiltInCMYKProfileSize);
  } catch (const EZLibError&) {
    return false;
  }
  const UniqueMallocBlock<> inflated(block);
  TPVICC& cmyk = MakeProfile(CmykProfileOwner, CMYKProfile);
  cmyk.LoadFromBuffer(inflated.get(), inflatedSize);
  if (!cmyk.IsOpen()) return false;

  TPVICC& srgb = MakeProfile(SrgbProfileOwner, SRGBProfile);
  srgb.OpenSRGBProfile();

  // Converting one pixel each way makes the two transforms the pixel calls then reuse.
  TPVCMYK pixelCmyk = MakeCMYK(0, 0, 0, 0);
  TPVRGB pixelRgb = MakeRGB(0, 0, 0);
  cmyk.TransformPixels(&srgb, clInvertedCMYK, clBGR24, 0, 0, &pixelCmyk, &pixelRgb, 1);
  srgb.TransformPixels(&cmyk, clBGR24, clInvertedCMYK, 0, 0, &pixelRgb, &pixelCmyk, 1);
  return cmyk.IsTransformReady() && srgb.IsTransformReady();
}

// Whether the pixel conversions go through the profile right now.
bool UseProfile() { return CMYKProfileConversion && LoadCMYKProfile(); }

}  // namespace

bool LoadCMYKProfile() {
  const int state = ProfileState.load(std::memory_order_acquire);
  if (state != kNotTried) return state == kReady;
  std::lock_guard lock(ProfileMutex);
  if (ProfileState.load(std::memory_order_relaxed) == kNotTried)
    ProfileState.store(MakeProfiles() ? kReady : kUnusable, std::memory_order_release);
  return ProfileState.load(std::memory_order_relaxed) == kReady;
}

void FreeCMYKProfiles() {
  std::lock_guard lock(ProfileMutex);
  CMYKProfile = nullptr;
  SRGBProfile = nullptr;
  CmykProfileOwner.reset();
  SrgbProfileOwner.reset();
  ProfileState.store(kNotTried, std::memory_order_release);
}

void CMYKToRGB(TPVCMYK CMYK, TPVRGB& RGB) { CMYKRowToRGB(&CMYK, &RGB, 1); }

TPVCMYK RGBToCMYK(TPVRGB RGB) {
  TPVCMYK cmyk;
  RGBRowToCMYK(&RGB, &cmyk, 1);
  return cmyk;
}

void CMYKRowToRGB(const TPVCMYK* source, TPVRGB* destination, int32_t count) {
  if (count <= 0) return;
  if (UseProfile()) {
    const auto* in = reinterpret_cast<const uint8_t*>(source);
    const auto* out = reinterpret_cast<const uint8_t*>(destination);
    if (in < out + size_t(count) * sizeof(TPVRGB) && out < in + size_t(count) * sizeof(TPVCMYK)) {
      // The colour system wants separate rows: convert the shared row a slice at a time.
      constexpr int32_t kSlice = 256;
      TPVCMYK copy[kSlice];
      for (int32_t done = 0; done < count; done += kSlice) {
        const int32_t n = std::min(kSlice, count - done);
        std::memcpy(copy, source + done, sizeof(TPVCMYK) * size_t(n));
        platform::TranslateColors(CMYKProfile->TransformHandle.get(), copy, destination + done,
                                  size_t(n));
      }
      return;
    }
    platform::TranslateColors(CMYKProfile->TransformHandle.get(), source, destination,
                              static_cast<size_t>(count));
    return;
  }
  for (int32_t i = 0; i < count; ++i) {
    const TPVCMYK p = source[i];  // read whole before writing: the rows may be the same
    destination[i] =
        MakeRGB(static_cast<uint8_t>(p.c * p.k / 255), static_cast<uint8_t>(p.m * p.k / 255),
                static_cast<uint8_t>(p.y * p.k / 255));
  }
}

void RGBRowToCMYK(const TPVRGB* source, TPVCMYK* destination, int32_t count) {
  if (count <= 0) return;
  if (UseProfile()) {
    platform::TranslateColors(SRGBProfile->TransformHandle.get(), source, destination,
                              static_cast<size_t>(count));
    return;
  }
  for (int32_t i = 0; i < count; ++i) {
    const TPVRGB p = source[i];
    int m = std::max({p.r, p.g, p.b});
    if (m == 0) m = 1;
    destination[i] =
        MakeCMYK(static_cast<uint8_t>(p.r * 255 / m), static_cast<uint8_t>(p.g * 255 / m),
                 static_cast<uint8_t>(p.b * 255 / m), static_cast<uint8_t>(m));
  }
}

}  // namespace calmora
