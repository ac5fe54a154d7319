// Our device bitmap, in place of the GUI toolkit's TBitmap: it owns its pixel buffer (rows top
// down, 32-bit aligned, in the byte layout of a device-independent bitmap), one colour table
// that serves as its palette and its DIB colour table, and a canvas that paints through a
// QImage laid over that same buffer, so row pointers stay valid while others paint.
#pragma once

#include <cstdint>
#include <memory>

class QImage;

namespace calmora::platform {

// The toolkit's pixel formats. pfDevice is stored as 32 bits per pixel (what a screen
// compatible bitmap has here); pfCustom is only ever reported, never set.
enum TPixelFormat : uint8_t {
  pfDevice,
  pf1bit,
  pf4bit,
  pf8bit,
  pf15bit,
  pf16bit,
  pf24bit,
  pf32bit,
  pfCustom,
};

// One colour-table entry in the byte order of a device-independent bitmap.
struct TRGBQuad {
  uint8_t rgbBlue = 0;
  uint8_t rgbGreen = 0;
  uint8_t rgbRed = 0;
  uint8_t rgbReserved = 0;
  friend bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};

// Bits per pixel of a format as stored in the buffer (pfDevice 32, pfCustom 0).
int32_t StorageBitCount(TPixelFormat format);

class TCanvas;

class TBitmap {
 public:
  TBitmap();  // 0 x 0, pfDevice
  ~TBitmap();  // also frees the canvas
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  int32_t GetWidth() const { return Width_; }
  int32_t GetHeight() const { return Height_; }
  TPixelFormat GetPixelFormat() const { return Format_; }
  // Bytes per row, a multiple of 4.
  int32_t GetRowLength() const { return RowLength_; }

  // Resizing keeps the top-left content; new pixels are 0. False (nothing changed) when the
  // size is negative, too large to address, or its memory cannot be had.
  bool SetWidth(int32_t width) { return SetSize(width, Height_); }
  bool SetHeight(int32_t height) { return SetSize(Width_, height); }
  bool SetSize(int32_t width, int32_t height);

  // Converts the pixels to the new format (to the nearest colour-table entry for the indexed
  // formats). A new indexed format gets its default table: black and white for 1 bit, the 16
  // VGA colours for 4 bits, a 3-3-2 colour cube for 8 bits; a new 1-bit format is monochrome.
  // False for pfCustom or when memory cannot be had.
  bool SetPixelFormat(TPixelFormat format);

  // A monochrome 1-bit bitmap is plain black and white: readers take a set bit as white
  // whatever its colour table says. Without the flag a 1-bit bitmap is a two-colour image
  // whose table gives the colours. Only 1-bit bitmaps are monochrome.
  bool GetMonochrome() const { return Format_ == pf1bit && Monochrome_; }
  // Setting the flag also makes the table black and white; nothing for other formats.
  void SetMonochrome(bool monochrome);

  // Row y (0 = top); null outside the bitmap.
  uint8_t* GetScanLine(int32_t row);

  // Entries of the colour table: 2, 16 or 256 for the indexed formats, else 0.
  int32_t GetColorTableLength() const;
  TRGBQuad GetColorTableEntry(int32_t index) const;
  // Sets count entries from index first on; entries outside the table are ignored.
  void SetColorTable(int32_t first, int32_t count, const TRGBQuad* entries);
  // The 256-entry grey ramp (entry i = i, i, i); only for pf8bit.
  void SetGrayColorTable();
  // True for a pf8bit bitmap whose table is the grey ramp.
  bool HasGrayColorTable() const;

  // A QImage over the pixel buffer itself (no copy) for painting with QPainter; a null image
  // for pf4bit, which has no such image format, and for an empty bitmap. Painting on pf8bit
  // images is not possible with QPainter: paint a scratch image and map it back. The image is
  // valid until the next size or format change.
  QImage GetImage();

  // The bitmap's canvas, made on first use and owned by the bitmap; it always paints the
  // bitmap as it is at that moment, whatever size and format changes came before.
  TCanvas* GetCanvas();

 private:
  bool Reformat(int32_t width, int32_t height, TPixelFormat format);

  int32_t Width_ = 0;
  int32_t Height_ = 0;
  TPixelFormat Format_ = pfDevice;
  int32_t RowLength_ = 0;
  std::unique_ptr<uint8_t[]> Pixels_;
  TRGBQuad ColorTable_[256];
  bool Monochrome_ = true;
  std::unique_ptr<TCanvas> Canvas_;
};

}  // namespace calmora::platform
