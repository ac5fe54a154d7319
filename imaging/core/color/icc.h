// TPVICC: one ICC colour profile carried with an image (its raw bytes, the profile opened in
// the colour system, its "cprt" and "desc" texts) and one cached transform to another profile.
// Also the row layouts the colour conversions understand.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "imaging/base/defs.h"
#include "imaging/base/pixel_types.h"
#include "platform/color_system.h"

namespace calmora {

class TPVBitmap;
class TStream;

// The layout of a row of pixels handed to TPVICC.TransformPixels and ConvertColorRow.
enum TPVColorLayout : uint8_t {
  clRGB24 = 0,           // 3 bytes red, green, blue
  clBGR24 = 1,           // 3 bytes blue, green, red (the pv24RGB layout)
  clInvertedCMYK = 2,    // 4 bytes C, M, Y, K, each 255 minus the ink (the pvCMYK layout)
  clCMYK = 3,            // 4 bytes of ink
  clCIELab = 4,          // 3 bytes L, a, b: L 0..255 for L* 0..100, a and b signed
  clGray8 = 5,           // 1 byte
  clRGB48 = 6,           // three 16-bit words red, green, blue, little-endian
  clRGB48BigEndian = 7,  // the same words big-endian
  clYCbCr = 8,           // 3 bytes
};
inline constexpr int kColorLayoutCount = 9;

// Bytes one pixel of the layout takes (0 for a value outside the enumeration).
int ColorLayoutPixelSize(int32_t layout);

// True for the layouts a colour transform writes: clBGR24 and clInvertedCMYK. A transform to
// any other layout leaves the destination row as it was.
bool IsColorLayoutWritable(int32_t layout);

// Loads the colour system on first use; true while it is loaded (ColorSystemLibrary).
bool LoadColorSystemLibrary();
// Releases it again (the static clean-up); the next LoadColorSystemLibrary loads it anew.
void FreeColorSystemLibrary();

class TPVICC : public TObject {
 public:
  TPVICC() = default;  // everything empty, Applied false
  ~TPVICC() override;
  TPVICC(const TPVICC&) = delete;
  TPVICC& operator=(const TPVICC&) = delete;

  // Clear, then keep a copy of Size bytes and open them. A null buffer or a Size of 0 or
  // less leaves the profile empty; so does a copy that cannot be allocated, or anything that
  // goes wrong while the profile is opened and its texts read.
  void LoadFromBuffer(const void* Buffer, int32_t Size);
  // Reads what SaveToStream wrote, from the stream's position: unless noLength, a 4-byte
  // little-endian size and that many bytes; with noLength, the rest of the stream. File:
  // the whole file, as a stream with noLength. True when the bytes were there in full and
  // the colour system opened them (without the colour system, which cannot judge them, the
  // bytes are kept closed, as LoadFromBuffer keeps them, and the load counts). Otherwise
  // false, with this profile as it was: a size of 0, below 0, past what the stream holds or
  // above 2 GB, a profile the colour system refuses, a file that cannot be opened, a stream
  // that fails or throws, bytes that cannot be allocated.
  bool LoadFromStream(TStream* stream, bool noLength);
  bool LoadFromFile(const std::string& fileName);
  // Clear, then the source's raw bytes opened anew (Applied is not copied). A source open
  // on the system sRGB profile, which has no raw bytes, gives an sRGB profile again.
  void Assign(const TPVICC& Source);
  // Closes the profile and drops the raw bytes; Applied false. The texts stay until the next
  // profile is opened.
  void Clear();
  bool IsOpen() const { return ProfileHandle != nullptr; }
  // Unless NoLength, RawSize as 4 bytes little-endian; then the raw bytes. Returns true when
  // every byte was written.
  bool SaveToStream(TStream* Stream, bool NoLength) const;
  // Opens the raw bytes in the colour system when it is available, then reads the texts.
  void OpenProfile();
  // Clear, then the system sRGB profile when the colour system is available. No raw bytes;
  // the texts are emptied.
  void OpenSRGBProfile();
  void CloseProfile();
  bool IsTransformReady() const { return TransformHandle != nullptr; }
  // Deletes the transform when there is one and sets Applied: the pixels it was made for
  // have been converted.
  void FreeTransform();

  // Converts Count pixels from Source (in InputLayout) to DestinationRow (in OutputLayout)
  // from this profile to the Destination profile. The transform is reused while the four
  // keys stay the same; other keys release it (setting Applied) and make a new one. Only
  // clBGR24 and clInvertedCMYK destinations are written. The source row is never changed
  // (unless it is the destination); the two rows may be the same buffer or overlap.
  // True when a transform exists afterwards.
  bool TransformPixels(TPVICC* Destination, int32_t InLayout, int32_t OutLayout, int32_t TheIntent,
                       int32_t Flags, const void* Source, void* DestinationRow, int32_t Count);
  // Converts a whole bitmap in place into TargetFormat (pv24RGB or pvCMYK) towards the
  // Destination profile; the bitmap must be pv8g, pv24RGB, pvCMYK, pvRGB48 or pvCIELab.
  // False, with the bitmap unchanged, for any other format or target, when no transform can
  // be made, or when the new image cannot be allocated.
  bool TransformBitmap(TPVBitmap* Bitmap, uint8_t TargetFormat, TPVICC* Destination);

  // Reads CprtText and DescText from the raw bytes, staying within them.
  void ReadProfileTexts();

  std::unique_ptr<uint8_t[]> RawProfile;  // the raw profile bytes, null when none
  int32_t RawSize = 0;                    // number of raw bytes, 0 when none
  platform::UniqueColorProfile ProfileHandle;  // the open profile, null when none
  bool Applied = false;
  int32_t InputLayout = 0;  // cache keys of the transform
  int32_t OutputLayout = 0;
  int32_t Intent = 0;
  int32_t TransformFlags = 0;
  platform::UniqueColorTransform TransformHandle;  // the cached transform, null when none
  std::string CprtText;
  std::string DescText;
  // Marks a profile meant for another colour engine than the colour system; the PSD reader
  // converts through TransformBitmap only while it is false. False at creation.
  bool AlternativeEngine = false;

 private:
  // Takes over a profile loaded aside in full: its bytes, its open handle and its texts.
  void TakeOver(TPVICC& loaded);
  // One entry of the profile's tag table (signature, offset and size of the tag): "cprt" and
  // "desc" give the texts.
  void ReadProfileTextTag(const char* Signature, int32_t Offset, int32_t Size);
};

}  // namespace calmora
