// Pixel copies between device bitmaps that the bitmap model needs: the plain copy and the
// duplicate, and the expansion of a 1-bit device bitmap into 24 bits through a table of eight
// ready-made pixels per source byte.
#pragma once

#include <memory>

#include "imaging/base/defs.h"
#include "imaging/base/pixel_types.h"

namespace calmora::platform {
class TBitmap;
}

namespace calmora {

// Entry b holds the 8 pixels of the bits of b, most significant bit first: white for a set
// bit, black for a clear one. All black until Build1BitExpansionTable runs (the processing
// unit's set-up does, once).
extern TPVRGB OneBitExpansionTable[256][8];
void Build1BitExpansionTable();

// Makes Target a copy of Source: size, pixel format, pixels, colour table and monochrome flag.
// A source without pixels (zero width or height) leaves a 1 x 1 target in its format. False
// when the target cannot take the size or format (it is then 1 x 1 or as it was).
bool CopyTBitmap(platform::TBitmap& Source, platform::TBitmap& Target);

// A new device bitmap with CopyTBitmap of Source; null when memory cannot be had.
std::unique_ptr<platform::TBitmap> DuplicateTBitmap(platform::TBitmap& Source);

// Target becomes a 24-bit bitmap of Source's size showing Source's bits as white (set) and
// black (clear); Source's colour table is not consulted. After each row the progress event,
// when assigned, gets Trunc(rows done x 100 / (height + 0.5)) with the record's Sender (the
// record's Step holds the factor). False, with Target unchanged, for a source that is not
// 1-bit, and false when Target cannot take the size.
bool Expand1BitTBitmap(platform::TBitmap& Source, platform::TBitmap& Target,
                       TPVProgressRecord& Progress);

}  // namespace calmora
