// The built-in CMYK profile: inflated and opened on first use with its two transforms (one
// guarded first use for every thread), and the CMYK <-> RGB pixel conversions over it.
#include "imaging/core/cmyk_profile.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>

#include "imaging/codecs/zlib/zlib_codec.h"
#include "imaging/core/base/malloc_block.h"
#include "imaging/core/data/cmyk_profile_data.h"
#include "imaging/proc/base/color_helpers.h"

namespace calmora {

bool CMYKProfileConversion = true;
TPVICC* CMYKProfile = nullptr;
TPVICC* SRGBProfile = nullptr;

namespace {

enum ProfileState : int { kNotTried = 0, kReady = 1, kUnusable = 2 };

std::mutex profile_mutex;
std::atomic<int> profile_state{kNotTried};

// The owners of the two profiles; the pointers above only show them.
std::unique_ptr<TPVICC> cmyk_profile_owner;
std::unique_ptr<TPVICC> srgb_profile_owner;

// Makes a profile that the owner keeps and the global shows.
TPVICC& MakeProfile(std::unique_ptr<TPVICC>& owner, TPVICC*& global) {
  owner = std::make_unique<TPVICC>();
  global = owner.get();
  return *owner;
}

bool MakeProfiles() {
  void* block = nullptr;
  int32_t inflated_size = 0;
  try {
    DecompressBuffer(BuiltInCMYKProfileData, BuiltInCMYKProfileDataSize, block, inflated_size,
                     BuiltInCMYKProfileSize);
  } catch (const EZLibError&) {
    return false;
  }
  const UniqueMallocBlock<> inflated(block);
  TPVICC& cmyk = MakeProfile(cmyk_profile_owner, CMYKProfile);
  cmyk.LoadFromBuffer(inflated.get(), inflated_size);
  if (!cmyk.IsOpen()) return false;

  TPVICC& srgb = MakeProfile(srgb_profile_owner, SRGBProfile);
  srgb.OpenSRGBProfile();

  // Converting one pixel each way makes the two transforms the pixel calls then reuse.
  TPVCMYK pixel_cmyk = MakeCMYK(0, 0, 0, 0);
  TPVRGB pixel_rgb = MakeRGB(0, 0, 0);
  cmyk.TransformPixels(&srgb, clInvertedCMYK, clBGR24, 0, 0, &pixel_cmyk, &pixel_rgb, 1);
  srgb.TransformPixels(&cmyk, clBGR24, clInvertedCMYK, 0, 0, &pixel_rgb, &pixel_cmyk, 1);
  return cmyk.IsTransformReady() && srgb.IsTransformReady();
}

// Whether the pixel conversions go through the profile right now.
bool UseProfile() { return CMYKProfileConversion && LoadCMYKProfile(); }

}  // namespace

bool LoadCMYKProfile() {
  const int state = profile_state.load(std::memory_order_acquire);
  if (state != kNotTried) return state == kReady;
  std::lock_guard lock(profile_mutex);
  if (profile_state.load(std::memory_order_relaxed) == kNotTried)
    profile_state.store(MakeProfiles() ? kReady : kUnusable, std::memory_order_release);
  return profile_state.load(std::memory_order_relaxed) == kReady;
}

void FreeCMYKProfiles() {
  std::lock_guard lock(profile_mutex);
  CMYKProfile = nullptr;
  SRGBProfile = nullptr;
  cmyk_profile_owner.reset();
  srgb_profile_owner.reset();
  profile_state.store(kNotTried, std::memory_order_release);
}

void CMYKToRGB(TPVCMYK CMYK, TPVRGB& RGB) { CMYKRowToRGB(&CMYK, &RGB, 1); }

TPVCMYK RGBToCMYK(TPVRGB RGB) {
  TPVCMYK cmyk;
  RGBRowToCMYK(&RGB, &cmyk, 1);
  return cmyk;
}

void CMYKRowToRGB(const TPVCMYK* Source, TPVRGB* Destination, int32_t Count) {
  if (Count <= 0) return;
  if (UseProfile()) {
    const auto* in = reinterpret_cast<const uint8_t*>(Source);
    const auto* out = reinterpret_cast<const uint8_t*>(Destination);
    if (in < out + size_t(Count) * sizeof(TPVRGB) && out < in + size_t(Count) * sizeof(TPVCMYK)) {
      // The colour system wants separate rows: convert the shared row a slice at a time.
      constexpr int32_t slice = 256;
      TPVCMYK copy[slice];
      for (int32_t done = 0; done < Count; done += slice) {
        const int32_t n = std::min(slice, Count - done);
        std::memcpy(copy, Source + done, sizeof(TPVCMYK) * size_t(n));
        platform::TranslateColors(CMYKProfile->TransformHandle.get(), copy, Destination + done,
                                  size_t(n));
      }
      return;
    }
    platform::TranslateColors(CMYKProfile->TransformHandle.get(), Source, Destination,
                              static_cast<size_t>(Count));
    return;
  }
  for (int32_t i = 0; i < Count; ++i) {
    const TPVCMYK p = Source[i];  // read whole before writing: the rows may be the same
    Destination[i] =
        MakeRGB(static_cast<uint8_t>(p.c * p.k / 255), static_cast<uint8_t>(p.m * p.k / 255),
                static_cast<uint8_t>(p.y * p.k / 255));
  }
}

void RGBRowToCMYK(const TPVRGB* Source, TPVCMYK* Destination, int32_t Count) {
  if (Count <= 0) return;
  if (UseProfile()) {
    platform::TranslateColors(SRGBProfile->TransformHandle.get(), Source, Destination,
                              static_cast<size_t>(Count));
    return;
  }
  for (int32_t i = 0; i < Count; ++i) {
    const TPVRGB p = Source[i];
    int m = std::max({p.r, p.g, p.b});
    if (m == 0) m = 1;
    Destination[i] =
        MakeCMYK(static_cast<uint8_t>(p.r * 255 / m), static_cast<uint8_t>(p.g * 255 / m),
                 static_cast<uint8_t>(p.b * 255 / m), static_cast<uint8_t>(m));
  }
}

}  // namespace calmora
