// The library's bitmap: the abstract bitmap interface, TPVBitmap with its ten pixel formats and
// three storage locations (one aligned memory block or a few fragments, a temporary file, a
// device bitmap; see bitmap_storage.h), row access, palette, alpha plane, assign and storage
// moves, and the raw stream. The operations live in bitmap_*.cpp, one concern per file.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/base/defs.h"
#include "imaging/base/geometry/geometry.h"
#include "imaging/base/pixel_types.h"
#include "imaging/core/bitmap/bitmap_storage.h"
#include "imaging/core/render/blend_operations.h"
#include "imaging/core/render/render_tables.h"
#include "imaging/core/bitmap/temp_file_store.h"

namespace calmora {

class TStream;

// ---- Device bitmap interchange: forward declaration ----
namespace platform {
class TCanvas;
}
// ---- end of device bitmap interchange ----

// How a conversion to pv1g reduces.
enum TPVDitherMethod : uint8_t { pvdmOrdered = 0, pvdmThreshold = 1 };

// Bits and channels per pixel, indexed by TPVPixelFormat.
inline constexpr int32_t PixelFormatBits[PixelFormatCount] = {0, 1, 8, 8, 16, 24, 32, 32, 48, 24, 32};
inline constexpr int32_t PixelFormatChannels[PixelFormatCount] = {0, 1, 1, 1, 1, 3, 1, 4, 3, 3, 4};

// Row lengths of a bitmap are kept in int32: widths whose rows would be longer are refused.
// Byte sizes are int64. An alignment must be a positive multiple of 8 bits up to this limit.
inline constexpr int32_t MaxRowAlignment = 2048;
bool IsValidRowAlignment(int32_t bits);

// The abstract bitmap interface that TPVBitmap and TPVDibbitmap implement. Code that only reads
// takes a const bitmap: the queries and the read-only row access work on one.
class TPVBaseBitmap : public TObject {
 public:
  TPVDataAccess DataAccess = pvdRead | pvdWrite;

  // Row 0 is the top row. Null outside the bitmap.
  virtual uint8_t* GetScanline(int32_t row) = 0;
  // The same row for reading only: a file-stored bitmap maps it with pvdRead alone, whatever
  // DataAccess says, and never writes it back.
  virtual const uint8_t* GetScanline(int32_t row) const = 0;
  virtual int32_t GetBitCount() const = 0;
  virtual int32_t GetHeight() const = 0;
  virtual int32_t GetWidth() const = 0;
  virtual TPVPixelFormat GetPixelFormat() const = 0;
  virtual int32_t GetRowLen() const = 0;
  virtual TPVRGB GetPaletteColor(int32_t index) const = 0;
  virtual void SetPaletteColor(int32_t index, TPVRGB color) = 0;
  virtual int32_t GetPaletteLen() const = 0;
  virtual bool Allocate(int32_t width, int32_t height, TPVPixelFormat format) = 0;
  // False when the source was of a usable class but its copy could not be made.
  virtual bool Assign(TObject* source) = 0;
  virtual void CopyPaletteTo(TObject* target) const = 0;
};

class TPVBitmap : public TPVBaseBitmap {
 public:
  // Pixel bytes a row window aims for; a window always holds at least one row.
  static constexpr int64_t RowWindowBytes = 1048576;
  // Size used when the physical memory cannot be queried.
  static constexpr int64_t DefaultFileThreshold = 33554432;

  // An empty bitmap in location pvFile (it becomes pvMemory by size at allocation).
  TPVBitmap();
  // TPVBitmap(), then Allocate; a failed allocation leaves an empty bitmap.
  TPVBitmap(int32_t width, int32_t height, TPVPixelFormat format);
  ~TPVBitmap() override;
  TPVBitmap(const TPVBitmap&) = delete;
  TPVBitmap& operator=(const TPVBitmap&) = delete;

  // An alpha plane: pv8g, filled with 255 and Opaque; pvTBitmap becomes pvMemory.
  static std::unique_ptr<TPVBitmap> CreateAlpha(int32_t width, int32_t height,
                                                TPVLocation location);

