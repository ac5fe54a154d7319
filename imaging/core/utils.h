// Low-level helpers of the imaging library: row lengths, bit and byte order, powers, platform
// queries, pixel-buffer allocators, temporary file names, locale-proof number texts, text
// wrappers and a quicksort driven by callbacks. Implemented in utils_*.cpp by concern.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace calmora::platform {
enum TPixelFormat : uint8_t;  // the device bitmap's pixel format (platform/device_bitmap.h)
}

namespace calmora {

// ---- Row lengths and bits --------------------------------------------------------------------

// Bytes per row for a width, bits per pixel and row alignment in bits. Alignment 32:
// ((width * bpp + 31) div 32) * 4; any other alignment a:
// ((width * bpp + a - 1) div a) * (a div 8). Computed in 64 bits, so no width read from a file
// can wrap it into a short row. A negative width or bit count or an alignment below 1 is
// refused with -1.
int64_t CalcRowLength(int32_t width, int32_t bitsPerPixel, int32_t alignment);

// CalcRowLength for callers that keep row lengths in 32 bits: false (rowLength untouched) when
// the length is refused or does not fit in int32.
bool TryCalcRowLength(int32_t width, int32_t bitsPerPixel, int32_t alignment, int32_t& rowLength);

// Bits per pixel of a device-bitmap format: pf1bit 1, pf4bit 4, pf8bit 8, pf15bit 15,
// pf16bit 16, pf24bit 24, pf32bit 32; pfDevice and pfCustom 0.
int32_t GetTBitmapBitCount(platform::TPixelFormat format);

// CalcRowLength(width, GetTBitmapBitCount(format), 32).
int64_t CalcTBitmapRowLength(int32_t width, platform::TPixelFormat format);

// rowLength * rows in 64 bits; -1 when either is negative or the product overflows int64.
int64_t CalcImageByteSize(int64_t rowLength, int64_t rows);

// Starting at the lowest set bit (bits 0..30 searched; none found starts at bit 31), the number
// of consecutive set bits: the width of a colour channel's bit field. 0 for 0.
int32_t GetMaskBitWidth(uint32_t mask);

// Bits needed to index n values: k for n = 2^k, else the position of the highest set bit + 1;
// -1 for 0.
int32_t CountBitsNeeded(uint32_t n);

// 2^(bits and 31) raised to count in 32-bit arithmetic (wrapping like a 32-bit machine
// word); 1 for count <= 0.
int32_t CalcColorCount(int32_t bits, int32_t count);

namespace detail {
constexpr uint8_t ReverseBitsOf(uint8_t b) {
  uint8_t r = 0;
  for (int i = 0; i < 8; ++i)
    if (b & (1u << i)) r |= static_cast<uint8_t>(0x80u >> i);
  return r;
}
struct ReversedBitsTable {
  uint8_t value[256];
  constexpr ReversedBitsTable() : value() {
    for (int i = 0; i < 256; ++i) value[i] = ReverseBitsOf(static_cast<uint8_t>(i));
  }
};
}  // namespace detail

// Each byte value with its bit order reversed (bit 7 <-> bit 0 ...).
inline constexpr detail::ReversedBitsTable ReversedByteBits{};

inline void ReverseByteBits(uint8_t& value) { value = ReversedByteBits.value[value]; }

// Reverses the order of all 32 bits: bytes swapped, then halves, pairs and neighbours exchanged.
inline void ReverseDWordBits(uint32_t& value) {
  uint32_t v = __builtin_bswap32(value);
  v = ((v & 0xF0F0F0F0u) >> 4) | ((v & 0x0F0F0F0Fu) << 4);
  v = ((v & 0xCCCCCCCCu) >> 2) | ((v & 0x33333333u) << 2);
  v = ((v & 0xAAAAAAAAu) >> 1) | ((v & 0x55555555u) << 1);
  value = v;
}

// The two low bytes exchanged, the upper 16 bits unchanged.
constexpr uint32_t SwapWord(uint32_t value) {
  return (value & 0xFFFF0000u) | ((value & 0xFFu) << 8) | ((value >> 8) & 0xFFu);
}

// The four bytes in reverse order.
constexpr uint32_t SwapDWord(uint32_t value) {
  return (value << 24) | ((value & 0xFF00u) << 8) | ((value >> 8) & 0xFF00u) | (value >> 24);
}

// With swap: the low two bytes exchanged and the upper 16 bits cleared; else unchanged.
constexpr uint32_t SwapWordIf(uint32_t value, bool swap) {
  return swap ? (((value & 0xFFu) << 8) | ((value >> 8) & 0xFFu)) : value;
}

constexpr uint32_t SwapDWordIf(uint32_t value, bool swap) {
  return swap ? SwapDWord(value) : value;
}

// ---- Arithmetic -------------------------------------------------------------------------------

// base^exponent by repeated squaring over |exponent|; a negative exponent gives the reciprocal.
long double RaiseToIntPower(long double base, int32_t exponent);

// base^exponent: 1 for exponent 0, 0 for base 0 and a positive exponent, RaiseToIntPower for
// integral exponents within int32, else exp(exponent * ln base).
long double RaiseToPower(long double base, long double exponent);

// base^exponent with fast paths for the exponents 0, +-1, +-2 and other integral exponents;
// non-integral exponents need a positive base.
double RaiseDoubleToPower(double base, double exponent);

inline int32_t ChooseInt(bool flag, int32_t a, int32_t b) { return flag ? a : b; }
inline int32_t SelectInteger(bool flag, int32_t a, int32_t b) { return flag ? a : b; }
inline double SelectDouble(bool flag, double a, double b) { return flag ? a : b; }

// Fills CosineBlendTable.
void BuildCosineTable();

// ---- Platform queries -------------------------------------------------------------------------

// The Windows version code (0..8) that callers test against. Linux is none of those
// platforms; it answers 8, the newest platform the table knows, so that every test of the form
// "at least version n" holds.
uint8_t DetectWindowsVersion();

// Physical memory in bytes: which 0 total, 1 available.
uint64_t QueryPhysicalMemory(int which);

// True when the processor reports the MMX feature.
bool DetectMMX();

// True inside a remote desktop session; a local X11/Wayland session never is one.
bool IsRemoteSession();

// True while the primary mouse button is down (the left one; buttons are never swapped here).
bool IsMouseButtonDown();

// Tries up to 10 times, 20 ms apart, to reach the clipboard; true when it can be used.
bool OpenClipboardRetry();

// True when the path names an existing directory.
bool IsExistingDirectory(const std::string& path);

// ---- Memory -----------------------------------------------------------------------------------

// A zero-filled block of size bytes from the global allocator; null on failure or a negative size.
void* AllocGlobalZeroed(int64_t size);
// Frees a block of AllocGlobalZeroed (null is allowed) and sets the variable to null.
void FreeGlobal(void*& block);

// Pixel-buffer allocator: below 1 MB a heap block (not cleared), falling back to a zero-filled
// global block when the heap is exhausted; from 1 MB on a zero-filled global block. A tag byte
// just before the returned address records which of the two it is (0 heap, 1 global); the
// header is 16 bytes so the returned address keeps the platform's full alignment. Null when
// memory is exhausted; never throws.
void* AllocHybrid(int64_t size);
// Frees a block of AllocHybrid by its tag (null is allowed) and sets the variable to null.
void FreeHybrid(void*& block);

inline constexpr int64_t HybridHeapLimit = 0x100000;  // blocks from here on come from global memory
inline constexpr int HybridHeaderSize = 16;

// A heap block of size bytes, or null instead of an exception when memory is exhausted.
void TryGetMem(void*& block, int64_t size);
// Frees a block of TryGetMem (null is allowed) and sets the variable to null.
void FreeMem(void*& block);

// A new heap copy of a zero-terminated text, terminator included (release with delete[]);
// null for null.
char* DuplicatePChar(const char* text);

// ---- Files and names --------------------------------------------------------------------------

// Creates a folder and any missing parents. An empty path raises Exception("Cannot Create
// Directory"); an existing folder or the root is left alone; one trailing '/' is ignored.
void CreateDirectoryTree(const std::string& path);

// Sets name to folder + prefix + "-" + 8 upper-case hex digits of a random number in
// 0..2147483646 + ".tmp" and creates that file exclusively (empty), drawing again when the
// name is taken, so two callers never get the same file. A '/' is put between folder and
// prefix when the folder lacks one. False when no file could be created (name then holds the
// last name tried).
bool MakeTempFileName(const std::string& prefix, const std::string& folder, std::string& name);

// The lower-cased extension of a file name, with its leading "." when withDot is set; empty when
// the name has none.
std::string GetLowerExtension(const std::string& name, bool withDot);
std::string ExtractLowerExtension(const std::string& name, bool withDot);
std::u16string ExtractLowerExtensionW(const std::u16string& name, bool withDot);

// 1 for "http://", 2 for "https://", 3 for "ftp://" at the start of the text (any case), else 0.
int32_t GetURLKind(const std::string& text);
int32_t GetURLKindW(const std::u16string& text);

// ---- Numbers to text --------------------------------------------------------------------------

// The shortest general text of the value (15 significant digits, as the toolkit's FloatToStr
// writes it) with "." as decimal separator whatever the locale. For numbers that go into files.
void FloatToPointText(std::string& text, long double value);
void FloatToPointTextDirect(std::string& text, long double value);
std::string FloatToPointText(long double value);

// The number in the text by the locale's rules; failing that, with the first "," turned into
// "." (or, without a ",", the first "." into ","); failing that too, def.
long double ParseFloatAnySeparator(const std::string& text, long double def);

// ---- Thin text wrappers -----------------------------------------------------------------------

enum TFloatFormat : uint8_t { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// Without blanks and control characters at both ends.
std::string TrimText(const std::string& text);
// ASCII letters only.
std::string UpperCaseText(const std::string& text);
std::string LowerCaseText(const std::string& text);
std::string IntegerToText(int64_t value);
// Decimal or hexadecimal ("$" or "0x") integer; def when the text is no int32.
int32_t TextToIntegerDef(const std::string& text, int32_t def);
// count characters from the 1-based index; clipped to the text.
std::string CopyText(const std::string& text, int32_t index, int32_t count);
// The value in the toolkit's float formats: general and exponent with precision significant
// digits (digits = minimum exponent digits), fixed and number with digits decimals (number and
// currency group thousands). Uses the locale's decimal separator: it is display text.
std::string FormatFloatText(long double value, TFloatFormat format, int32_t precision,
                            int32_t digits);
// Upper-case hexadecimal of the 32-bit value with at least digits digits.
std::string IntegerToHexText(int64_t value, int32_t digits);
// 1-based position of sub in text; 0 when absent or sub is empty.
int32_t FindTextPos(const std::string& sub, const std::string& text);

// ---- Quicksort by callbacks -------------------------------------------------------------------

// compare(i, j) < 0 when item i sorts before item j; exchange(i, j) swaps the items.
using TPVSortCompare = std::function<int32_t(int32_t i, int32_t j)>;
using TPVSortExchange = std::function<void(int32_t i, int32_t j)>;

// Sorts count items that only the callbacks touch; the pivot is an index that follows its item
// through the exchanges. Not stable. Nothing for count <= 0.
void QuickSortIndexed(int32_t count, const TPVSortCompare& compare,
                      const TPVSortExchange& exchange);
void QuickSortRange(int32_t lo, int32_t hi, const TPVSortCompare& compare,
                    const TPVSortExchange& exchange);

}  // namespace calmora
