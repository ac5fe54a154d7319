// The registry's 24 built-in formats. Their read and write callbacks only mark what the I/O
// component can do with the format (it serves built-in formats with its own methods).
#include <iterator>

#include "imaging/io/formats/file_formats.h"

namespace calmora {

namespace {

void BuiltInRead(TStream*, TPVBitmap*, TIOParamsVals&, bool, TPVProgressRecord&) {}
void BuiltInWrite(TStream*, TPVBitmap*, TIOParamsVals&, TPVProgressRecord&) {}

struct TBuiltInFormat {
  TPVFileFormatId FileType;
  const char* Description;
  const char* Extensions;
  bool Readable;
  bool Writable;
  TPVParamsPages DialogPages;
};

constexpr TBuiltInFormat kBuiltInFormats[] = {
    {kFormatTIFF, "TIFF Bitmap", "TIF;TIFF;FAX;G3N;G3F;XIF", true, true, kParamsPageTIFF},
    {kFormatGIF, "CompuServe Bitmap", "GIF", true, true, kParamsPageGIF},
    {kFormatJPEG, "JPEG Bitmap", "JPG;JPEG;JPE;JIF", true, true, kParamsPageJPEG},
    {kFormatPCX, "PaintBrush", "PCX", true, true, kParamsPagePCX},
    {kFormatBMP, "Windows Bitmap", "BMP;DIB;RLE", true, true, kParamsPageBMP},
    {kFormatICO, "Windows Icon", "ICO", true, true, 0},
    {kFormatCUR, "Windows Cursor", "CUR", true, false, 0},
    {kFormatPNG, "Portable Network Graphics", "PNG", true, true, kParamsPagePNG},
    {kFormatDICOM, "DICOM Bitmap", "DCM;DIC;DICOM", true, false, 0},
    {kFormatWMF, "Windows Metafile", "WMF", true, false, 0},
    {kFormatEMF, "Enhanced Windows Metafile", "EMF", true, false, 0},
    {kFormatTGA, "Targa Bitmap", "TGA;TARGA;VDA;ICB;VST;PIX", true, true, kParamsPageTGA},
    {kFormatPXM, "Portable Pixmap, GrayMap, BitMap", "PXM;PPM;PGM;PBM", true, true, 0},
    {kFormatWBMP, "Wireless Bitmap", "WBMP", true, true, 0},
    {kFormatJP2, "JPEG2000", "JP2", true, true, kParamsPageJPEG2000},
    {kFormatJ2K, "JPEG2000 Code Stream", "J2K;JPC;J2C", true, true, kParamsPageJPEG2000},
    {kFormatPS, "PostScript Level 2", "PS;EPS", false, true, 0},
    {kFormatPDF, "Adobe PDF", "PDF", false, true, 0},
    {kFormatDCX, "Multipage PCX", "DCX", true, true, 0},
    {kFormatCameraRaw, "Camera RAW", "CRW;CR2;NEF;RAW;PEF;RAF;X3F;BAY;ORF;SRF;MRW;DCR;SR2", true,
     false, 0},
    {kFormatPSD, "Photoshop PSD", "PSD", true, true, 0},
    {kFormatPVV, "Vectorial objects", "PVV", true, true, 0},
    {kFormatLayers, "Layers", "LYR", true, true, 0},
    {kFormatLayersAndObjects, "Layers and objects", "ALL", true, true, 0},
};
static_assert(std::size(kBuiltInFormats) == 24);

}  // namespace

void BuildFileFormatRegistry() {
  FreeFileFormatRegistry();
  for (const TBuiltInFormat& format : kBuiltInFormats) {
    auto entry = std::make_unique<TPVFileFormatInfo>();
    entry->FileType = format.FileType;
    entry->Description = format.Description;
    entry->Extensions = format.Extensions;
    entry->Internal = true;
    entry->DialogPages = format.DialogPages;
    entry->ReadProc = format.Readable ? BuiltInRead : nullptr;
    entry->WriteProc = format.Writable ? BuiltInWrite : nullptr;
    entry->TestProc = FileFormatTestStub;
    RegisterFileFormat(std::move(entry));
  }
}

}  // namespace calmora
