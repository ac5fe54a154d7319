// TPVICC: keeping, opening and saving a raw ICC profile, reading its texts, and converting
// rows through a cached two-profile transform of the colour system. Loading is in
// icc_loading.cpp.
#include "imaging/core/color/icc.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/streams.h"

namespace calmora {

namespace {

std::mutex ColorSystemMutex;

using platform::ColorPixelFormat;

bool IsValidLayout(int32_t layout) { return layout >= 0 && layout < kColorLayoutCount; }

// How the colour system sees a row of each layout, and the layout's bytes per pixel, in
// TPVColorLayout order. CIELab rows are widened by us first (WidenLabRow), since the
// engine's 8-bit Lab keeps a and b unsigned; clYCbCr takes whatever 3-channel space the
// profile declares.
struct LayoutTraits {
  ColorPixelFormat EngineFormat;
  int PixelSize;
};
constexpr LayoutTraits kLayoutTraits[kColorLayoutCount] = {
    {ColorPixelFormat::kRGB8, 3},           // clRGB24
    {ColorPixelFormat::kBGR8, 3},           // clBGR24
    {ColorPixelFormat::kInvertedCMYK8, 4},  // clInvertedCMYK
    {ColorPixelFormat::kCMYK8, 4},          // clCMYK
    {ColorPixelFormat::kLab16, 3},          // clCIELab
    {ColorPixelFormat::kGray8, 1},          // clGray8
    {ColorPixelFormat::kRGB16LE, 6},        // clRGB48
    {ColorPixelFormat::kRGB16BE, 6},        // clRGB48BigEndian
    {ColorPixelFormat::kChannels3x8, 3},    // clYCbCr
};

// CIELab bytes to the engine's 16-bit Lab: L 0..255 stands for L* 0..100 and widens by 257;
// a and b are signed, so they are moved to the engine's offset encoding where 0x8080 is
// neutral (a* = b* = 0), and widened by 257 too.
void WidenLabRow(const uint8_t* source, uint16_t* words, size_t count) {
  for (size_t i = 0; i < count; ++i, source += 3, words += 3) {
    words[0] = static_cast<uint16_t>(source[0] * 257);
    words[1] = static_cast<uint16_t>((static_cast<int8_t>(source[1]) + 128) * 257);
    words[2] = static_cast<uint16_t>((static_cast<int8_t>(source[2]) + 128) * 257);
  }
}

bool RangesOverlap(const void* a, size_t aSize, const void* b, size_t bSize) {
  const auto pa = reinterpret_cast<uintptr_t>(a);
  const auto pb = reinterpret_cast<uintptr_t>(b);
  return pa < pb + bSize && pb < pa + aSize;
}

}  // namespace

int ColorLayoutPixelSize(int32_t layout) {
  return IsValidLayout(layout) ? kLayoutTraits[layout].PixelSize : 0;
}

bool IsColorLayoutWritable(int32_t layout) { return layout == clBGR24 || layout == clInvertedCMYK; }

bool LoadColorSystemLibrary() {
  std::lock_guard lock(ColorSystemMutex);
  if (ColorSystemLibrary == nullptr) ColorSystemLibrary = platform::LoadColorSystem();
  return ColorSystemLibrary != nullptr;
}

void FreeColorSystemLibrary() {
  std::lock_guard lock(ColorSystemMutex);
  if (ColorSystemLibrary != nullptr) {
    platform::FreeColorSystem(ColorSystemLibrary);
    ColorSystemLibrary = nullptr;
  }
}

TPVICC::~TPVICC() { Clear(); }

void TPVICC::Assign(const TPVICC& Source) {
  if (&Source == this) return;
  if (Source.RawSize == 0 && Source.IsOpen()) {
    // Only the system sRGB profile is open without raw bytes.
    OpenSRGBProfile();
    return;
  }
  LoadFromBuffer(Source.RawProfile.get(), Source.RawSize);
}

void TPVICC::Clear() {
  CloseProfile();
  RawProfile.reset();
  RawSize = 0;
  Applied = false;
}

bool TPVICC::SaveToStream(TStream* Stream, bool NoLength) const {
  if (Stream == nullptr) return false;
  bool complete = true;
  if (!NoLength) {
    const uint32_t size = static_cast<uint32_t>(RawSize);
    const uint8_t bytes[4] = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                              static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24)};
    complete = Stream->Write(bytes, 4) == 4;
  }
  if (RawSize > 0) complete = Stream->Write(RawProfile.get(), RawSize) == RawSize && complete;
  return complete;
}

void TPVICC::OpenProfile() {
  if (LoadColorSystemLibrary() && RawSize > 0 && ProfileHandle == nullptr)
    ProfileHandle =
        platform::OpenColorProfileFromMemory(RawProfile.get(), static_cast<size_t>(RawSize));
  ReadProfileTexts();
}

