// TPVICC: keeping, opening and saving a raw ICC profile, reading its texts, and converting
// rows through a cached two-profile transform of the colour system.
#include "imaging/core/icc.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "imaging/core/base/byte_reader.h"
#include "imaging/core/base/streams.h"

namespace calmora {

namespace {

std::mutex color_system_mutex;

using platform::ColorPixelFormat;

bool IsValidLayout(int32_t Layout) { return Layout >= 0 && Layout < ColorLayoutCount; }

// How the colour system sees a row of each layout, and the layout's bytes per pixel, in
// TPVColorLayout order. CIELab rows are widened by us first (WidenLabRow), since the
// engine's 8-bit Lab keeps a and b unsigned; clYCbCr takes whatever 3-channel space the
// profile declares.
struct LayoutTraits {
  ColorPixelFormat engine_format;
  int pixel_size;
};
constexpr LayoutTraits layout_traits[ColorLayoutCount] = {
    {ColorPixelFormat::RGB8, 3},           // clRGB24
    {ColorPixelFormat::BGR8, 3},           // clBGR24
    {ColorPixelFormat::InvertedCMYK8, 4},  // clInvertedCMYK
    {ColorPixelFormat::CMYK8, 4},          // clCMYK
    {ColorPixelFormat::Lab16, 3},          // clCIELab
    {ColorPixelFormat::Gray8, 1},          // clGray8
    {ColorPixelFormat::RGB16LE, 6},        // clRGB48
    {ColorPixelFormat::RGB16BE, 6},        // clRGB48BigEndian
    {ColorPixelFormat::Channels3x8, 3},    // clYCbCr
};

// CIELab bytes to the engine's 16-bit Lab: L 0..255 stands for L* 0..100 and widens by 257;
// a and b are signed, so they are moved to the engine's offset encoding where 0x8080 is
// neutral (a* = b* = 0), and widened by 257 too.
void WidenLabRow(const uint8_t* Source, uint16_t* Words, size_t Count) {
  for (size_t i = 0; i < Count; ++i, Source += 3, Words += 3) {
    Words[0] = static_cast<uint16_t>(Source[0] * 257);
    Words[1] = static_cast<uint16_t>((static_cast<int8_t>(Source[1]) + 128) * 257);
    Words[2] = static_cast<uint16_t>((static_cast<int8_t>(Source[2]) + 128) * 257);
  }
}

bool RangesOverlap(const void* a, size_t a_size, const void* b, size_t b_size) {
  const auto pa = reinterpret_cast<uintptr_t>(a);
  const auto pb = reinterpret_cast<uintptr_t>(b);
  return pa < pb + b_size && pb < pa + a_size;
}

}  // namespace

int ColorLayoutPixelSize(int32_t Layout) {
  return IsValidLayout(Layout) ? layout_traits[Layout].pixel_size : 0;
}

bool IsColorLayoutWritable(int32_t Layout) { return Layout == clBGR24 || Layout == clInvertedCMYK; }

bool LoadColorSystemLibrary() {
  std::lock_guard lock(color_system_mutex);
  if (ColorSystemLibrary == nullptr) ColorSystemLibrary = platform::LoadColorSystem();
  return ColorSystemLibrary != nullptr;
}

void FreeColorSystemLibrary() {
  std::lock_guard lock(color_system_mutex);
  if (ColorSystemLibrary != nullptr) {
    platform::FreeColorSystem(ColorSystemLibrary);
    ColorSystemLibrary = nullptr;
  }
}

TPVICC::~TPVICC() { Clear(); }

void TPVICC::LoadFromBuffer(const void* Buffer, int32_t Size) {
  // Copied before Clear, so a buffer that is this profile's own bytes stays readable.
  std::unique_ptr<uint8_t[]> copy;
  if (Buffer != nullptr && Size > 0) {
    copy.reset(new (std::nothrow) uint8_t[static_cast<size_t>(Size)]);
    if (copy) std::memcpy(copy.get(), Buffer, static_cast<size_t>(Size));
  }
  Clear();
  if (copy) {
    RawProfile = std::move(copy);
    RawSize = Size;
  }
  OpenProfile();
}

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
  const bool same_keys = InLayout == InputLayout && OutLayout == OutputLayout &&
                         TheIntent == Intent && Flags == TransformFlags;
  if (TransformHandle == nullptr || !same_keys) {
    FreeTransform();
    if (Destination != nullptr && IsValidLayout(InLayout) && IsValidLayout(OutLayout))
      TransformHandle = platform::CreateColorTransform(
          ProfileHandle.get(), layout_traits[InLayout].engine_format,
          Destination->ProfileHandle.get(), layout_traits[OutLayout].engine_format);
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
  const size_t in_size = static_cast<size_t>(ColorLayoutPixelSize(InLayout));
  const size_t out_size = static_cast<size_t>(ColorLayoutPixelSize(OutLayout));
  const auto* in = static_cast<const uint8_t*>(Source);
  auto* out = static_cast<uint8_t*>(DestinationRow);

  // A row converted onto itself pixel by pixel is safe only when the pixels keep their size;
  // any other overlap (a wider output running ahead of its input) reads from a copy.
  std::vector<uint8_t> copy;
  const bool in_place_ok = in == out && in_size == out_size;
  if (!in_place_ok && RangesOverlap(in, count * in_size, out, count * out_size)) {
    copy.assign(in, in + count * in_size);
    in = copy.data();
  }

  if (InLayout == clCIELab) {
    // Widened a slice at a time into the engine's words.
    constexpr size_t slice = 1024;
    uint16_t words[slice * 3];
    for (size_t done = 0; done < count; done += slice) {
      const size_t n = std::min(slice, count - done);
      WidenLabRow(in + done * in_size, words, n);
      platform::TranslateColors(TransformHandle.get(), words, out + done * out_size, n);
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
  const int32_t tag_count = table.ReadBE<int32_t>();
  if (table.Failed() || tag_count > 1000 || tag_count < 0) return;
  for (int32_t i = 0; i < tag_count; ++i) {
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
  int64_t text_start = 0;
  if (std::memcmp(Signature, "cprt", 4) == 0) {
    text = &CprtText;  // textType: signature, reserved, then the text
    text_start = 8;
  } else if (std::memcmp(Signature, "desc", 4) == 0) {
    text = &DescText;  // textDescriptionType: signature, reserved, length, then the text
    text_start = 12;
  } else {
    return;
  }
  // The text must end (with its zero) inside the profile and be shorter than 1000 characters.
  TPVByteReader tag(RawProfile.get(), RawSize);
  std::string found;
  if (tag.SeekTo(int64_t{Offset} + text_start) && tag.ReadZeroTerminated(found, 1000))
    *text = std::move(found);
}

}  // namespace calmora
