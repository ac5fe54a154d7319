// The process-wide default LZW coders that every new parameter record copies.
#include "imaging/params/lzw_defaults.h"

namespace calmora {

TGIFLZWDecompressProc DefaultGIFLZWDecompress = nullptr;
TGIFLZWCompressProc DefaultGIFLZWCompress = nullptr;
TTIFFLZWDecompressFunc DefaultTIFFLZWDecompress = nullptr;
TTIFFLZWCompressProc DefaultTIFFLZWCompress = nullptr;

}  // namespace calmora
