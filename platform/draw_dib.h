// The DrawDib service, in its least form: every screen here takes 24 or 32 bits, so there is
// no palette to realise, and drawing a packed bitmap is the platform's stretching blit of its
// bottom-up rows onto a canvas. The handle is only a token.
#pragma once

#include <cstdint>

namespace calmora::platform {

class TCanvas;

// A DrawDib handle; 0 is none.
using TDrawDibHandle = uintptr_t;

// A fresh non-zero token.
TDrawDibHandle OpenDrawDib();
// Gives the token back; false for 0.
bool CloseDrawDib(TDrawDibHandle Handle);
// Colours the realisation changed in the canvas's palette: always 0, there is none.
uint32_t RealizeDrawDib(TDrawDibHandle Handle, TCanvas& DC, bool Background);

// Draws the source rectangle of a packed bitmap (Header: a BITMAPINFOHEADER of at least 40
// bytes followed by its colour table; Bits: its rows, bottom-up, 32-bit aligned, a negative
// height top-down) stretched to the destination rectangle, nearest pixel. A source extent
// below 1 takes the whole width or height. 1-, 4-, 8-, 24- and 32-bit uncompressed rows are
// drawn; false, with nothing drawn, for a 0 handle, null pointers, other layouts, or sizes
// that cannot be held. Flags are accepted and have no effect.
bool DrawWithDrawDib(TDrawDibHandle Handle, TCanvas& DC, int32_t DestX, int32_t DestY,
                     int32_t DestWidth, int32_t DestHeight, const uint8_t* Header,
                     const uint8_t* Bits, int32_t SourceX, int32_t SourceY, int32_t SourceWidth,
                     int32_t SourceHeight, uint32_t Flags);

}  // namespace calmora::platform
