// What the rest of the library calls of the PCX and DCX codec family. So far: the DCX content
// test that detection runs (plain PCX is recognised by detection's own header test).
#pragma once

namespace calmora {

class TStream;

// The DCX magic followed by a page table whose every offset lies inside the stream; the
// position is left where it was.
bool IsDCXStream(TStream* Stream);

}  // namespace calmora
