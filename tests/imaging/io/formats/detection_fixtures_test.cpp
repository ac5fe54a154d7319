// The fixtures built byte by byte are what outside tools take them for: `file` names the
// metafiles, LibRaw's raw-identify accepts the camera raw file at 64 x 64 and refuses 16 x 16.
#include "tests/imaging/io/formats/detection_fixtures.h"

#include <gtest/gtest.h>

namespace calmora {
namespace {

std::string Saved(const test::ScratchFolder& folder, const std::string& name,
                  const std::string& bytes) {
  const std::string path = folder.File(name);
  EXPECT_TRUE(test::WriteFileBytes(path, bytes));
  return test::ShellQuoted(path);
}

TEST(DetectionFixtures, FileNamesTheMetafiles) {
  CALMORA_REQUIRE_TOOL("file");
  test::ScratchFolder folder;
  for (bool placeable : {false, true}) {
    const test::ToolResult result =
        test::RunTool("file -b " + Saved(folder, "a.wmf", test::WindowsMetafile(placeable)));
    EXPECT_EQ(result.Output.rfind("Windows metafile", 0), 0u) << result.Output;
  }
  const test::ToolResult result = test::RunTool("file -b " + Saved(folder, "a.emf", test::EnhancedMetafile()));
  EXPECT_EQ(result.Output.rfind("Windows Enhanced Metafile", 0), 0u) << result.Output;
}

TEST(DetectionFixtures, RawIdentifyAcceptsTheCameraRawFileAtACameraSize) {
  CALMORA_REQUIRE_TOOL("raw-identify");
  test::ScratchFolder folder;
  EXPECT_EQ(test::RunTool("raw-identify " + Saved(folder, "a.dng", test::CameraRawTIFF(64))).Status, 0);
  const test::ToolResult small = test::RunTool("raw-identify " + Saved(folder, "b.dng", test::CameraRawTIFF(16)));
  EXPECT_TRUE(small.Status != 0 || small.Output.find("Cannot") != std::string::npos) << small.Output;
}

}  // namespace
}  // namespace calmora
