// What the rest of the library calls of the Targa codec family: the content test detection
// runs, the reader and writer with their steps (header, rows, footer, run-length coding), the
// date conversion of the extension area, and the adapters the I/O component names.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/mask/mask.h"
#include "imaging/params/io_params.h"

namespace calmora {

class TStream;

// A plausible 18-byte Targa header at the position; the position is left where it was.
bool IsTGAStream(TStream* Stream);

// Reads the stream through a block of its own: a refill takes what the stream has left, up to
// the block's size. Reading past the end gives zeros and marks the buffer exhausted.
class TGAReadBuffer {
 public:
  static constexpr int32_t kSize = 8192;
  explicit TGAReadBuffer(TStream* stream) : stream_(stream) {}

  uint8_t ReadByte() {
    if (index_ >= count_ && !Refill()) return 0;
    return data_[index_++];
  }
  uint16_t ReadWord() {
    const uint8_t low = ReadByte();
    return static_cast<uint16_t>(low | ReadByte() << 8);
  }
  // Count bytes into Target, zeros for those past the end.
  void Read(uint8_t* target, int32_t count);
  bool Exhausted() const { return exhausted_; }
  // Bytes read from the stream but not yet taken.
  int64_t Buffered() const { return count_ - index_; }

 private:
  bool Refill();

  TStream* stream_;
  std::array<uint8_t, kSize> data_{};
  uint16_t count_ = 0;
  uint16_t index_ = 0;
  bool exhausted_ = false;
};

// The 18-byte header's fields.
struct TTGAHeader {
  uint8_t IdLength = 0;
  uint8_t ColorMapType = 0;
  uint8_t ImageType = 0;
  uint16_t FirstEntry = 0;
  uint16_t MapLength = 0;
  uint8_t EntrySize = 0;
  uint16_t XOrigin = 0;
  uint16_t YOrigin = 0;
  uint16_t Width = 0;
  uint16_t Height = 0;
  uint8_t Depth = 0;
  uint8_t Descriptor = 0;
};

// One read's state: the header, the palette with its alpha, the RLE packet carried from one
// row into the next.
struct TTGAReadContext {
  TTGAHeader Header;
  std::array<TPVRGB, 256> Palette{};
  std::array<uint8_t, 256> PaletteAlpha{};
  bool PaletteHasAlpha = false;
  bool HasFooter = false;
  bool Compressed = false;
  int64_t Start = 0;
  // The RLE carry: units left of the packet, whether it is a run, and a run's value.
  int32_t CarryCount = 0;
  bool CarryRun = false;
  uint8_t CarryValue[3] = {};
  uint8_t CarryAlpha = 255;
};

// The footer and extension area (defaults when there is none), then the header, image ID and
// colour map through Buffer. False for a header the reader cannot decode.
bool ReadTGAHeader(TStream* Stream, TGAReadBuffer& Buffer, TTGAReadContext& Context,
                   TIOParamsVals& Params);
// One row of Width pixels: 3-byte blue-green-red pixels into Row ((Width + 7) / 8 bytes at
// depth 1), alpha into AlphaRow when given. RLE packets that reach past the row are carried.
void DecodeTGARow(TGAReadBuffer& Buffer, TTGAReadContext& Context, uint8_t* Row,
                  uint8_t* AlphaRow, int32_t Width);
// Puts the row's 3-byte pixels (and its alpha bytes, when given) in reverse order.
void MirrorTGARow(uint8_t* Row, uint8_t* AlphaRow, int32_t Width);

// Reads one Targa image into a pv24RGB bitmap (pv1g for 1-bit files) and, unless IgnoreAlpha,
// its alpha into AlphaMask (made when null; null again when no pixel has alpha above 0).
void ReadTGAStream(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                   TPVProgressRecord& Progress, bool ParamsOnly,
                   std::unique_ptr<TPVMask>& AlphaMask, bool IgnoreAlpha);

// The writer's state: output depth, palette, grey flag, compression.
struct TTGAWriteContext {
  int32_t Depth = 24;
  bool Gray = false;
  bool Compressed = false;
  std::array<TPVRGB, 256> Palette{};
  int32_t PaletteCount = 0;
  int64_t Start = 0;
};

void WriteTGAHeader(TStream* Stream, bool& Failed, const TTGAWriteContext& Context,
                    const TIOParamsVals& Params, int32_t Width, int32_t Height);
// The rows of Source (pv1g or pv24RGB) at the context's depth, top row first; Quantizer gives
// 4 and 8-bit indexes of a pv24RGB source.
void WriteTGARows(TStream* Stream, TPVProgressRecord& Progress, const TTGAWriteContext& Context,
                  const TPVBitmap& Source, const class TPVQuantizer* Quantizer,
                  const TPVMask* AlphaMask);
void WriteTGAFooter(TStream* Stream, bool& Failed, const TTGAWriteContext& Context,
                    const TIOParamsVals& Params);
// Appends the RLE packets of Count pixels of PixelBytes bytes each (1 or 3) to Out.
void EncodeTGARLERow(const uint8_t* Row, int32_t Count, int32_t PixelBytes,
                     std::vector<uint8_t>& Out);

// Writes Bitmap (pv24RGB or pv1g) as a Targa file with the TGA 2.0 footer; a mask with unset
// pixels makes a 32-bit file with it as alpha.
void WriteTGAStream(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                    TPVProgressRecord& Progress, const TPVMask* AlphaMask);

// Date and time of day as the extension area holds them.
struct TTGADateParts {
  int32_t Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};
// Days since 30 December 1899 (the fraction the time of day); false, with Value untouched, for
// a date or time that does not exist.
bool TGAPartsToDateTime(const TTGADateParts& Parts, double& Value);
// The parts of Value, to the second (milliseconds dropped).
TTGADateParts TGADateTimeToParts(double Value);

// The I/O component's reader and writer: a load answers 1 (0 when aborted); parameter queries
// ignore alpha.
int32_t ReadTGAForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                     TPVProgressRecord& Progress, std::unique_ptr<TPVMask>& Mask);
void WriteTGAForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                   TPVProgressRecord& Progress, const TPVMask* Mask);

}  // namespace calmora
