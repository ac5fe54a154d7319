// The content tests of the view's own stream kinds: layers, vector objects (PVV) and the two
// combined. They sit here, below the view, so that format detection can call them; they look
// only at header bytes and need nothing of the view itself. imaging/view/view_streams.h
// offers them to the view under the same names.
#pragma once

namespace calmora {

class TStream;

// A 25-byte layers header: "PICTAVOLAYERS" and a version above 0.
bool IsLayersStream(TStream* Stream);
// "PVV" and a version character from '1' to 'Q'.
bool IsPVVStream(TStream* Stream);
// A combined stream: an int32 position p within the stream, a layers header right after it
// and a PVV header at p.
bool IsAllStream(TStream* Stream);

}  // namespace calmora
