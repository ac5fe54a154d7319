// TPVMask data, pixel and row access, fills, the selection box and translation.
#include "imaging/core/mask/mask.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "imaging/base/row_bits.h"
#include "imaging/base/bit_helpers.h"
#include "platform/device_bitmap.h"

namespace calmora {

namespace {

// Zero-filled plane of rows x rowBytes bytes; null when the size cannot be had.
TPVPixelBlock NewPlane(int32_t rowBytes, int32_t rows) {
  return AllocateZeroedPlane(CalcImageByteSize(rowBytes, rows));
}

// Clears the pixels from x = first on in a row of a 1- or 8-bit plane, up to byte rowBytes.
void ClearFrom(uint8_t* row, int32_t first, int32_t bitsPerPixel, int32_t rowBytes) {
  if (bitsPerPixel == 8) {
    if (first < rowBytes) std::memset(row + first, 0, static_cast<size_t>(rowBytes - first));
    return;
  }
  const int32_t firstByte = first / 8;
  if (firstByte >= rowBytes) return;
  if (first % 8 != 0) {
    row[firstByte] &= static_cast<uint8_t>(0xFF00 >> (first % 8));
    if (firstByte + 1 < rowBytes) std::memset(row + firstByte + 1, 0, rowBytes - firstByte - 1);
  } else {
    std::memset(row + firstByte, 0, static_cast<size_t>(rowBytes - firstByte));
  }
}

}  // namespace

TPVMask::TPVMask() : DotBitmap(std::make_unique<platform::TBitmap>()) {
  DrawHeader.bmiHeader.biBitCount = 1;
  DotBitmap->SetPixelFormat(platform::pf24bit);
  DotBitmap->SetSize(1, 1);
  DotRow = DotBitmap->GetScanLine(0);
}

TPVMask::~TPVMask() { FreeData(); }

bool TPVMask::Allocate(int32_t width, int32_t height, int32_t bitsPerPixel) {
  if ((bitsPerPixel != 1 && bitsPerPixel != 8) || width < 0 || height < 0) {
    FreeData();
    return false;
  }
  int32_t rowBytes = 0;
  if (!TryCalcRowLength(width, bitsPerPixel, 32, rowBytes)) {
    FreeData();
    return false;
  }
  FreeData();
  if (width > 0 && height > 0) {
    dataBlock_ = NewPlane(rowBytes, height);
    if (!dataBlock_) return false;
    Data = dataBlock_.get();
  }
  Width = width;
  Height = height;
  BitsPerPixel = bitsPerPixel;
  RowBytes = rowBytes;
  EmptyBox();
  AllSet = false;
  return true;
}

void TPVMask::FreeData() {
  delete[] ZoomBuffer;
  ZoomBuffer = nullptr;
  ZoomRows.clear();
  ZoomWidth = 0;
  ZoomHeight = 0;
  dataBlock_.reset();
  Data = nullptr;
  Width = 0;
  Height = 0;
  BitsPerPixel = 0;
  RowBytes = 0;
}

bool TPVMask::Resize(int32_t width, int32_t height) {
  if (width < 0 || height < 0 || BitsPerPixel == 0) return false;
  int32_t rowBytes = 0;
  if (!TryCalcRowLength(width, BitsPerPixel, 32, rowBytes)) return false;
  TPVPixelBlock block;
  if (width > 0 && height > 0) {
    block = NewPlane(rowBytes, height);
    if (!block) return false;
    uint8_t* data = block.get();
    const int32_t rows = Data ? std::min(height, Height) : 0;  // a 0-wide mask has no rows to keep
    const int32_t bytes = std::min(rowBytes, RowBytes);
    for (int32_t y = 0; y < rows; ++y) {
      uint8_t* target = data + static_cast<int64_t>(rowBytes) * (height - y - 1);
      std::memcpy(target, GetRow(y), static_cast<size_t>(bytes));
      // Pixels past the narrower width were cut off; they must not come back selected.
      ClearFrom(target, std::min(width, Width), BitsPerPixel, rowBytes);
    }
  }
  dataBlock_ = std::move(block);
  Data = dataBlock_.get();
  Width = width;
  Height = height;
  RowBytes = rowBytes;
  if (width == 0 || height == 0) {
    EmptyBox();  // no pixel is left to hold the box
  } else if (!IsEmpty()) {
    BoxLeft = std::min(BoxLeft, width - 1);
    BoxRight = std::min(BoxRight, width - 1);
    BoxTop = std::min(BoxTop, height - 1);
    BoxBottom = std::min(BoxBottom, height - 1);
  }
  return true;
}

const uint8_t* TPVMask::GetRow(int32_t y) const {
  if (!Data || y < 0 || y >= Height) return nullptr;
  return Data + static_cast<int64_t>(RowBytes) * (Height - y - 1);
}

uint8_t* TPVMask::GetRow(int32_t y) { return const_cast<uint8_t*>(std::as_const(*this).GetRow(y)); }

int32_t TPVMask::GetPixel(int32_t x, int32_t y) const {
  if (x < 0 || x >= Width || y < 0 || y >= Height || !Data) return 0;
  const uint8_t* row = GetRow(y);
  if (BitsPerPixel == 1) return GetBit(row, x) ? 1 : 0;
  return row[x];
}

void TPVMask::EmptyBox() {
  BoxLeft = EmptyBoxLeft;
  BoxTop = EmptyBoxLeft;
  BoxRight = 0;
  BoxBottom = 0;
}

void TPVMask::ClampBox() {
  BoxLeft = std::clamp(BoxLeft, 0, std::max(Width - 1, 0));
  BoxRight = std::clamp(BoxRight, 0, std::max(Width - 1, 0));
  BoxTop = std::clamp(BoxTop, 0, std::max(Height - 1, 0));
  BoxBottom = std::clamp(BoxBottom, 0, std::max(Height - 1, 0));
}

void TPVMask::GrowBox(int32_t x, int32_t y) {
  BoxLeft = std::min(BoxLeft, x);
  BoxTop = std::min(BoxTop, y);
  BoxRight = std::max(BoxRight, x);
  BoxBottom = std::max(BoxBottom, y);
}

void TPVMask::KeepAllSet(bool selectsFully) {
  if (AllSet && !selectsFully) AllSet = false;
}

void TPVMask::SetPixel(int32_t x, int32_t y, int32_t value) {
  if (x < 0 || x >= Width || y < 0 || y >= Height || !Data) return;
  if (value != 0) GrowBox(x, y);
  uint8_t* row = GetRow(y);
  if (BitsPerPixel == 1) {
    KeepAllSet(value != 0);
    SetBit(row, x, value);
  } else {
    KeepAllSet(value == 255);
    row[x] = static_cast<uint8_t>(value);
  }
}

int32_t TPVMask::FillSpan(int32_t value, int32_t x1, int32_t x2, int32_t y) {
  if (y < 0 || y >= Height || !Data) return 0;
  x1 = std::max(x1, 0);
  x2 = std::min(x2, Width - 1);
  if (x2 < x1) return 0;
  uint8_t* row = GetRow(y);
  if (BitsPerPixel == 1) {
    // Whole bytes in the middle, single bits at the ends.
    const bool set = value == 1;
    KeepAllSet(set);
    int32_t x = x1;
    for (; x <= x2 && (x & 7) != 0; ++x) SetBit(row, x, set);
    const int32_t wholeBytes = (x2 + 1 - x) / 8;
    if (wholeBytes > 0) {
      std::memset(row + x / 8, set ? 0xFF : 0x00, static_cast<size_t>(wholeBytes));
      x += wholeBytes * 8;
    }
    for (; x <= x2; ++x) SetBit(row, x, set);
  } else {
    KeepAllSet(value == 255);
    std::memset(row + x1, static_cast<uint8_t>(value), static_cast<size_t>(x2 - x1 + 1));
  }
  return x2 - x1 + 1;
}

void TPVMask::Fill(int32_t value) {
  if (Data) std::memset(Data, static_cast<uint8_t>(value), static_cast<size_t>(RowBytes) * Height);
  AllSet = value == 255;
}

void TPVMask::Clear() {
  Fill(0);
  EmptyBox();
}

void TPVMask::RecomputeBox() {
  EmptyBox();
  for (int32_t y = 0; y < Height; ++y)
    for (int32_t x = 0; x < Width; ++x)
      if (GetPixel(x, y) != 0) GrowBox(x, y);
}

void TPVMask::CheckAllSet() {
  AllSet = true;
  for (int32_t y = 0; y < Height && AllSet; ++y) {
    const uint8_t* row = GetRow(y);
    if (BitsPerPixel == 1) {
      const int32_t wholeBytes = Width / 8;
      for (int32_t i = 0; i < wholeBytes && AllSet; ++i) AllSet = row[i] == 0xFF;
      for (int32_t x = wholeBytes * 8; x < Width && AllSet; ++x) AllSet = GetBit(row, x) != 0;
    } else {
      for (int32_t x = 0; x < Width && AllSet; ++x) AllSet = row[x] == 0xFF;
    }
  }
}

void TPVMask::Translate(int32_t& dx, int32_t& dy, bool clip) {
  if (IsEmpty()) RecomputeBox();
  if (IsEmpty() || !Data) return;
  // 64-bit sums: an offset near the int32 limits must not wrap around.
  int64_t left = BoxLeft, top = BoxTop, right = BoxRight, bottom = BoxBottom;
  int64_t moveX = dx, moveY = dy;
  if (clip) {
    if (left + moveX < 0) left = -moveX;
    if (top + moveY < 0) top = -moveY;
    if (right + moveX >= Width) right = Width - 1 - moveX;
    if (bottom + moveY >= Height) bottom = Height - 1 - moveY;
  } else {
    if (moveX + left < 0) moveX = -left;
    if (moveX + right >= Width) moveX = Width - 1 - right;
    if (moveY + top < 0) moveY = -top;
    if (moveY + bottom >= Height) moveY = Height - 1 - bottom;
    dx = static_cast<int32_t>(moveX);
    dy = static_cast<int32_t>(moveY);
  }
  if (moveX == 0 && moveY == 0) return;
  // Everything was cut off: nothing stays selected.
  if (right < left || bottom < top) {
    Clear();
    return;
  }
  const auto boxLeft = static_cast<int32_t>(left), boxTop = static_cast<int32_t>(top);
  const auto boxRight = static_cast<int32_t>(right), boxBottom = static_cast<int32_t>(bottom);
  const int32_t rows = boxBottom - boxTop + 1;
  const auto shiftX = static_cast<int32_t>(moveX), shiftY = static_cast<int32_t>(moveY);
  if (BitsPerPixel == 1) {
    const int32_t bits = boxRight - boxLeft + 1;
    const int32_t bytes = (bits + 7) / 8;
    std::vector<uint8_t> held(static_cast<size_t>(bytes) * rows);
    for (int32_t i = 0; i < rows; ++i)
      CopyBits(held.data() + static_cast<size_t>(i) * bytes, GetRow(boxTop + i), 0, boxLeft, bits,
               RowBytes);
    std::memset(Data, 0, static_cast<size_t>(RowBytes) * Height);
    for (int32_t i = 0; i < rows; ++i)
      CopyBits(GetRow(boxTop + shiftY + i), held.data() + static_cast<size_t>(i) * bytes,
               boxLeft + shiftX, 0, bits, bytes);
  } else {
    std::vector<uint8_t> held(Data, Data + static_cast<size_t>(RowBytes) * Height);
    std::memset(Data, 0, held.size());
    for (int32_t y = boxTop; y <= boxBottom; ++y) {
      const int32_t targetY = y + shiftY;
      if (targetY < 0 || targetY >= Height) continue;
      const uint8_t* from = held.data() + static_cast<int64_t>(RowBytes) * (Height - y - 1);
      uint8_t* to = GetRow(targetY);
      for (int32_t x = boxLeft; x <= boxRight; ++x) {
        const int32_t targetX = x + shiftX;
        if (targetX >= 0 && targetX < Width) to[targetX] = from[x];
      }
    }
  }
  BoxLeft = static_cast<int32_t>(std::clamp<int64_t>(left + moveX, 0, Width - 1));
  BoxTop = static_cast<int32_t>(std::clamp<int64_t>(top + moveY, 0, Height - 1));
  BoxRight = static_cast<int32_t>(std::clamp<int64_t>(right + moveX, 0, Width - 1));
  BoxBottom = static_cast<int32_t>(std::clamp<int64_t>(bottom + moveY, 0, Height - 1));
}

}  // namespace calmora
