// What the imaging foundation, processing and I/O framework call of the image file codecs:
// the set-up routines, the content tests, the readers and writers of every format, the LZW
// procedure types, DecompressBuffer and the TIFF directory-reading context. Declared here
// with the codecs' own argument orders so callers can be written before the codecs are.
//
// Common contract of the readers and writers: they report progress through the progress
// record, set its abort flag on bad data or a failed write and stop once it is set; they
// return no error code and do not free the stream. A reader fills the parameter record and,
// unless ParamsOnly, the bitmap. Alpha masks come back as new TPVMask objects (or null) that
// the caller frees. Every Is...Stream test leaves the stream position as it found it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/codecs/jpeg2000/jpeg2000_setup.h"
#include "imaging/codecs/tiff/ccitt_trees.h"
#include "imaging/codecs/zlib/decompress_buffer.h"
#include "imaging/codecs/zlib/zlib_errors.h"
#include "imaging/core/defs.h"

namespace calmora {

class TStream;
class TPVBitmap;
class TPVMask;
class TIOParamsVals;
class TPVLayer;

// ---- Content tests ----

bool IsTIFFStream(TStream* Stream);
bool IsCameraRawTIFFStream(TStream* Stream);
bool IsPNGStream(TStream* Stream);
bool IsDICOMStream(TStream* Stream);
bool IsICOStream(TStream* Stream);
bool IsCURStream(TStream* Stream);
bool IsTGAStream(TStream* Stream);
bool IsPXMStream(TStream* Stream);
// Position of the first FF D8 FF within the 150 bytes from the current position, or -1.
int64_t FindJPEGStart(TStream* Stream);
bool IsJP2Stream(TStream* Stream);
bool IsJ2KStream(TStream* Stream);
bool IsDCXStream(TStream* Stream);
bool IsWMFStream(TStream* Stream);
bool IsEMFStream(TStream* Stream);
bool IsPSDStream(TStream* Stream);
bool IsCameraRawStream(TStream* Stream);

// ---- Readers ----

void ReadTIFFStream(TPVBitmap* Bitmap, TStream* Stream, int32_t& PageCount, TIOParamsVals* Params,
                    TPVProgressRecord& Progress, bool ParamsOnly, TPVMask*& AlphaMask,
                    bool RelativeOffsets, bool IgnoreAlpha, bool IsThumbnail);
void ReadGIFStream(TStream* Stream, TPVBitmap* Bitmap, int32_t& FrameCount, TIOParamsVals* Params,
                   TPVProgressRecord& Progress, bool ParamsOnly, TPVMask*& AlphaMask,
                   bool IgnoreAlpha);
void ReadDCXStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params,
                   TPVProgressRecord& Progress, bool ParamsOnly);
void ReadPCXStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params, int32_t DataSize,
                   TPVProgressRecord& Progress, bool ParamsOnly);
// The number of rows decoded. TablesStream may be null; MaxRows -1 means the bitmap's height.
int32_t ReadJPEGStream(TStream* Stream, TStream* TablesStream, TPVBitmap* Bitmap,
                       TIOParamsVals* Params, TPVProgressRecord& Progress, bool ParamsOnly,
                       bool RawYCbCr, bool ReadMetadata, bool InvertCMYK, bool DropAppliedICC,
                       bool ReadICC, int32_t MaxRows, bool NativePixelFormat);
// DataSize: the bytes the bitmap occupies, 0 or less when unknown.
void ReadBMPStream(TStream* Stream, TPVBitmap* Bitmap, int32_t DataSize, TIOParamsVals* Params,
                   TPVProgressRecord& Progress, bool ParamsOnly, bool NoFileHeader,
                   TPVMask*& AlphaMask, bool IgnoreAlpha);
void ReadTGAStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params,
                   TPVProgressRecord& Progress, bool ParamsOnly, TPVMask*& AlphaMask,
                   bool IgnoreAlpha);
void ReadPNGStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params,
                   TPVProgressRecord& Progress, bool ParamsOnly);
void ReadICOStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params, bool ParamsOnly,
                   TPVProgressRecord& Progress, TPVMask*& AlphaMask, bool IgnoreAlpha);
void ReadCURStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params, bool ParamsOnly,
                   TPVProgressRecord& Progress, TPVMask*& AlphaMask, bool IgnoreAlpha);
void ReadDICOMStream(TStream* Stream, TIOParamsVals* Params, TPVBitmap* Bitmap,
                     TPVProgressRecord& Progress, bool ParamsOnly);
void ReadPXMStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params,
                   TPVProgressRecord& Progress, bool ParamsOnly);
void ReadWBMPStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params,
                    TPVProgressRecord& Progress, bool ParamsOnly);
// Recognises the JP2 file format and the bare code stream by itself.
void ReadJPEG2000Stream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params,
                        TPVProgressRecord& Progress, bool ParamsOnly);
void ReadCameraRawStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params,
                         TPVProgressRecord& Progress, bool ParamsOnly);
// Fills the bitmap as the caller allocated it (width, height and pixel format).
void ReadRawPixelStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params,
                        TPVProgressRecord& Progress);
