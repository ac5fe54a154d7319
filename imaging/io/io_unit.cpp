// Set-up and clean-up of the I/O unit: the process-wide settings every codec and I/O component
// reads, each step named so that the order can be checked.
#include "imaging/io/io_unit.h"

#include "imaging/base/defs.h"
#include "imaging/codecs/lzw/lzw_codec.h"
#include "imaging/core/color/cmyk_profile.h"
#include "imaging/core/color/color_rows.h"
#include "imaging/io/acquisition/avi_frames.h"
#include "imaging/io/color_row.h"
#include "imaging/io/formats/file_formats.h"
#include "imaging/io/formats/io_plugins.h"
#include "imaging/params/lzw_defaults.h"
#include "imaging/io/acquisition/scanner_log.h"
#include "imaging/io/acquisition/url_loader.h"
#include "imaging/proc/colors/quantizer.h"

namespace calmora {

std::string TwainLogFileName;
bool BufferedStreamRelative = false;
int32_t MetafileMaxSize = 8000;

namespace {

constexpr TStaticSetupStep kSetupSteps[] = {
    // The library's LZW coders, which every new parameter record copies.
    {"DefaultGIFLZWDecompress", [] { DefaultGIFLZWDecompress = DecompressGIFLZW; }},
    {"DefaultGIFLZWCompress", [] { DefaultGIFLZWCompress = CompressGIFLZW; }},
    {"DefaultTIFFLZWDecompress", [] { DefaultTIFFLZWDecompress = DecompressTIFFLZW; }},
    {"DefaultTIFFLZWCompress", [] { DefaultTIFFLZWCompress = CompressTIFFLZW; }},
    {"TempFolder", [] { TempFolder.clear(); }},  // empty: the system's temporary folder
    {"BuildFileFormatRegistry", BuildFileFormatRegistry},
    {"AVIFileInitialised", [] { AVIFileInitialised = false; }},
    {"TwainLogFileName", [] { TwainLogFileName.clear(); }},
    {"LoadWinInet",
     [] {
       WinInetHandle = nullptr;
       LoadWinInet();
     }},
    {"ConvertColorRowProc", [] { ConvertColorRowProc = ConvertColorRow; }},
    {"ICCConversion", [] { ICCConversion = false; }},
    {"IOPlugins", [] { IOPlugins.clear(); }},
    {"QuantizerAlgorithm", [] { QuantizerAlgorithm = -1; }},  // automatic
    {"NeuQuantQuality", [] { NeuQuantQuality = -1; }},        // from the pixel count
    {"BufferedStreamRelative", [] { BufferedStreamRelative = false; }},
    {"CMYKProfileConversion", [] { CMYKProfileConversion = true; }},
    {"CMYKProfile", FreeCMYKProfiles},  // null: made again on first use
    {"MetafileMaxSize", [] { MetafileMaxSize = 8000; }},
};

constexpr TStaticSetupStep kCleanupSteps[] = {
    {"FreeCMYKProfiles", FreeCMYKProfiles},
    {"FreeIOPlugins", FreeIOPlugins},
    {"FreeFileFormatRegistry", FreeFileFormatRegistry},
    {"AVIFileExit",
     [] {
       if (AVIFileInitialised) AVIFileExit();
     }},
    {"FreeWinInet", FreeWinInet},
    // Whether a line left it open decides, not the name: a name cleared after a line would
    // otherwise keep the file open until the process ends.
    {"CloseTwainLog", CloseTwainLog},
    {"IOPlugins", [] { IOPlugins = TPVIOPluginList(); }},
};

void RunSteps(std::span<const TStaticSetupStep> steps) {
  for (const TStaticSetupStep& step : steps) step.Run();
}

}  // namespace

std::span<const TStaticSetupStep> IOUnitSetupSteps() { return kSetupSteps; }
std::span<const TStaticSetupStep> IOUnitCleanupSteps() { return kCleanupSteps; }

void InitIOUnit() { RunSteps(kSetupSteps); }

void FinalizeIOUnit() { RunSteps(kCleanupSteps); }

}  // namespace calmora