  // ---- The interface ----
  // The queries of a device-stored bitmap first re-read the device bitmap (SyncTBitmap).
  uint8_t* GetScanline(int32_t row) override;
  const uint8_t* GetScanline(int32_t row) const override;
  int32_t GetBitCount() const override;
  int32_t GetHeight() const override;
  int32_t GetWidth() const override;
  TPVPixelFormat GetPixelFormat() const override;
  int32_t GetRowLen() const override;
  // Black outside the palette.
  TPVRGB GetPaletteColor(int32_t index) const override;
  void SetPaletteColor(int32_t index, TPVRGB color) override;
  int32_t GetPaletteLen() const override { return PaletteLength; }
  // Reallocates unless ForceReallocate is false and nothing changes in an allocated bitmap.
  // Every reallocation drops the alpha plane. False, with an empty bitmap, for an empty size or
  // no format, and when the storage cannot be had.
  bool Allocate(int32_t width, int32_t height, TPVPixelFormat format) override;
  // Copies pixels, palette, alpha plane (or its absence), Opaque, RowAlignment and DitherMethod
  // of another TPVBitmap. Other classes are ignored (true). False, leaving this bitmap empty,
  // when its storage cannot be allocated.
  bool Assign(TObject* source) override;
  // Also gives target this bitmap's PaletteColorsUsed (256 when there is no palette).
  void CopyPaletteTo(TObject* target) const override;

  int32_t GetChannelCount() const;
  // Width, Height, RowBytes or BitsPerPixel is 0 (read without syncing a device bitmap).
  bool IsEmpty() const;

  // ---- Storage ----
  // Releases the palette and every kind of pixel storage (and the alpha plane when withAlpha).
  // Format, Location and the settings stay.
  void FreeImage(bool withAlpha);
  // Moves the pixels to another location (the size rule still applies). False, with the
  // pixels where they were, when the new storage cannot be had or cannot hold the format as
  // it is (a device bitmap refuses pv16g and the formats beyond 8-bit grey and RGB).
  bool SetLocation(TPVLocation location);
  // Hands everything that holds or describes pixels to target and leaves this bitmap empty
  // (Format pvNoFormat, ForceReallocate true). Moved: the storage, size and format, palette,
  // alpha plane and Opaque. Copied, and kept here as well: the settings that describe these
  // pixels, i.e. Location, IsAlphaPlane, RowAlignment, Allocator, DitherMethod,
  // PaletteColorsUsed and the display settings (levels, channel shifts, contrast).
  // FileThreshold, DataAccess, UserTag and CanvasAlpha belong to each bitmap and stay.
  void MoveStorageTo(TPVBitmap& target);

  // ---- Rows of a file-stored bitmap ----
  // In pvFile a GetScanline pointer stays valid until the next GetScanline; a transfer to or
  // from the file that fails (a full disk) raises EInOutError, here and in GetScanline.
  // Like GetScanline, but in pvFile the row stays mapped (and valid) until UnmapRow of that
  // row or UnmapAllRows, so several rows can be held at once.
  uint8_t* MapRow(int32_t row);
  void UnmapRow(int32_t row);
  // Releases the row window and every held row.
  void UnmapAllRows();

  // ---- Copying whole bitmaps ----
  // Like Assign, but keeps this bitmap's own alpha plane and copies neither Opaque (false
  // afterwards), RowAlignment nor DitherMethod. Nothing (true) when the source is empty.
  bool AssignImage(TPVBitmap* source);

  // ---- Alpha channel ----
  // The alpha plane, created fully opaque on first use; null for an alpha plane, for an empty
  // bitmap, or when the plane's storage cannot be had.
  TPVBitmap* GetAlphaChannel();
  bool HasAlphaChannel() const { return AlphaBitmap != nullptr; }
  // Takes the plane as the alpha channel (a plane attached before is freed) and marks it.
  void AttachAlphaChannel(std::unique_ptr<TPVBitmap> plane);
  // With merge and pv24RGB, blends the pixels toward the background by their alpha; then frees
  // the plane. Nothing for an alpha plane.
  void RemoveAlphaChannel(bool merge, TColor background);

  // ==== Pixel access, rectangles, canvas size, mask exchange and whole-image tests ====
  // (bitmap_pixels.h, bitmap_pixel_color.cpp, bitmap_rects.cpp, bitmap_canvas.cpp,
  // bitmap_mask_dib_copy.cpp, bitmap_scans.cpp)

