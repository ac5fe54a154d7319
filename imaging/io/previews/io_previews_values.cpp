// TfIOPreviews' working values: the page set, the TIFF compression list's mapping, the copy
// taken from the parameter record and the write-back of the active page.
#include "imaging/io/previews/io_previews.h"

#include "imaging/params/io_params.h"
#include "imaging/params/lzw_defaults.h"

namespace calmora {
namespace {

// Samples and bits of a colours list position shared by several pages.
struct SampleDepth {
  int32_t samples;
  int32_t bits;
};

// BMP ("B/W", "16", "256", "16M", "16M (32bit)") and PCX (the first four).
SampleDepth PaletteListDepth(int32_t index) {
  switch (index) {
    case 0:
      return {1, 1};
    case 1:
      return {1, 4};
    case 2:
      return {1, 8};
    default:
      return {3, 8};
  }
}

// PNG and TGA ("B/W", "256", "16M").
SampleDepth ThreeColorsDepth(int32_t index) {
  switch (index) {
    case 0:
      return {1, 1};
    case 1:
      return {1, 8};
    default:
      return {3, 8};
  }
}

int32_t ThreeColorsIndex(int32_t samples, int32_t bits) {
  if (samples == 1) return bits == 1 ? 0 : 1;
  return 2;
}

// The list position of a one-sample depth on the BMP and PCX lists, or -1.
int32_t PaletteDepthIndex(int32_t bits) {
  switch (bits) {
    case 1:
      return 0;
    case 4:
      return 1;
    case 8:
      return 2;
    default:
      return -1;
  }
}

}  // namespace

bool TfIOPreviews::SelectPages(TPVParamsPages APages) {
  Pages = APages;
  if ((Pages & kParamsPageOfFileType) != 0) {
    switch (Params.FileType) {
      case kFormatTIFF:
        Pages |= kParamsPageTIFF;
        break;
      case kFormatGIF:
        Pages |= kParamsPageGIF;
        break;
      case kFormatJPEG:
        Pages |= kParamsPageJPEG;
        break;
      case kFormatPCX:
        Pages |= kParamsPagePCX;
        break;
      case kFormatBMP:
        Pages |= kParamsPageBMP;
        break;
      case kFormatPNG:
        Pages |= kParamsPagePNG;
        break;
      case kFormatTGA:
        Pages |= kParamsPageTGA;
        break;
      case kFormatJP2:
      case kFormatJ2K:
        Pages |= kParamsPageJPEG2000;
        break;
      default:
        break;
    }
  }
  return Pages != kParamsPageOfFileType;
}

bool TfIOPreviews::LZWAvailable() { return DefaultTIFFLZWCompress != nullptr; }

int32_t TfIOPreviews::CompressionToIndex(int32_t Compression) {
  const bool lzw = LZWAvailable();
  switch (Compression) {
    case 1:
    case 2:
    case 3:
    case 4:
      return Compression;
    case 5:
      return lzw ? 5 : 6;  // without an encoder LZW is written as PackBits
    case 7:
      return lzw ? 6 : 5;
    case 8:
      return lzw ? 7 : 6;
    case 9:
      return lzw ? 8 : 7;
    default:
      return 0;
  }
}

int32_t TfIOPreviews::IndexToCompression(int32_t Index) {
  if (Index >= 1 && Index <= 4) return Index;
  if (LZWAvailable()) {
    switch (Index) {
      case 5:
        return 5;
      case 6:
        return 7;
      case 7:
        return 8;
      case 8:
        return 9;
      default:
        return 0;
    }
  }
  switch (Index) {
    case 5:
      return 7;
    case 6:
      return 8;
    case 7:
      return 9;
    default:
      return 0;
  }
}

void TfIOPreviews::LoadWorkingCopy() {
  TPreviewWorkingValues& w = Working;
  const TIOParamsVals& p = Params;
  w.JPEGQuality = p.JPEG_Quality;
  w.JPEGColorSpace = p.JPEG_ColorSpace;
  w.JPEGSmoothing = p.JPEG_Smoothing;
  w.JPEGOptimalHuffman = p.JPEG_OptimalHuffman;
  w.JPEGProgressive = p.JPEG_Progressive;
  if (p.JPEG_DCTMethod <= 2) w.JPEGDCTMethod = p.JPEG_DCTMethod;
  w.J2000Rate = p.J2000_Rate;
  w.J2000ColorSpace = p.J2000_ColorSpace;
  w.TIFFLZWDecompress = p.TIFF_LZWDecompress;
  w.TIFFLZWCompress = p.TIFF_LZWCompress;
  w.TIFFCompression = p.TIFF_Compression;
  w.TIFFImageIndex = p.TIFF_ImageIndex;
  w.TIFFPhotometric = p.TIFF_Photometric;
  w.TIFFXPos = p.TIFF_XPos;
  w.TIFFYPos = p.TIFF_YPos;
  w.TIFFDocumentName = p.TIFF_DocumentName;
  w.TIFFImageDescription = p.TIFF_ImageDescription;
  w.TIFFPageName = p.TIFF_PageName;
  w.TIFFPageNumber = p.TIFF_PageNumber;
  w.TIFFPageCount = p.TIFF_PageCount;
  w.SamplesPerPixel = p.SamplesPerPixel;
  w.BitsPerSample = p.BitsPerSample;
  w.GIFImageIndex = p.GIF_ImageIndex;
  w.GIFXPos = p.GIF_XPos;
  w.GIFYPos = p.GIF_YPos;
  w.GIFDelayTime = p.GIF_DelayTime;
  w.GIFTransparent = p.GIF_Transparent;
  w.GIFTransparentColor = p.GIF_TransparentColor;
  w.GIFInterlaced = p.GIF_Interlaced;
  w.GIFBackground = p.GIF_Background;
  w.GIFBits = p.BitsPerSample;
  w.BMPCompression = p.BMP_Compression;
  w.PCXCompression = p.PCX_Compression;
  const int32_t samples = p.SamplesPerPixel;
  const int32_t bits = p.BitsPerSample;
  if (samples == 1 && PaletteDepthIndex(bits) >= 0) {
    w.BMPColors = PaletteDepthIndex(bits);
    w.PCXColors = PaletteDepthIndex(bits);
  }
  if (samples == 3) {
    if (bits == 5 || bits == 8) w.BMPColors = 3;
    w.PCXColors = 3;
  }
  w.PNGColors = ThreeColorsIndex(samples, bits);
  w.PNGInterlaced = p.PNG_Interlaced;
  w.PNGBackground = p.PNG_Background;
  w.PNGFilter = p.PNG_Filter;
  w.PNGCompression = p.PNG_Compression;
  w.TGAColors = ThreeColorsIndex(samples, bits);
  w.TGABackground = p.TGA_Background;
  w.TGACompressed = p.TGA_Compressed;
  w.TGAImageName = p.TGA_ImageName;
  w.TGADescriptor = p.TGA_Descriptor;
}

void TfIOPreviews::Button1Click() {
  const TPreviewWorkingValues& w = Working;
  TIOParamsVals& p = Params;
  auto writeDepth = [&p](SampleDepth depth) {
    p.SamplesPerPixel = depth.samples;
    p.BitsPerSample = depth.bits;
  };
  switch (ActivePage()) {
    case TPreviewPage::kJPEG1:
    case TPreviewPage::kJPEG2:
      p.JPEG_Quality = w.JPEGQuality;
      p.JPEG_ColorSpace = w.JPEGColorSpace;
      if (w.JPEGDCTMethod <= 2) p.JPEG_DCTMethod = w.JPEGDCTMethod;
      p.JPEG_OptimalHuffman = w.JPEGOptimalHuffman;
      p.JPEG_Smoothing = w.JPEGSmoothing;
      p.JPEG_Progressive = w.JPEGProgressive;
      p.FileType = kFormatJPEG;
      break;
    case TPreviewPage::kTIFF1:
    case TPreviewPage::kTIFF2:
      p.TIFF_Compression = w.TIFFCompression;
      p.SetImageIndex(w.TIFFImageIndex);
      p.TIFF_Photometric = w.TIFFPhotometric;
      p.TIFF_XPos = w.TIFFXPos;
      p.TIFF_YPos = w.TIFFYPos;
      p.TIFF_DocumentName = w.TIFFDocumentName;
      p.TIFF_ImageDescription = w.TIFFImageDescription;
      p.TIFF_PageName = w.TIFFPageName;
      p.TIFF_PageNumber = w.TIFFPageNumber;
      p.TIFF_PageCount = w.TIFFPageCount;
      writeDepth({w.SamplesPerPixel, w.BitsPerSample});
      p.FileType = kFormatTIFF;
      break;
    case TPreviewPage::kGIF1:
    case TPreviewPage::kGIF2:
      p.SetImageIndex(w.GIFImageIndex);
      p.GIF_XPos = w.GIFXPos;
      p.GIF_YPos = w.GIFYPos;
      p.GIF_DelayTime = w.GIFDelayTime;
      p.GIF_Transparent = w.GIFTransparent;
      p.GIF_TransparentColor = w.GIFTransparentColor;
      p.GIF_Interlaced = w.GIFInterlaced;
      p.GIF_Background = w.GIFBackground;
      p.BitsPerSample = w.GIFBits;  // GIF has one sample of palette indexes: samples stay
      p.FileType = kFormatGIF;
      break;
    case TPreviewPage::kBMP1:
      p.BMP_Compression = w.BMPCompression;
      writeDepth(PaletteListDepth(w.BMPColors));
      p.FileType = kFormatBMP;
      break;
    case TPreviewPage::kPCX1:
      p.PCX_Compression = w.PCXCompression;
      writeDepth(PaletteListDepth(w.PCXColors));
      p.FileType = kFormatPCX;
      break;
    case TPreviewPage::kPNG1:
      writeDepth(ThreeColorsDepth(w.PNGColors));
      p.PNG_Background = w.PNGBackground;
      p.PNG_Interlaced = w.PNGInterlaced;
      p.PNG_Filter = w.PNGFilter;
      p.PNG_Compression = w.PNGCompression;
      p.FileType = kFormatPNG;
      break;
    case TPreviewPage::kTGA1:
      writeDepth(ThreeColorsDepth(w.TGAColors));
      p.TGA_Background = w.TGABackground;
      p.TGA_Compressed = w.TGACompressed;
      p.TGA_ImageName = w.TGAImageName;
      p.TGA_Descriptor = w.TGADescriptor;
      p.FileType = kFormatTGA;
      break;
    case TPreviewPage::kJ20001:
      writeDepth(w.J2000ColorSpace == 0 ? SampleDepth{1, 8} : SampleDepth{3, 8});
      p.J2000_ColorSpace = w.J2000ColorSpace <= 2 ? w.J2000ColorSpace : 2;
      p.J2000_Rate = w.J2000Rate;
      p.FileType = kFormatJ2K;
      break;
  }
}

}  // namespace calmora
