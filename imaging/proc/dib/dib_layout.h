// A packed device-independent bitmap (DIB) taken apart and checked: its header fields, colour
// table, channel masks and where its pixel rows start, and the conversion of one of its rows
// into 24-bit pixels. Shared by the DIB loader and the DIB painter.
#pragma once

#include <cstdint>

#include "imaging/base/pixel_types.h"

namespace calmora {

// How the rows of a DIB are read.
enum class TDibRows : uint8_t {
  None,     // nothing to convert (another bit count or compression)
  OneBit,   // 1 bit per pixel
  Indexed,  // 4 or 8 bits indexing the colour table
  Masked,   // 16 bits with channel masks
  Bgr,      // 24 bits: blue, green, red
  Bgrx,     // 32 bits: blue, green, red and a byte that is dropped
};

// Where the pixel data starts, by bit count and compression: the loader and the painter read
// the same blocks but differ for 32 bits with run-length compression codes (the loader reads
// plain rows after the header, the painter draws nothing).
enum class TDibDataStart : uint8_t { Loader, Painter };

struct TDibLayout {
  // Header fields.
  uint32_t HeaderSize = 0;
  int32_t Width = 0;
  int32_t Height = 0;  // positive: rows bottom-up
  int32_t BitCount = 0;
  uint32_t Compression = 0;
  uint32_t ColorsUsed = 0;

  TDibRows Rows = TDibRows::None;
  // Entries of the colour table (1, 4 and 8 bits); indices past them read black.
  int32_t TableEntries = 0;
  TPVRGB Palette[256] = {};
  // 16 bits: the channel masks (5-5-5 unless bit fields say otherwise) and the shifts that
  // bring each channel to 8 bits (negative: to the left), set by LocateDibPixels.
  uint32_t Masks[3] = {0x7C00, 0x03E0, 0x001F};
  int32_t Shifts[3] = {};
  // The pixel data and the bytes available there; null when the layout has no data start.
  const uint8_t* Pixels = nullptr;
  int64_t PixelBytes = 0;
};

// Compression codes 0 to 3 (plain, two run-length codes, bit fields) are all read as plain
// rows; other codes are FourCCs of video layouts or unknown.
inline bool IsPlainCompression(uint32_t compression) { return compression <= 3; }

// Reads the header of the DIB of length bytes. False for a block shorter than 40 bytes or than
// the header it declares, and for a declared header shorter than 40 bytes.
bool ReadDibHeader(const uint8_t* dib, int64_t length, TDibLayout& layout);

// After ReadDibHeader: for the plain compressions, the colour table, the masks and the start
// of the pixel data (bits, when given, replaces it), and how rows are read. False for a table
// of more than 256 entries or one that does not fit the block, for masks that do not fit it or
// a 16-bit mask of width 0. A FourCC layout only gets its data start.
bool LocateDibPixels(const uint8_t* dib, int64_t length, const uint8_t* bits, int64_t bitsLength,
                     TDibDataStart rule, TDibLayout& layout);

// Bytes of one stored row (32-bit aligned); -1 when it cannot be addressed.
int64_t DibRowLength(const TDibLayout& layout);
// Whether all Height rows lie within the pixel data.
bool DibRowsFit(const TDibLayout& layout);

// Converts stored row into Width pixels (Indexed, Masked, Bgr and Bgrx rows).
void ConvertDibRow(const TDibLayout& layout, const uint8_t* row, TPVRGB* target);

}  // namespace calmora