  // Single pixels, unchecked: (x, y) must lie inside the bitmap and the accessor must suit the
  // format. Inline, defined in bitmap_pixels.h: include that header to call them. Getters read
  // the row through the read-only GetScanline, setters through GetScanline with DataAccess, so
  // in pvFile every call maps the pixel's row (a pass over many pixels should take whole rows).
  // A setter clears Opaque when its value is below the format's maximum; SetPixel24 and
  // SetPixel32 leave it as it is.
  inline uint8_t GetPixel8(int32_t x, int32_t y) const;
  inline void SetPixel8(int32_t x, int32_t y, uint8_t value);
  inline uint16_t GetPixel16(int32_t x, int32_t y) const;
  inline void SetPixel16(int32_t x, int32_t y, uint16_t value);
  inline double GetPixelFloat(int32_t x, int32_t y) const;
  inline void SetPixelFloat(int32_t x, int32_t y, float value);  // Opaque kept for >= 1.0
  // The 32-bit value of a pvCMYK (or other 4-byte) pixel, its first byte lowest.
  inline int32_t GetPixel32(int32_t x, int32_t y) const;
  inline void SetPixel32(int32_t x, int32_t y, int32_t value);
  // The 3 bytes at 3x: a pv24RGB pixel, or a pvCIELab one read as three bytes.
  inline TPVRGB GetPixel24(int32_t x, int32_t y) const;
  inline void SetPixel24(int32_t x, int32_t y, TPVRGB value);
  // Valid as long as a GetScanline pointer of that row is.
  inline uint8_t* GetPixel24Pointer(int32_t x, int32_t y);
  inline TPVRGB48 GetPixel48(int32_t x, int32_t y) const;
  inline void SetPixel48(int32_t x, int32_t y, TPVRGB48 value);
  // The alpha byte: an alpha plane's own, else the plane's, which GetAlphaChannel creates fully
  // opaque on first use (a bitmap without one reads 255 and has one afterwards). SetAlpha with
  // a value below 255 clears Opaque of the plane and of its owner. Without a plane to be had
  // (an empty bitmap, no memory) GetAlpha gives 255 and SetAlpha does nothing.
  inline uint8_t GetAlpha(int32_t x, int32_t y);
  inline void SetAlpha(int32_t x, int32_t y, uint8_t value);

  // Any format's pixel as a colour (grey formats in all three channels, pvCMYK and pvCIELab
  // through their conversions); black for pvNoFormat. Unchecked like the accessors.
  TPVRGB GetPixelAsRGB(int32_t x, int32_t y) const;

