// The format registry: the image file formats the library knows, each with its id, name,
// extensions, dialog pages and read, write and content-test callbacks, and the lookups by id
// and by extension. Content detection is in format_detection.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace calmora {

class TIOParamsVals;
class TPVBitmap;
class TStream;
struct TPVProgressRecord;

// The format ids of the registry, of TIOParamsVals::FileType and of every dispatch table.
using TPVFileFormatId = int32_t;

inline constexpr TPVFileFormatId kFormatUnknown = 0;
inline constexpr TPVFileFormatId kFormatTIFF = 1;
inline constexpr TPVFileFormatId kFormatGIF = 2;
inline constexpr TPVFileFormatId kFormatJPEG = 3;
inline constexpr TPVFileFormatId kFormatPCX = 4;
inline constexpr TPVFileFormatId kFormatBMP = 5;
inline constexpr TPVFileFormatId kFormatICO = 6;
inline constexpr TPVFileFormatId kFormatCUR = 7;
inline constexpr TPVFileFormatId kFormatPNG = 8;
inline constexpr TPVFileFormatId kFormatWMF = 9;
inline constexpr TPVFileFormatId kFormatEMF = 10;
inline constexpr TPVFileFormatId kFormatTGA = 11;
inline constexpr TPVFileFormatId kFormatPXM = 12;
inline constexpr TPVFileFormatId kFormatJP2 = 13;
inline constexpr TPVFileFormatId kFormatJ2K = 14;
inline constexpr TPVFileFormatId kFormatAVI = 15;  // never registered: frames come another way
inline constexpr TPVFileFormatId kFormatWBMP = 16;
inline constexpr TPVFileFormatId kFormatPS = 17;   // written only
inline constexpr TPVFileFormatId kFormatPDF = 18;  // written only
inline constexpr TPVFileFormatId kFormatDCX = 19;
inline constexpr TPVFileFormatId kFormatCameraRaw = 20;
inline constexpr TPVFileFormatId kFormatRawPixels = 21;  // headerless, never registered
inline constexpr TPVFileFormatId kFormatPSD = 24;
inline constexpr TPVFileFormatId kFormatPVV = 25;
inline constexpr TPVFileFormatId kFormatLayers = 26;
inline constexpr TPVFileFormatId kFormatLayersAndObjects = 27;
inline constexpr TPVFileFormatId kFormatDICOM = 28;

// The pages of the save-parameters dialog, one bit each.
using TPVParamsPages = uint16_t;

inline constexpr TPVParamsPages kParamsPageAll = 1 << 0;
inline constexpr TPVParamsPages kParamsPageOfFileType = 1 << 1;
inline constexpr TPVParamsPages kParamsPageJPEG = 1 << 2;
inline constexpr TPVParamsPages kParamsPageTIFF = 1 << 3;
inline constexpr TPVParamsPages kParamsPageGIF = 1 << 4;
inline constexpr TPVParamsPages kParamsPageBMP = 1 << 5;
inline constexpr TPVParamsPages kParamsPagePCX = 1 << 6;
inline constexpr TPVParamsPages kParamsPagePNG = 1 << 7;
inline constexpr TPVParamsPages kParamsPageTGA = 1 << 8;
inline constexpr TPVParamsPages kParamsPageJPEG2000 = 1 << 9;

// Plain function pointers, so that a plug-in library can hand over its entry points as they are.
using TPVReadFormatProc = void (*)(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals& Params,
                                   bool ParamsOnly, TPVProgressRecord& Progress);
using TPVWriteFormatProc = void (*)(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals& Params,
                                    TPVProgressRecord& Progress);
using TPVTestFormatFunc = bool (*)(TStream* Stream, int32_t FileType);

// One registered format. A null callback means the format cannot be read, written or tested.
class TPVFileFormatInfo {
 public:
  TPVFileFormatId FileType = kFormatUnknown;
  std::string Description;  // display name
  std::string Extensions;   // upper case, without dots, separated by ";"
  // True for a built-in format, which the I/O component serves with its own methods; false
  // for one served only by its callbacks.
  bool Internal = false;
  TPVParamsPages DialogPages = 0;
  TPVReadFormatProc ReadProc = nullptr;
  TPVWriteFormatProc WriteProc = nullptr;
  TPVTestFormatFunc TestProc = nullptr;
};

// In registration order; lookups scan from the first entry and the first match wins. Built at
// start-up and only read until it is freed at exit, so no lock guards it.
using TPVFileFormatList = std::vector<std::unique_ptr<TPVFileFormatInfo>>;
extern TPVFileFormatList FileFormatList;

// The described formats' rows (the 24 built-in ones in their fixed order, then any described
// for a scope); any earlier content is dropped first.
void BuildFileFormatRegistry();
void FreeFileFormatRegistry();

// Appends an entry; nothing checks for a duplicate id, so a second entry of an id is never
// found while the first is there.
void RegisterFileFormat(std::unique_ptr<TPVFileFormatInfo> Entry);
// Removes the first entry of the id; nothing when there is none.
void UnregisterFileFormat(TPVFileFormatId Id);

TPVFileFormatInfo* FindFileFormatInfo(TPVFileFormatId Id);
int32_t GetFileExtCount(TPVFileFormatId Id);
// The extension at a 0-based index; empty past the last one or for an unknown id.
std::string GetFileExt(TPVFileFormatId Id, int32_t Index);
// Takes the piece before the first ";" off the list (with the ";") and answers it; a list
// without ";" is answered whole and becomes empty.
std::string SplitFileExtList(std::string& List);
// Case-insensitive, one leading "." ignored, exact: no wildcard, no prefix.
TPVFileFormatInfo* FindFileFormatByExt(const std::string& Extension);
TPVFileFormatId ExtensionToFileType(const std::string& Extension);

// The content test of the built-in entries: the I/O unit's detection knows their signatures
// itself, so their own callback answers false.
bool FileFormatTestStub(TStream* Stream, int32_t FileType);

}  // namespace calmora
