// The library's LZW coders for GIF image data and TIFF strips. Codecs reach them only through
// the parameter record's procedure fields or the defaults the I/O unit's set-up installs
// (imaging/params/lzw_defaults.h declares their types).
#pragma once

#include <cstdint>

#include "imaging/params/lzw_defaults.h"

namespace calmora {

// A TGIFLZWDecompressProc: decodes one GIF image's LZW data (code size byte, sub-blocks,
// terminator) into Width x Height indices. Bad data ends decoding without an error; pixels not
// reached keep what Indices held. On a bad code size, a code past the next free one or an end
// right after a clear with data still left, the stream moves back to the code size byte;
// otherwise it stays after the sub-blocks.
void DecompressGIFLZW(TStream* Stream, int32_t Height, int32_t Width, bool Interlaced,
                      uint8_t* Indices);
// A TGIFLZWCompressProc: writes Width x Height indices as one GIF image's LZW data with code
// size BitsPerPixel, kept within 2..8 (indices are taken modulo 2^code size). Write errors are
// the stream's (EWriteError).
void CompressGIFLZW(TStream* Stream, int32_t Height, int32_t Width, bool Interlaced,
                    const uint8_t* Indices, int32_t BitsPerPixel);
// A TTIFFLZWDecompressFunc: the next RowSize decoded bytes of a strip of DataSize bytes at
// Data, or null. See TTIFFLZWDecompressFunc for the calls of one strip.
uint8_t* DecompressTIFFLZW(const uint8_t* Data, int32_t RowSize, void*& State, int32_t FillOrder,
                           int64_t DataSize);
// A TTIFFLZWCompressProc: Size bytes as the continuation of one strip's code stream; a null
// Data ends the strip. Write errors are the stream's (EWriteError).
void CompressTIFFLZW(const uint8_t* Data, int32_t Size, TStream* Stream, void*& State);

}  // namespace calmora
