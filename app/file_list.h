// Pure helpers of the main window's file list: the accepted video types, the extension
// test for dropped and folder files, and the size column's text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace calmora {

// One literal used for the combo items, the drop and folder tests and the dialog filter.
inline constexpr const char* kAcceptedTypes =
    "*.AVI;*.MPG;*.MPEG;*.WMV;*.MP4;*.M4V;*.FLV;*.MKV;*.WEBM;*.MOV;*.VOB;*.ASF;*.TS;*.MTS;";

// The accepted types cut at each ";": "*.AVI" ... "*.MTS" (14 items).
std::vector<std::string> VideoFormatItems();

// The open dialog's filter: "Video Files|" followed by the accepted types.
std::string VideoFilesFilter();

// The extension of a path's file name from its last ".", dot included ("" when none).
std::string FileExtension(const std::string& path);

// True when the file name's extension, in upper case, occurs anywhere in kAcceptedTypes.
// It tests for a piece of the list, so ".MP" and ".T" pass too; no extension never does.
bool PassesExtensionTest(const std::string& path);

// Bytes to whole kilobytes, halves to the even neighbour (1536 gives 2, 2560 gives 2).
std::uint64_t KilobytesOf(std::uint64_t bytes);

// Decimal digits with a "," between groups of three (1234567 gives "1,234,567").
std::string GroupThousands(std::uint64_t value);

// The size column's text: kilobytes grouped in threes and " KB" ("1,024,000 KB").
std::string SizeText(std::uint64_t bytes);

// Size in bytes of the file at path; throws std::runtime_error when it cannot be opened
// (vanished, unreadable, or not a file at all).
std::uint64_t FileSizeOf(const std::string& path);

}  // namespace calmora