// A null Bitmap reads the header and resources only; a null Layers skips the layer section.
// With LoadLayers every PSD layer is appended to Layers as a new TPVLayer the caller frees.
void ReadPSDStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params,
                   TPVProgressRecord& Progress, bool LoadLayers, std::vector<TPVLayer*>* Layers);

// ---- Writers ----

// The number of images in the file afterwards (0 when insert mode refuses the stream). A
// null Bitmap writes only the metadata tags.
int32_t WriteTIFFStream(TStream* Stream, bool InsertMode, TPVBitmap* Bitmap, TIOParamsVals* Params,
                        TPVProgressRecord& Progress);
void WriteGIFStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params,
                    TPVProgressRecord& Progress);
void WriteJPEGStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params,
                     TPVProgressRecord& Progress);
void WritePXMStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params,
                    TPVProgressRecord& Progress);
// Adds the bitmap as a page to the DCX held in Stream (an empty stream becomes a new DCX).
void WriteDCXStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params,
                    TPVProgressRecord& Progress);
void WritePCXStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params,
                    TPVProgressRecord& Progress);
void WriteBMPStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params,
                    TPVProgressRecord& Progress, bool WriteAlpha);
void WriteTGAStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params,
                    TPVProgressRecord& Progress, TPVMask* AlphaMask);
void WritePNGStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params,
                    TPVProgressRecord& Progress, TPVMask* Mask);
// One icon image per (width, height) of Sizes; BitCounts is read in parallel.
void WriteICOStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params,
                    TPVProgressRecord& Progress, std::span<const std::array<int32_t, 2>> Sizes,
                    std::span<const int32_t> BitCounts);
void WriteWBMPStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params,
                     TPVProgressRecord& Progress);
// Format 0: the JP2 file format; 1: the bare code stream.
void WriteJPEG2000Stream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params,
                         TPVProgressRecord& Progress, int32_t Format);
void WritePSStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params,
                   TPVProgressRecord& Progress);
void WritePDFStream(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals* Params,
                    TPVProgressRecord& Progress);
// The composite plus the given layers (an empty list writes the image alone).
void WritePSDStream(TStream* Stream, TIOParamsVals* Params, TPVProgressRecord& Progress,
                    std::vector<TPVLayer*>* Layers, TPVBitmap* Bitmap);

// Open PostScript and PDF documents, made by the writers' Begin... routines.
struct TPVPSDocument;
struct TPVPDFDocument;
using PSDocumentHandle = TPVPSDocument*;
using PDFDocumentHandle = TPVPDFDocument*;

// Writes the trailer of an open PostScript document and frees it; nothing for null.
void EndPSDocument(PSDocumentHandle Handle, TStream* Stream);
// Writes the whole PDF document and frees it; nothing for null.
void EndPDFDocument(PDFDocumentHandle Handle, TStream* Stream, TIOParamsVals* Params);

// ---- LZW routines and their procedure types ----

// Decodes one GIF image's LZW data from the stream's position into Indices, Width x Height
// colour indexes, rows top-down.
using TGIFLZWDecompressProc = void (*)(TStream* Stream, int32_t Height, int32_t Width,
                                       bool Interlaced, uint8_t* Indices);
// Writes one GIF image's LZW data for Width x Height indexes.
using TGIFLZWCompressProc = void (*)(TStream* Stream, int32_t Height, int32_t Width,
                                     bool Interlaced, const uint8_t* Indices, int32_t BitsPerPixel);
// The next RowSize decoded bytes of a strip, null on bad data; null Data frees State.
using TTIFFLZWDecompressFunc = uint8_t* (*)(const uint8_t* Data, int32_t RowSize, void*& State,
                                            int32_t FillOrder);
// Encodes Size bytes into the continuing strip; null Data ends the strip and frees State.
using TTIFFLZWCompressProc = void (*)(const uint8_t* Data, int32_t Size, TStream* Stream,
                                      void*& State);

void DecompressGIFLZW(TStream* Stream, int32_t Height, int32_t Width, bool Interlaced,
                      uint8_t* Indices);
void CompressGIFLZW(TStream* Stream, int32_t Height, int32_t Width, bool Interlaced,
                    const uint8_t* Indices, int32_t BitsPerPixel);
uint8_t* DecompressTIFFLZW(const uint8_t* Data, int32_t RowSize, void*& State, int32_t FillOrder);
void CompressTIFFLZW(const uint8_t* Data, int32_t Size, TStream* Stream, void*& State);

// ---- TIFF directory reading ----

// One 12-byte TIFF directory entry, in host byte order.
struct TTIFFEntry {
  uint16_t Tag = 0;
  uint16_t Type = 0;
  uint32_t Count = 0;
  uint32_t Value = 0;  // the value itself, or the offset of the values
};

// The TIFF codec's directory-reading context; the tag-value readers take it.
struct TIFFReadContext {
  bool LittleEndian = true;    // byte order of the values read
  TStream* Stream = nullptr;   // the stream that holds the TIFF data
  TTIFFEntry* Tags = nullptr;  // TagCount entries, owned by whoever allocated them
  int16_t TagCount = 0;
  int64_t StreamBase = 0;  // stream position of the TIFF header; offsets count from it
  int32_t Reserved = 0;
};

}  // namespace calmora
