// TPVDibbitmap over our own device-independent pixel block, and TPVWorkBitmap.
#include "imaging/core/bitmap/dib_bitmap.h"

#include <cstring>
#include <utility>

#include "imaging/base/row_bits.h"
#include "imaging/base/allocators.h"

namespace calmora {

namespace {

bool IsDibBitCount(int32_t bitCount) {
  return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
         bitCount == 32;
}

// Row length (32-bit aligned) and block size, or false when they cannot be addressed.
bool DibSize(int32_t width, int32_t height, int32_t bitCount, int32_t& rowBytes, int64_t& size) {
  if (width < 1 || height < 1 || bitCount < 1) return false;
  if (!TryCalcRowLength(width, bitCount, 32, rowBytes)) return false;
  size = CalcImageByteSize(rowBytes, height);
  return size > 0;
}

}  // namespace

TPVDibbitmap::TPVDibbitmap() { DataAccess = 0; }

TPVDibbitmap::~TPVDibbitmap() { FreeBits(); }

const uint8_t* TPVDibbitmap::GetScanline(int32_t row) const {
  if (!Bits || row < 0 || row >= Height) return nullptr;
  return Bits + static_cast<int64_t>(Height - row - 1) * RowBytes;
}

uint8_t* TPVDibbitmap::GetScanline(int32_t row) {
  return const_cast<uint8_t*>(std::as_const(*this).GetScanline(row));
}

TPVPixelFormat TPVDibbitmap::GetPixelFormat() const {
  if (BitCount == 1) return pv1g;
  if (BitCount == 24) return pv24RGB;
  return pvNoFormat;
}

bool TPVDibbitmap::Allocate(int32_t width, int32_t height, TPVPixelFormat format) {
  if (format == pv1g) return AllocateBits(width, height, 1);
  if (format == pv24RGB) return AllocateBits(width, height, 24);
  return false;
}

bool TPVDibbitmap::Assign(TObject* source) {
  auto* other = dynamic_cast<TPVDibbitmap*>(source);
  if (!other || other == this) return true;
  if (!other->Bits) {
    FreeBits();
    return true;
  }
  if (!AllocateBits(other->Width, other->Height, other->BitCount)) return false;
  std::memcpy(Bits, other->Bits, static_cast<size_t>(RowBytes) * Height);
  return true;
}

bool TPVDibbitmap::AllocateBits(int32_t width, int32_t height, int32_t bitCount) {
  int32_t rowBytes = 0;
  int64_t size = 0;
  if (!IsDibBitCount(bitCount) || !DibSize(width, height, bitCount, rowBytes, size) ||
      !FitsInMemory(size))
    return false;
  FreeBits();
  block_ = AllocateZeroedPlane(size);
  if (!block_) return false;
  Bits = block_.get();
  Width = width;
  Height = height;
  BitCount = bitCount;
  RowBytes = rowBytes;
  Header.bmiHeader.biBitCount = static_cast<uint16_t>(bitCount);
  Header.bmiHeader.biWidth = width;
  Header.bmiHeader.biHeight = height;
  Header.bmiHeader.biSizeImage = static_cast<uint32_t>(size);
  return true;
}

void TPVDibbitmap::FreeBits() {
  block_.reset();
  Bits = nullptr;
  Width = 0;
  Height = 0;
  BitCount = 0;
  RowBytes = 0;
}

TPVWorkBitmap::TPVWorkBitmap(int32_t width, int32_t height, int32_t bitCount) {
  if (width > 0 && height > 0) Allocate(width, height, bitCount);
}

TPVWorkBitmap::~TPVWorkBitmap() { FreeBits(); }

bool TPVWorkBitmap::Allocate(int32_t width, int32_t height, int32_t bitCount) {
  if (Bits && width == Width && height == Height && bitCount == BitCount) return true;
  FreeBits();
  int32_t rowBytes = 0;
  int64_t size = 0;
  if (!DibSize(width, height, bitCount, rowBytes, size) || !FitsInMemory(size)) return false;
  Bits = static_cast<uint8_t*>(AllocHybrid(size));
  if (!Bits) return false;
  Width = width;
  Height = height;
  BitCount = bitCount;
  RowBytes = rowBytes;
  return true;
}

uint8_t* TPVWorkBitmap::GetScanline(int32_t row) {
  if (!Bits || row < 0 || row >= Height) return nullptr;
  return Bits + static_cast<int64_t>(RowBytes) * (Height - row - 1);
}

void TPVWorkBitmap::FreeBits() {
  void* block = Bits;
  FreeHybrid(block);
  Bits = nullptr;
  Width = 0;
  Height = 0;
  BitCount = 0;
  RowBytes = 0;
}

}  // namespace calmora
