// The I/O unit's set-up and clean-up: every global in its order, the registry made once and
// freed, the internet library loaded and freed, the AVI library's exit only after an AVI.
#include "imaging/io/io_unit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/codecs/lzw/lzw_codec.h"
#include "imaging/core/color/cmyk_profile.h"
#include "imaging/core/color/color_rows.h"
#include "imaging/io/acquisition/avi_frames.h"
#include "imaging/io/color_row.h"
#include "imaging/io/formats/file_formats.h"
#include "imaging/io/formats/io_plugins.h"
#include "imaging/params/io_params.h"
#include "imaging/params/lzw_defaults.h"
#include "imaging/io/acquisition/url_loader.h"
#include "imaging/proc/colors/quantizer.h"
#include "platform/internet_library.h"
#include "tests/support/scoped_override.h"

namespace calmora {
namespace {

std::vector<std::string> StepNames(std::span<const TStaticSetupStep> steps) {
  std::vector<std::string> names;
  for (const TStaticSetupStep& step : steps) names.push_back(step.Name);
  return names;
}

TEST(InitIOUnit, SetsTheGlobalsInTheirOrder) {
  EXPECT_EQ(StepNames(IOUnitSetupSteps()),
            (std::vector<std::string>{"DefaultGIFLZWDecompress", "DefaultGIFLZWCompress",
                                      "DefaultTIFFLZWDecompress", "DefaultTIFFLZWCompress",
                                      "TempFolder", "BuildFileFormatRegistry",
                                      "AVIFileInitialised", "TwainLogFileName", "LoadWinInet",
                                      "ConvertColorRowProc", "ICCConversion", "IOPlugins",
                                      "QuantizerAlgorithm", "NeuQuantQuality",
                                      "BufferedStreamRelative", "CMYKProfileConversion",
                                      "CMYKProfile", "MetafileMaxSize"}));
}

TEST(FinalizeIOUnit, ReleasesInItsOrder) {
  EXPECT_EQ(StepNames(IOUnitCleanupSteps()),
            (std::vector<std::string>{"FreeCMYKProfiles", "FreeIOPlugins",
                                      "FreeFileFormatRegistry", "AVIFileExit", "FreeWinInet",
                                      "CloseTwainLog", "IOPlugins"}));
}

TEST(InitIOUnit, GivesEveryGlobalItsStartValue) {
  TempFolder = "/somewhere";
  AVIFileInitialised = true;
  TwainLogFileName = "scanner.log";
  WinInetHandle = &WinInetHandle;
  ConvertColorRowProc = nullptr;
  ICCConversion = true;
  QuantizerAlgorithm = 1;
  NeuQuantQuality = 80;
  BufferedStreamRelative = true;
  CMYKProfileConversion = false;
  MetafileMaxSize = 12;
  InitIOUnit();
  EXPECT_EQ(TempFolder, "");
  EXPECT_EQ(FileFormatList.size(), 24u);
  EXPECT_FALSE(AVIFileInitialised);
  EXPECT_EQ(TwainLogFileName, "");
  // A handle left from before is not freed (it may not be the library's), and a new one taken.
  EXPECT_NE(WinInetHandle, nullptr);
  EXPECT_NE(WinInetHandle, &WinInetHandle);
  EXPECT_TRUE(platform::InternetLibraryLoaded());
  EXPECT_EQ(ConvertColorRowProc, &ConvertColorRow);
  EXPECT_FALSE(ICCConversion);
  EXPECT_TRUE(IOPlugins.empty());
  EXPECT_EQ(QuantizerAlgorithm, -1);
  EXPECT_EQ(NeuQuantQuality, -1);
  EXPECT_FALSE(BufferedStreamRelative);
  EXPECT_TRUE(CMYKProfileConversion);
  EXPECT_EQ(CMYKProfile, nullptr);
  EXPECT_EQ(MetafileMaxSize, 8000);
  FinalizeIOUnit();
}

void FakeGIFDecompress(TStream*, int32_t, int32_t, bool, uint8_t*) {}
void OtherGIFDecompress(TStream*, int32_t, int32_t, bool, uint8_t*) {}
void FakeGIFCompress(TStream*, int32_t, int32_t, bool, const uint8_t*, int32_t) {}
uint8_t* FakeTIFFDecompress(const uint8_t*, int32_t, void*&, int32_t, int64_t) { return nullptr; }
void FakeTIFFCompress(const uint8_t*, int32_t, TStream*, void*&) {}

TEST(InitIOUnit, InstallsTheLibrarysLZWCoders) {
  test::ScopedOverride<TGIFLZWDecompressProc> gif(DefaultGIFLZWDecompress, FakeGIFDecompress);
  test::ScopedOverride<TTIFFLZWCompressProc> tiff(DefaultTIFFLZWCompress, FakeTIFFCompress);
  InitIOUnit();
  EXPECT_EQ(DefaultGIFLZWDecompress, &DecompressGIFLZW);
  EXPECT_EQ(DefaultGIFLZWCompress, &CompressGIFLZW);
  EXPECT_EQ(DefaultTIFFLZWDecompress, &DecompressTIFFLZW);
  EXPECT_EQ(DefaultTIFFLZWCompress, &CompressTIFFLZW);
  FinalizeIOUnit();
}

// A record takes the defaults as they are when it is made; a later change leaves it alone.
TEST(InitIOUnit, ARecordMadeAfterItCarriesTheInstalledLZWDefaults) {
  InitIOUnit();
  test::ScopedOverride<TGIFLZWDecompressProc> gifIn(DefaultGIFLZWDecompress, FakeGIFDecompress);
  test::ScopedOverride<TGIFLZWCompressProc> gifOut(DefaultGIFLZWCompress, FakeGIFCompress);
  test::ScopedOverride<TTIFFLZWDecompressFunc> tiffIn(DefaultTIFFLZWDecompress, FakeTIFFDecompress);
  test::ScopedOverride<TTIFFLZWCompressProc> tiffOut(DefaultTIFFLZWCompress, FakeTIFFCompress);
  TIOParamsVals params(nullptr);
  DefaultGIFLZWDecompress = OtherGIFDecompress;
  EXPECT_EQ(params.GIF_LZWDecompress, &FakeGIFDecompress);
  EXPECT_EQ(params.GIF_LZWCompress, &FakeGIFCompress);
  EXPECT_EQ(params.TIFF_LZWDecompress, &FakeTIFFDecompress);
  EXPECT_EQ(params.TIFF_LZWCompress, &FakeTIFFCompress);
  FinalizeIOUnit();
}

TEST(FinalizeIOUnit, InitFinalizeInitLeavesOneRegistryAndFinalizeFreesIt) {
  InitIOUnit();
  FinalizeIOUnit();
  EXPECT_TRUE(FileFormatList.empty());
  EXPECT_EQ(WinInetHandle, nullptr);
  EXPECT_FALSE(platform::InternetLibraryLoaded());
  InitIOUnit();
  InitIOUnit();
  EXPECT_EQ(FileFormatList.size(), 24u);
  FinalizeIOUnit();
  EXPECT_TRUE(FileFormatList.empty());
}

TEST(FinalizeIOUnit, CallsTheAVIExitOnlyAfterAnAVI) {
  InitIOUnit();
  const int32_t exitsBefore = AVIFileExitCalls;
  FinalizeIOUnit();
  EXPECT_EQ(AVIFileExitCalls, exitsBefore);
  InitIOUnit();
  AVIFileInitialised = true;  // as the AVI reader leaves it
  FinalizeIOUnit();
  EXPECT_EQ(AVIFileExitCalls, exitsBefore + 1);
  EXPECT_FALSE(AVIFileInitialised);
}

TEST(FreeIOPlugins, UnregistersEachPluginsFormat) {
  InitIOUnit();
  auto entry = std::make_unique<TPVFileFormatInfo>();
  entry->FileType = 77;
  entry->Extensions = "PLG";
  RegisterFileFormat(std::move(entry));
  auto plugin = std::make_unique<TPVIOPlugin>();
  plugin->FileType = 77;
  plugin->Name = "test plug-in";
  IOPlugins.push_back(std::move(plugin));
  ASSERT_NE(FindFileFormatInfo(77), nullptr);
  FreeIOPlugins();
  EXPECT_EQ(FindFileFormatInfo(77), nullptr);
  EXPECT_TRUE(IOPlugins.empty());
  EXPECT_EQ(FileFormatList.size(), 24u);
  FinalizeIOUnit();
}

}  // namespace
}  // namespace calmora
