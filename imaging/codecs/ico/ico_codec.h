// What the rest of the library calls of the icon and cursor codec family. So far: the two
// content tests that detection runs.
#pragma once

namespace calmora {

class TStream;

// An icon (type 1) or cursor (type 2) directory whose entries are all plausible; the
// position is left where it was.
bool IsICOStream(TStream* Stream);
bool IsCURStream(TStream* Stream);

}  // namespace calmora