void TPVICC::OpenSRGBProfile() {
  Clear();
  CprtText.clear();
  DescText.clear();
  if (LoadColorSystemLibrary()) ProfileHandle = platform::OpenSRGBColorProfile();
}

void TPVICC::CloseProfile() {
  FreeTransform();
  ProfileHandle.reset();
  InputLayout = 0;
  OutputLayout = 0;
  Intent = 0;
  TransformFlags = 0;
}

void TPVICC::FreeTransform() {
  if (TransformHandle == nullptr) return;
  TransformHandle.reset();
  Applied = true;
}

bool TPVICC::TransformPixels(TPVICC* Destination, int32_t InLayout, int32_t OutLayout,
                             int32_t TheIntent, int32_t Flags, const void* Source,
                             void* DestinationRow, int32_t Count) {
  const bool sameKeys = InLayout == InputLayout && OutLayout == OutputLayout &&
                        TheIntent == Intent && Flags == TransformFlags;
  if (TransformHandle == nullptr || !sameKeys) {
    FreeTransform();
    if (Destination != nullptr && IsValidLayout(InLayout) && IsValidLayout(OutLayout))
      TransformHandle = platform::CreateColorTransform(
          ProfileHandle.get(), kLayoutTraits[InLayout].EngineFormat,
          Destination->ProfileHandle.get(), kLayoutTraits[OutLayout].EngineFormat);
    InputLayout = InLayout;
    OutputLayout = OutLayout;
    Intent = TheIntent;
    TransformFlags = Flags;
  }
  if (TransformHandle == nullptr) return false;
  if (Count <= 0 || Source == nullptr || DestinationRow == nullptr ||
      !IsColorLayoutWritable(OutLayout))
    return true;

  const size_t count = static_cast<size_t>(Count);
  const size_t inSize = static_cast<size_t>(ColorLayoutPixelSize(InLayout));
  const size_t outSize = static_cast<size_t>(ColorLayoutPixelSize(OutLayout));
  const auto* in = static_cast<const uint8_t*>(Source);
  auto* out = static_cast<uint8_t*>(DestinationRow);

  // A row converted onto itself pixel by pixel is safe only when the pixels keep their size;
  // any other overlap (a wider output running ahead of its input) reads from a copy.
  std::vector<uint8_t> copy;
  const bool inPlaceOk = in == out && inSize == outSize;
  if (!inPlaceOk && RangesOverlap(in, count * inSize, out, count * outSize)) {
    copy.assign(in, in + count * inSize);
    in = copy.data();
  }

  if (InLayout == clCIELab) {
    // Widened a slice at a time into the engine's words.
    constexpr size_t kSlice = 1024;
    uint16_t words[kSlice * 3];
    for (size_t done = 0; done < count; done += kSlice) {
      const size_t n = std::min(kSlice, count - done);
      WidenLabRow(in + done * inSize, words, n);
      platform::TranslateColors(TransformHandle.get(), words, out + done * outSize, n);
    }
    return true;
  }

  platform::TranslateColors(TransformHandle.get(), in, out, count);
  return true;
}

void TPVICC::ReadProfileTexts() {
  CprtText.clear();
  DescText.clear();
  // The tag count sits right after the 128-byte header, then the 12-byte entries; a profile
  // too short to hold the count fails the reader at once.
  TPVByteReader table(RawProfile.get(), RawSize);
  table.Skip(128);
  const int32_t tagCount = table.ReadBE<int32_t>();
  if (table.Failed() || tagCount > 1000 || tagCount < 0) return;
  for (int32_t i = 0; i < tagCount; ++i) {
    char signature[4];
    table.Read(signature, 4);
    const int32_t offset = table.ReadBE<int32_t>();
    const int32_t size = table.ReadBE<int32_t>();
    if (table.Failed()) return;
    if (offset < 0 || size < 0 || offset > RawSize || size > RawSize) return;
    ReadProfileTextTag(signature, offset, size);
  }
}

void TPVICC::ReadProfileTextTag(const char* Signature, int32_t Offset, int32_t Size) {
  if (Size >= 1000) return;
  std::string* text = nullptr;
  int64_t textStart = 0;
  if (std::memcmp(Signature, "cprt", 4) == 0) {
    text = &CprtText;  // textType: signature, reserved, then the text
    textStart = 8;
  } else if (std::memcmp(Signature, "desc", 4) == 0) {
    text = &DescText;  // textDescriptionType: signature, reserved, length, then the text
    textStart = 12;
  } else {
    return;
  }
  // The text must end (with its zero) inside the profile and be shorter than 1000 characters.
  TPVByteReader tag(RawProfile.get(), RawSize);
  std::string found;
  if (tag.SeekTo(int64_t{Offset} + textStart) && tag.ReadZeroTerminated(found, 1000))
    *text = std::move(found);
}

}  // namespace calmora
