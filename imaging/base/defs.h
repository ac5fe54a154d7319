// Shared definitions of the imaging library: the root class, the progress record every long
// operation receives, the enumerations that cross subsystems and the process-wide data.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "platform/object.h"

namespace calmora {

// Root of the library's class tree, shared with the platform's components (a view is one).
using platform::TObject;

// The general exception of the library; components derive their own classes from it.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// Progress callback of every long operation: per is a percentage 0..100.
using TPVProgressEvent = std::function<void(TObject* sender, int per)>;

// Owned by the caller and passed by reference to every codec and pixel algorithm.
struct TPVProgressRecord {
  TPVProgressEvent OnProgress;  // invoked only when assigned
  TObject* Sender = nullptr;    // first argument of OnProgress
  int32_t Value = 0;            // units done so far (rows, as a rule)
  int32_t Value2 = 0;           // a second counter for operations that need one
  double Step = 0;              // percent per unit; the reported percentage is Trunc(Value * Step)
  double Step2 = 0;             // percent per unit of a second kind (strips, for one)
  bool* Aborting = nullptr;     // the caller's abort flag: set by readers on bad data, by the
                                // caller to stop; every row loop tests it
};

// Resampling filter choice. Ordinals 1..8 index the kernel table; the others pick engines.
enum TResampleFilter : uint8_t {
  rfNone,
  rfTriangle,
  rfHermite,
  rfBell,
  rfBSpline,
  rfLanczos3,
  rfMitchell,
  rfNearest,
  rfLinear,
  rfFastLinear,
  rfBilinear,
  rfBicubic,
  rfProjectBW,
  rfProjectWB,
};

// Language of the dialogs; selects a row of MsgWordTable.
enum TMsgLanguage : uint8_t {
  msSystem,
  msEnglish,
  msItalian,
  msGerman,
  msSpanish,
  msFrench,
  msPortuguese,
  msGreek,
  msRussian,
  msDutch,
  msSwedish,
  msPolish,
  msJapanese,
  msCzech,
  msFinnish,
  msFarsi,
  msChinese,
  msChineseTraditional,
  msDanish,
  msTurkish,
  msKorean,
  msUser,
};

inline constexpr int kMsgLanguageCount = 22;  // rows of MsgWordTable, one per TMsgLanguage
inline constexpr int kMsgWordCount = 146;     // words per row

using TMsgWordRow = std::array<std::u16string, kMsgWordCount>;
using TMsgWordTable = std::array<TMsgWordRow, kMsgLanguageCount>;

// ---- Process-wide data, one instance each; the static set-up gives them their values. ----

// The grey level of an RGB pixel is (R * red + G * green + B * blue) / 100 (integer division).
extern int32_t GrayWeightRed;    // 21
extern int32_t GrayWeightGreen;  // 71
extern int32_t GrayWeightBlue;   // 8

// What the preview dialogs paint behind their picture: 0 nothing, 1 striped, 2 noisy texture.
extern uint8_t DialogBackgroundStyle;

// The dialogs' word table; written and read only through SetMsgWord and GetMsgWord.
extern TMsgWordTable MsgWordTable;

// Platform code 0..8 from DetectWindowsVersion.
extern uint8_t WindowsVersion;

// Pixel-data size in bytes above which a new bitmap keeps its pixels in a temporary file;
// -1 means automatic (derived from the physical memory).
extern int64_t BitmapFileThreshold;

// The colour-system library once loaded on first use; null while not loaded.
extern void* ColorSystemLibrary;

// 64 - 64 * cos(i * pi / 255) rounded to nearest, i = 0..255; filled by BuildCosineTable.
extern std::array<int32_t, 256> CosineBlendTable;

// Folder of temporary pixel files and codec work files; empty means the system temporary path.
extern std::string TempFolder;

inline constexpr const char* LibraryVersionText = "3.0.2";

// Set-up of the shared definitions' unit, run only by the static set-up: grey weights and the
// dialogs' background style. The clean-up has nothing to release.
void InitDefsUnit();
void FinalizeDefsUnit();

}  // namespace calmora