  // The inclusive rectangle, clipped to the bitmap, gets the value as Fill reads it (pv32RGB
  // keeps its fourth bytes). DataAccess and Opaque stay.
  void FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, double value);
  // Copies width x height pixels from (sourceX, sourceY) to (targetX, targetY) of target, which
  // may be this bitmap. A negative target start moves the source start with it; a negative
  // source start reads from 0. Nothing is copied when the rectangle starts at or beyond the
  // right or bottom edge of either bitmap or nothing of it is left; otherwise it is cut to
  // both. Formats: equal ones, and pv1g into pv24RGB (set bits white); other pairs copy nothing.
  void CopyRectTo(TPVBitmap& target, int32_t sourceX, int32_t sourceY, int32_t targetX,
                  int32_t targetY, int32_t width, int32_t height) const;
  // The same rectangle between the two alpha planes (each created on demand): every target
  // byte becomes the larger of the two. Nothing when a plane cannot be had or is not pv8g.
  void MergeAlphaRectTo(TPVBitmap& target, int32_t sourceX, int32_t sourceY, int32_t targetX,
                        int32_t targetY, int32_t width, int32_t height);
  // Moves the inclusive rectangle so that its top-left lands on (targetX, targetY); the pixels
  // it leaves get fill. False, with nothing changed, when the temporary copy cannot be had.
  bool MoveRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t targetX, int32_t targetY,
                double fill);

  // Change one dimension keeping the top-left content, the alpha plane's with it; new pixels
  // start 0 and Opaque becomes false. A size with a zero side empties an allocated bitmap; on an
  // empty one (or without a format) only the dimension is stored. False, with nothing changed,
  // for a negative size or when the new storage cannot be had.
  bool SetWidth(int32_t width);
  bool SetHeight(int32_t height);
  // Changes the size without scaling: the image keeps its place by alignment (0 left or top,
  // 1 centred, the odd pixel of a difference after it, 2 right or bottom; others act as 0).
  // New pixels get fill, new alpha alphaFill, pixels outside the new size are dropped. Failure
  // as SetWidth.
  bool ResizeCanvas(int32_t newWidth, int32_t newHeight, double fill, int32_t alphaFill,
                    uint8_t horizontalAlign, uint8_t verticalAlign);

  // TPVMask (mask.h) and TPVDibbitmap (dib_bitmap.h) are only named here: their headers include
  // this one.
  // Becomes a pv1g (1-bit mask) or pv8g (8-bit mask) copy of the mask's rows with Opaque = its
  // AllSet; a null mask fills with 255. False, with nothing changed, for another bit depth or an
  // empty mask; false and empty, as after a failed Allocate, when the storage cannot be had.
  bool CopyFromMask(const class TPVMask* mask);
  // pv1g and pv8g give a mask of their bit depth (AllSet = Opaque), pv24RGB an 8-bit mask of
  // grey levels divided by 4 (0..63); other formats leave the mask alone (false).
  bool CopyToMask(TPVMask& mask) const;
  // Takes a DIB's size and rows: a 1-bit DIB as pv1g, 8-bit as pv8g, 24-bit as pv24RGB. A device
  // bitmap takes the size in place and only a 1- or 24-bit DIB's depth; elsewhere another bit
  // count reallocates nothing and the rows go into the bitmap as it is. Rows are copied up to
  // the shorter row of the two. False for a null DIB or when the storage cannot be had.
  bool CopyFromDibbitmap(const class TPVDibbitmap* dib);

  // The pixel bytes of every row (without alignment bytes; a pv1g row's last byte whole) are
  // all 255; the answer is also stored in Opaque.
  bool IsOpaqueScan();
  // The same bytes are all 0.
  bool IsAllZero() const;
  // pv8p: every palette entry is grey; pv24RGB, pvRGB48, pv32RGB: every pixel has three equal
  // channels; the other formats are grey by nature.
  bool IsGrayscale() const;
  // ==== End of pixel access, rectangles, canvas size, mask exchange and tests ====

  // ---- Whole-image settings ----
  // Every pixel becomes the value, read as each format reads it (a TColor for the colour
  // formats, a sample for the grey ones).
  void Fill(double value);
  // Changes the row alignment (bits: a multiple of 8 up to MaxRowAlignment) keeping the pixels,
  // in every location; a device bitmap keeps its 32-bit rows and takes the new alignment when
  // its pixels move elsewhere. False, with nothing changed, for an invalid alignment or when
  // the new storage cannot be had.
  bool SetBitAlignment(int32_t bits);

  // ---- The device bitmap ----
  // Re-reads size and format of the device bitmap in location pvTBitmap (someone may have
  // resized or reformatted it), which is why the fields it refreshes are mutable.
  void SyncTBitmap() const;
  // Copies the palette into the device bitmap's colour table (location pvTBitmap).
  void RealizePalette();

  // ---- Device bitmap interchange (bitmap_device_interchange.cpp) ----
  // Moves the pixels into a device bitmap (location pvTBitmap) and returns it. The formats a
  // device bitmap cannot hold are converted on the way, pv16g and pv32f to pv8g, pvCMYK,
  // pvRGB48 and pvCIELab to pv24RGB, so the image survives within 8 bits per channel. Null
  // when there are no pixels (the location still becomes pvTBitmap, so the next allocation
  // makes a device bitmap) or the device bitmap cannot be had (the pixels stay where they were).
  platform::TBitmap* GetTBitmap();
  // The canvas of the device bitmap that GetTBitmap gives; null likewise.
  platform::TCanvas* GetCanvas();
  // Uses a caller's device bitmap in place (location pvTBitmap), which the caller keeps
  // owning: FreeImage and Allocate never free it, Allocate resizes and reformats it. With
  // freeFirst the image and alpha plane are freed first; without it only the pixel storage
  // held so far is released, and the palette and alpha plane stay. A null bitmap stops after
  // that. A 1-, 24- or 32-bit device bitmap sets the format at once, others at the next query.
  void EncapsulateTBitmap(platform::TBitmap* bitmap, bool freeFirst);
  // Copies the pixels of any device bitmap. In memory or file: 1 bit monochrome as pv1g, other
  // 1-bit, 4- and 8-bit bitmaps as pv8p with their colour table, 15, 16 and 24 bits as pv24RGB,
  // 32 bits as pv32RGB; pfDevice and pfCustom copy nothing; Opaque ends false. In pvTBitmap the
  // own device bitmap becomes a copy (a source in another format than 1, 24 or 32 bits is
  // switched to 24 bits first); the alpha plane and Opaque stay. False when storage cannot be
  // had (the bitmap is then empty).
  bool CopyFromTBitmap(platform::TBitmap& bitmap);
  // Assign of a device bitmap: CopyFromTBitmap.
  bool Assign(platform::TBitmap& source) { return CopyFromTBitmap(source); }
  // ---- end of device bitmap interchange ----

  // ==== Pixel-format conversion ====
  // Defined in the processing layer (imaging/proc/bitmap_conversion*.cpp), not here: reducing
  // to pv1g and pv8p takes the black-and-white tools and the quantiser, which sit above the
  // bitmap model. Code of the bitmap model itself narrows through bitmap_device_narrow.h, which
  // shares the per-pixel rules (pixel_rules.h) with these members.

  // Fills this bitmap, allocated in the target format at the source's size, with the source's
  // pixels converted pixel by pixel; then takes over the source's alpha plane (the source's
  // becomes null, this bitmap's own is replaced) and realises the palette. To pv1g by
  // DitherMethod: ordered with the 8 x 8 matrix, or the threshold at the mean colour's grey; to
  // pv8p from pv24RGB through the quantiser with PaletteColorsUsed colours, from the grey
  // formats with the grey ramp. Pairs without a rule of their own first convert Source itself
  // to pv24RGB in place, so a caller's source can come back as pv24RGB. Equal formats and a
  // source without a format convert nothing but still hand the alpha plane over. False, with
  // nothing changed, for another size or location pvTBitmap, and when Source could not be
  // converted to pv24RGB (it is then as it was).
  bool ConvertFrom(TPVBitmap& Source);
  // Converts in place. In memory or file: the storage moves to a temporary, the new format is
  // allocated (the location rule by size applies again) and converted back; the alpha plane
  // stays. In pvTBitmap: a 1-bit device bitmap expands to 24 bits, a 24-bit one dithers or
  // thresholds to 1 bit (the black-and-white tools), and any other pair the device bitmap can
  // hold (pv16g held as pv8g) converts through a copy in memory; an empty device bitmap only
  // takes the format. An empty bitmap in memory or file only takes the format. False, with
  // storage, format and pixels as they were, when the new storage cannot be had, the format
  // is not one of the ten, or a device bitmap cannot hold the target.
  bool ConvertPixelFormat(TPVPixelFormat format);
  // ConvertPixelFormat when format differs from the current one; true otherwise.
  bool SetPixelFormat(TPVPixelFormat format);
  // ==== End of pixel-format conversion ====

  // ==== Scaled rendering ====
  // (render_to_bitmap.cpp, render_placement.cpp, renderers.cpp, render_area.cpp,
  // bitmap_renderers.h, stretch_rect_to.cpp)

  // Draws the source rectangle of this bitmap, any format, scaled by nearest neighbour into the
  // target rectangle of a pv24RGB target (nothing for another target format): over it by the
  // transparency (0..255, 255 opaque) and, with useAlpha, by this bitmap's alpha plane; colour
  // formats with DisplayContrast, ChannelShift and the blend operation, grey formats through
  // the BlackLevel..WhiteLevel window. A filter other than rfNone first resamples a pv1g or
  // pv24RGB source rectangle to the target size (through ResampleRectForRenderProc). Only the
  // target's pixels inside the clip rectangle (inclusive, target coordinates; null for none) are
  // painted. Each table left empty is built here; with freeTables false a table built here is
  // handed back through its argument for the next render of the same geometry, tables passed
  // in are read only. A target in pvFile has its rows mapped for the render: its row table is
  // neither taken nor handed back. A failure while painting ends the render quietly.
  void RenderToBitmap(TPVBitmap& target, TPVRenderRowTable& rowTable, TPVRenderMap& xMap,
                      TPVRenderMap& yMap, const TRect* clipRect, int32_t targetX, int32_t targetY,
                      int32_t targetWidth, int32_t targetHeight, int32_t sourceX, int32_t sourceY,
                      int32_t sourceWidth, int32_t sourceHeight, bool useAlpha, bool rowReuse,
                      int32_t transparency, TResampleFilter filter, bool freeTables,
                      TPVBlendOperation operation);
  // The same into a device bitmap, wrapped for the render (and left to its owner). Nothing for
  // a null target.
  void RenderToTBitmap(platform::TBitmap* target, TPVRenderRowTable& rowTable,
                       TPVRenderMap& xMap, TPVRenderMap& yMap, const TRect* clipRect,
                       int32_t targetX, int32_t targetY, int32_t targetWidth,
                       int32_t targetHeight, int32_t sourceX, int32_t sourceY,
                       int32_t sourceWidth, int32_t sourceHeight, bool useAlpha, bool rowReuse,
                       int32_t transparency, TResampleFilter filter, bool freeTables,
                       TPVBlendOperation operation);
  // RenderToBitmap and RenderToTBitmap without clip or row reuse, by the alpha plane, with
  // tables of their own.
  void DrawToBitmap(TPVBitmap& target, int32_t targetX, int32_t targetY, int32_t targetWidth,
                    int32_t targetHeight, int32_t sourceX, int32_t sourceY, int32_t sourceWidth,
                    int32_t sourceHeight, int32_t transparency, TResampleFilter filter,
                    TPVBlendOperation operation);
  void DrawToTBitmap(platform::TBitmap* target, int32_t targetX, int32_t targetY,
                     int32_t targetWidth, int32_t targetHeight, int32_t sourceX, int32_t sourceY,
                     int32_t sourceWidth, int32_t sourceHeight, int32_t transparency,
                     TResampleFilter filter, TPVBlendOperation operation);
  // Copies the source rectangle of a pv1g (set bits white) or pv24RGB bitmap scaled into the
  // pv24RGB target (other formats paint nothing), resampled first when filter is not rfNone,
  // and sets the painted area of the target's alpha plane (made on demand) to alpha, or with a
  // source alpha plane that is not Opaque to its mapped bytes limited to alpha. Target pixels
  // whose source pixel would lie outside this bitmap are left alone.
  void StretchRectTo(TPVBitmap& target, int32_t targetX, int32_t targetY, int32_t targetWidth,
                     int32_t targetHeight, int32_t sourceX, int32_t sourceY, int32_t sourceWidth,
                     int32_t sourceHeight, TResampleFilter filter, int32_t alpha);

  // The renderers: one pair per pixel format, called by RenderToBitmap for this bitmap's
  // format, the blended one when the opacity or the alpha plane applies. Each paints the
  // area's rows through the row table into the pv24RGB target; rows and columns the tables
  // or the bitmaps do not cover, and map entries outside this bitmap, end the area there.
  virtual void Render24RGB(TPVRenderRows rowTable, TPVBitmap& target,
                           TPVBlendOperation operation, const TPVRenderArea& area) const;
  virtual void Render24RGBBlended(TPVRenderRows rowTable, TPVBitmap& target,
                                  TPVBlendOperation operation, const TPVRenderArea& area,
                                  const TPVRenderOpacity& opacity) const;
  virtual void Render32RGB(TPVRenderRows rowTable, TPVBitmap& target,
                           TPVBlendOperation operation, const TPVRenderArea& area) const;
  virtual void Render32RGBBlended(TPVRenderRows rowTable, TPVBitmap& target,
                                  TPVBlendOperation operation, const TPVRenderArea& area,
                                  const TPVRenderOpacity& opacity) const;
  virtual void Render1g(TPVRenderRows rowTable, TPVBitmap& target,
                        const TPVRenderArea& area) const;
  virtual void Render1gBlended(TPVRenderRows rowTable, TPVBitmap& target,
                               const TPVRenderArea& area, const TPVRenderOpacity& opacity) const;
  virtual void Render8g(TPVRenderRows rowTable, TPVBitmap& target,
                        const TPVRenderArea& area) const;
  virtual void Render8gBlended(TPVRenderRows rowTable, TPVBitmap& target,
                               const TPVRenderArea& area, const TPVRenderOpacity& opacity) const;
  virtual void Render8p(TPVRenderRows rowTable, TPVBitmap& target,
                        const TPVRenderArea& area) const;
  virtual void Render8pBlended(TPVRenderRows rowTable, TPVBitmap& target,
                               const TPVRenderArea& area, const TPVRenderOpacity& opacity) const;
  virtual void Render16g(TPVRenderRows rowTable, TPVBitmap& target,
                         const TPVRenderArea& area) const;
  virtual void Render16gBlended(TPVRenderRows rowTable, TPVBitmap& target,
                                const TPVRenderArea& area, const TPVRenderOpacity& opacity) const;
  virtual void Render32f(TPVRenderRows rowTable, TPVBitmap& target,
                         const TPVRenderArea& area) const;
  virtual void Render32fBlended(TPVRenderRows rowTable, TPVBitmap& target,
                                const TPVRenderArea& area, const TPVRenderOpacity& opacity) const;
  virtual void RenderCMYK(TPVRenderRows rowTable, TPVBitmap& target,
                          const TPVRenderArea& area) const;
  virtual void RenderCMYKBlended(TPVRenderRows rowTable, TPVBitmap& target,
                                 const TPVRenderArea& area, const TPVRenderOpacity& opacity) const;
  virtual void RenderCIELab(TPVRenderRows rowTable, TPVBitmap& target,
                            const TPVRenderArea& area) const;
  virtual void RenderCIELabBlended(TPVRenderRows rowTable, TPVBitmap& target,
                                   const TPVRenderArea& area,
                                   const TPVRenderOpacity& opacity) const;
  virtual void RenderRGB48(TPVRenderRows rowTable, TPVBitmap& target,
                           TPVBlendOperation operation, const TPVRenderArea& area) const;
  virtual void RenderRGB48Blended(TPVRenderRows rowTable, TPVBitmap& target,
                                  TPVBlendOperation operation, const TPVRenderArea& area,
                                  const TPVRenderOpacity& opacity) const;
  // ==== End of scaled rendering ====

  // ---- The raw bitmap stream ----
  // Writes the bitmap with its display settings and alpha plane. False when the stream took
  // fewer bytes than written.
  bool SaveRawToStream(TStream* stream) const;
  // The same into a memory block of capacity bytes; false when the block is too small.
  bool SaveRawToStream(void* memory, int64_t capacity) const;
  // Reads what SaveRawToStream wrote. False, with this bitmap untouched, for a bad signature, a
  // negative version, any field out of bounds, a truncated stream or failed storage.
  bool LoadRawFromStream(TStream* stream);
  bool LoadRawFromStream(const void* memory, int64_t size);

  // ---- Fields ----
  TPVPixelStorage Storage;                      // what holds the pixels (bitmap_storage.h)
  std::unique_ptr<uint8_t[]> Palette;           // entry i at byte 3i; 4 bytes allocated per entry
  int32_t PaletteLength = 0;
  std::unique_ptr<TPVBitmap> AlphaBitmap;       // pv8g alpha plane or null
  // Size and format: mutable because the const queries re-read a device bitmap.
  mutable int32_t Width = 0;
  mutable int32_t Height = 0;
  mutable int32_t BitsPerPixel = 0;
  mutable int32_t ChannelsPerPixel = 0;
  mutable int32_t RowBytes = 0;
  mutable TPVPixelFormat Format = pvNoFormat;
  bool IsAlphaPlane = false;
  TPVLocation Location = pvFile;
  bool Opaque = false;          // every sample at its maximum (alpha plane: fully opaque)
  int64_t FileThreshold = 0;    // byte size above which pixels go to the temporary file
  TPVDitherMethod DitherMethod = pvdmThreshold;
  int32_t PaletteColorsUsed = 256;
  double BlackLevel = 0;
  double WhiteLevel = 0;
  int32_t ChannelShift[4] = {0, 0, 0, 0};
  bool ChannelShiftEnabled = false;
  int32_t DisplayContrast = 0;
  int32_t RowAlignment = 32;    // in bits
  TPVMemoryAllocator Allocator = pvmaHybrid;  // of the next single block; a block keeps its own
  bool ForceReallocate = true;
  int32_t UserTag = 0;
  int32_t CanvasAlpha = -1;

 private:
  void CopyPixelSettingsTo(TPVBitmap& target) const;
  bool AllocateStorage();
  bool AllocateAligned(int64_t size);
  bool AllocateFragments();
  bool AllocateDeviceBitmap(int64_t size);
  bool AssignDeviceStorage(const TPVBitmap& source);
  void RebuildTBitmapRows() const;
  uint8_t* RowAddress(int32_t row, TPVDataAccess access) const;
  uint8_t* FileScanline(int32_t row, TPVDataAccess access) const;
  void ReleaseRowWindow(bool writeBack) const;
  void FlushHandedRows() const;
  bool CopyRowsFrom(const TPVBitmap& source);
  bool CopyPixelsFrom(TPVBitmap& source);
  bool ReallocateKeepingPixels(TPVLocation location, int32_t alignment);
};

// Exchanges black and white of a pv1g bitmap: every byte of every row inverted.
void NegateBits(TPVBitmap& Bitmap);

}  // namespace calmora
