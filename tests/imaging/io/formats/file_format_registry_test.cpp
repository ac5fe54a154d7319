// The format registry: its 24 built-in entries exactly, the lookups by id and extension, and
// registering and unregistering.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "imaging/io/formats/file_formats.h"

namespace calmora {
namespace {

class FileFormatRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { BuildFileFormatRegistry(); }
  void TearDown() override { FreeFileFormatRegistry(); }
};

struct ExpectedEntry {
  TPVFileFormatId Id;
  const char* Description;
  const char* Extensions;
  bool Read, Write;
  TPVParamsPages Pages;
};

TEST_F(FileFormatRegistryTest, HoldsTheBuiltInFormatsInTheirOrder) {
  const ExpectedEntry expected[] = {
      {1, "TIFF Bitmap", "TIF;TIFF;FAX;G3N;G3F;XIF", true, true, 1 << 3},
      {2, "CompuServe Bitmap", "GIF", true, true, 1 << 4},
      {3, "JPEG Bitmap", "JPG;JPEG;JPE;JIF", true, true, 1 << 2},
      {4, "PaintBrush", "PCX", true, true, 1 << 6},
      {5, "Windows Bitmap", "BMP;DIB;RLE", true, true, 1 << 5},
      {6, "Windows Icon", "ICO", true, true, 0},
      {7, "Windows Cursor", "CUR", true, false, 0},
      {8, "Portable Network Graphics", "PNG", true, true, 1 << 7},
      {28, "DICOM Bitmap", "DCM;DIC;DICOM", true, false, 0},
      {9, "Windows Metafile", "WMF", true, false, 0},
      {10, "Enhanced Windows Metafile", "EMF", true, false, 0},
      {11, "Targa Bitmap", "TGA;TARGA;VDA;ICB;VST;PIX", true, true, 1 << 8},
      {12, "Portable Pixmap, GrayMap, BitMap", "PXM;PPM;PGM;PBM", true, true, 0},
      {16, "Wireless Bitmap", "WBMP", true, true, 0},
      {13, "JPEG2000", "JP2", true, true, 1 << 9},
      {14, "JPEG2000 Code Stream", "J2K;JPC;J2C", true, true, 1 << 9},
      {17, "PostScript Level 2", "PS;EPS", false, true, 0},
      {18, "Adobe PDF", "PDF", false, true, 0},
      {19, "Multipage PCX", "DCX", true, true, 0},
      {20, "Camera RAW", "CRW;CR2;NEF;RAW;PEF;RAF;X3F;BAY;ORF;SRF;MRW;DCR;SR2", true, false, 0},
      {24, "Photoshop PSD", "PSD", true, true, 0},
      {25, "Vectorial objects", "PVV", true, true, 0},
      {26, "Layers", "LYR", true, true, 0},
      {27, "Layers and objects", "ALL", true, true, 0},
  };
  ASSERT_EQ(FileFormatList.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    const TPVFileFormatInfo& entry = *FileFormatList[i];
    SCOPED_TRACE(expected[i].Description);
    EXPECT_EQ(entry.FileType, expected[i].Id);
    EXPECT_EQ(entry.Description, expected[i].Description);
    EXPECT_EQ(entry.Extensions, expected[i].Extensions);
    EXPECT_TRUE(entry.Internal);
    EXPECT_EQ(entry.DialogPages, expected[i].Pages);
    EXPECT_EQ(entry.ReadProc != nullptr, expected[i].Read);
    EXPECT_EQ(entry.WriteProc != nullptr, expected[i].Write);
    EXPECT_EQ(entry.TestProc, &FileFormatTestStub);
  }
}

TEST_F(FileFormatRegistryTest, BuildingAgainKeepsOneRegistry) {
  BuildFileFormatRegistry();
  EXPECT_EQ(FileFormatList.size(), 24u);
}

TEST_F(FileFormatRegistryTest, FindsEntriesById) {
  for (TPVFileFormatId missing : {0, 15, 21, 22, 23, 29, -1}) EXPECT_EQ(FindFileFormatInfo(missing), nullptr) << missing;
  ASSERT_NE(FindFileFormatInfo(28), nullptr);
  EXPECT_EQ(FindFileFormatInfo(28)->Description, "DICOM Bitmap");
}

TEST_F(FileFormatRegistryTest, CountsAndPicksExtensions) {
  EXPECT_EQ(GetFileExtCount(20), 13);
  EXPECT_EQ(GetFileExtCount(1), 6);
  EXPECT_EQ(GetFileExtCount(2), 1);
  EXPECT_EQ(GetFileExtCount(15), 0);
  EXPECT_EQ(GetFileExt(1, 0), "TIF");
  EXPECT_EQ(GetFileExt(1, 5), "XIF");
  EXPECT_EQ(GetFileExt(1, 6), "");
  EXPECT_EQ(GetFileExt(1, -1), "");
  EXPECT_EQ(GetFileExt(20, 12), "SR2");
  EXPECT_EQ(GetFileExt(21, 0), "");
}

TEST(SplitFileExtList, TakesTheFirstPieceOff) {
  std::string list = "TIF;TIFF;FAX";
  EXPECT_EQ(SplitFileExtList(list), "TIF");
  EXPECT_EQ(list, "TIFF;FAX");
  EXPECT_EQ(SplitFileExtList(list), "TIFF");
  EXPECT_EQ(SplitFileExtList(list), "FAX");
  EXPECT_EQ(list, "");
  EXPECT_EQ(SplitFileExtList(list), "");
  std::string leading = ";PNG";
  EXPECT_EQ(SplitFileExtList(leading), "");
  EXPECT_EQ(leading, "PNG");
}

TEST_F(FileFormatRegistryTest, FindsEntriesByExtensionExactly) {
  const TPVFileFormatInfo* jpeg = FindFileFormatInfo(3);
  for (const char* name : {".JPG", "jpg", ".jpg", "JpEg", "jif"})
    EXPECT_EQ(FindFileFormatByExt(name), jpeg) << name;
  EXPECT_EQ(FindFileFormatByExt("tif"), FindFileFormatInfo(1));
  EXPECT_EQ(FindFileFormatByExt("xif"), FindFileFormatInfo(1));
  for (const char* name : {"avi", "", ".", "..jpg", "jp", "jpgx", "*", "j?g", "tif;tiff"})
    EXPECT_EQ(FindFileFormatByExt(name), nullptr) << name;
  EXPECT_EQ(ExtensionToFileType(".DICOM"), 28);
  EXPECT_EQ(ExtensionToFileType("nef"), 20);
  EXPECT_EQ(ExtensionToFileType("avi"), 0);
}

std::unique_ptr<TPVFileFormatInfo> ExternalEntry(TPVFileFormatId id, const char* extensions) {
  auto entry = std::make_unique<TPVFileFormatInfo>();
  entry->FileType = id;
  entry->Description = "external";
  entry->Extensions = extensions;
  return entry;
}

TEST_F(FileFormatRegistryTest, RegistersAndUnregistersTheFirstEntryOfAnId) {
  RegisterFileFormat(ExternalEntry(90, "ABC"));
  RegisterFileFormat(ExternalEntry(90, "DEF"));
  EXPECT_EQ(FileFormatList.size(), 26u);
  EXPECT_EQ(FindFileFormatInfo(90)->Extensions, "ABC");  // the first of an id wins
  EXPECT_EQ(ExtensionToFileType("def"), 90);
  UnregisterFileFormat(90);
  EXPECT_EQ(FindFileFormatInfo(90)->Extensions, "DEF");
  UnregisterFileFormat(90);
  EXPECT_EQ(FindFileFormatInfo(90), nullptr);
  UnregisterFileFormat(90);  // nothing left: nothing happens
  EXPECT_EQ(FileFormatList.size(), 24u);
  // A second entry of a built-in id is never found while the first is there.
  RegisterFileFormat(ExternalEntry(8, "PNG2"));
  EXPECT_EQ(FindFileFormatInfo(8)->Description, "Portable Network Graphics");
  UnregisterFileFormat(8);
  EXPECT_EQ(FindFileFormatInfo(8)->Description, "external");
}

TEST_F(FileFormatRegistryTest, FreeingEmptiesTheList) {
  FreeFileFormatRegistry();
  EXPECT_TRUE(FileFormatList.empty());
  EXPECT_EQ(FindFileFormatInfo(1), nullptr);
  EXPECT_EQ(FindFileFormatByExt("tif"), nullptr);
}

}  // namespace
}  // namespace calmora
