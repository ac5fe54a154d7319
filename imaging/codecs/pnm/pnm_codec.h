// What the rest of the library calls of the family of portable any-maps, wireless bitmaps,
// metafiles and headerless pixels. So far: the content tests that detection runs.
#pragma once

namespace calmora {

class TStream;

// A first token "P1" to "P6", then a positive width and height; position left where it was.
bool IsPXMStream(TStream* Stream);
// A Windows metafile header, with or without the placeable header ahead of it.
bool IsWMFStream(TStream* Stream);
// An enhanced metafile header: record type 1 and " EMF" at offset 40.
bool IsEMFStream(TStream* Stream);

}  // namespace calmora
