// Tools over the three colour channels: histogram matching between two images and reordering
// of the channels of a 24-bit image.
#pragma once

#include <string>

#include "imaging/base/defs.h"
#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

// Matches each channel of Target (pv24RGB, or pvRGB48 through the words' high bytes) to the
// histogram of the same channel of Reference (pv24RGB): the value is equalised by Target's own
// cumulative histogram, then mapped to the Reference level whose cumulative share is nearest
// (the first of equals). Nothing for other formats or an empty image.
void MatchHistogram(const TPVBitmap& Reference, TPVBitmap& Target);

// pv24RGB only. Order, upper-cased, names for destination bytes 0, 1, 2 of each pixel the
// source byte: 'B' byte 0, 'G' byte 1, 'R' byte 2 ("BGR" keeps the pixels, "RGB" exchanges
// red and blue). After row y (from 0), OnProgress(Sender, Trunc(y / Height * 100)). An order
// that is not three of the letters B, G and R changes and reports nothing.
void ReorderChannels(TPVBitmap& Bitmap, const std::string& Order, TObject* Sender,
                     const TPVProgressEvent& OnProgress);

}  // namespace calmora
