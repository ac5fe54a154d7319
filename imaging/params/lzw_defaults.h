// The procedure types of the LZW coders that the GIF and TIFF codecs call through the parameter
// record, and the process-wide defaults every new record copies.
#pragma once

#include <cstdint>

namespace calmora {

class TStream;

// Decodes one GIF image's LZW data (code size byte, sub-blocks, terminator) from the stream's
// position into Width x Height colour indices, rows top-down.
using TGIFLZWDecompressProc = void (*)(TStream* Stream, int32_t Height, int32_t Width,
                                       bool Interlaced, uint8_t* Indices);
// Writes Width x Height colour indices as one GIF image's LZW data.
using TGIFLZWCompressProc = void (*)(TStream* Stream, int32_t Height, int32_t Width,
                                     bool Interlaced, const uint8_t* Indices, int32_t BitsPerPixel);
// Returns the next RowSize decoded bytes of a TIFF strip (null on bad data). The first call of
// a strip (State null) takes the whole strip, DataSize bytes at Data, and returns its first
// row; later calls (Data not null) return the following rows; a null Data frees State. The
// strip's end (its end code, or its last byte for strips that lack one) ends the strip: the
// row it cuts short comes back zero-filled, later calls give null.
using TTIFFLZWDecompressFunc = uint8_t* (*)(const uint8_t* Data, int32_t RowSize, void*& State,
                                            int32_t FillOrder, int64_t DataSize);
// Encodes Size bytes as the continuation of one TIFF strip's code stream; a null Data ends the
// strip, flushes and frees State.
using TTIFFLZWCompressProc = void (*)(const uint8_t* Data, int32_t Size, TStream* Stream,
                                      void*& State);

// Null means "no coder": the codecs report LZW data as unsupported. The I/O unit's set-up
// installs the library's coders (imaging/codecs/lzw); an application may install its own.
extern TGIFLZWDecompressProc DefaultGIFLZWDecompress;
extern TGIFLZWCompressProc DefaultGIFLZWCompress;
extern TTIFFLZWDecompressFunc DefaultTIFFLZWDecompress;
extern TTIFFLZWCompressProc DefaultTIFFLZWCompress;

}  // namespace calmora
