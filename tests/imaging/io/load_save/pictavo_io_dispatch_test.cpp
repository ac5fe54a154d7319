// The I/O component's general entry points over one table of situations: a real registry path
// (the raw bitmap stream registered as an outside format), a format described in one place
// only, built-in formats whose codecs are missing or faked, unknown names and content, no
// working bitmap and unopenable files; and the stream save of every format id.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>

#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/core/bitmap/raw_bitmap_stream.h"
#include "imaging/io/formats/file_formats.h"
#include "imaging/io/formats/format_description.h"
#include "imaging/io/formats/format_detection.h"
#include "imaging/io/pictavo_io.h"
#include "imaging/io/load_save/pictavo_io_codecs.h"
#include "tests/imaging/io/formats/raw_bitmap_format.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/scoped_override.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {
namespace {

constexpr TPVFileFormatId kRawId = 100;

// A format known only by its description below: its bytes are a signature and the raw bitmap
// stream after it.
constexpr TPVFileFormatId kFakeId = 60;
const std::string kFakeSignature("FAKEFMT\0", 8);

int32_t FakeFormatRead(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                       TPVProgressRecord& Progress, std::unique_ptr<TPVMask>&) {
  std::string signature(kFakeSignature.size(), '\0');
  const bool signed_ = Stream.Read(signature.data(), static_cast<int32_t>(signature.size())) ==
                           static_cast<int32_t>(signature.size()) &&
                       signature == kFakeSignature;
  TPVBitmap scratch;
  TPVBitmap& target = ParamsOnly ? scratch : Bitmap;
  if (!signed_ || !target.LoadRawFromStream(&Stream)) {
    *Progress.Aborting = true;
    return 0;
  }
  Params.Width = target.GetWidth();
  return 1;
}
void FakeFormatWrite(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals&,
                     TPVProgressRecord& Progress, const TPVMask*) {
  Stream.WriteBuffer(kFakeSignature.data(), static_cast<int32_t>(kFakeSignature.size()));
  if (!Bitmap.SaveRawToStream(&Stream)) *Progress.Aborting = true;
}
bool HasFakeSignature(const TPVStreamHead& Head) {
  return Head.StartsWith(std::string_view(kFakeSignature.data(), kFakeSignature.size()));
}

constexpr TPVFormatDescription kFakeFormat = {.Id = kFakeId,
                                              .Text = "Fake format",
                                              .Extensions = "FKF;FAKE",
                                              .Readable = true,
                                              .Writable = true,
                                              .HeadTest = HasFakeSignature,
                                              .Read = FakeFormatRead,
                                              .Write = FakeFormatWrite,
                                              .SavedByName = true,
                                              .StreamSave = true,
                                              .ReadsParams = true,
                                              .Method = {.CanLoad = true, .CanSave = true}};

void FakeTGAWriter(TStream& Stream, TPVBitmap&, TIOParamsVals&, TPVProgressRecord&,
                   const TPVMask*) {
  Stream.WriteBuffer("TGA!", 4);
}

int32_t FakePSDReader(TStream&, TPVBitmap& Bitmap, TIOParamsVals&, bool, TPVProgressRecord&,
                      std::unique_ptr<TPVMask>&) {
  return Bitmap.Allocate(3, 2, pv24RGB) ? 1 : 0;
}
void FakePSDWriter(TStream& Stream, TPVBitmap&, TIOParamsVals&, TPVProgressRecord&,
                   const TPVMask*) {
  Stream.WriteBuffer("8BPS", 4);
}

// A Photoshop document header: version 1, 3 channels, 2 x 3 pixels, 8 bits, RGB.
const std::string kPSDHeader("8BPS\0\1\0\0\0\0\0\0\0\3\0\0\0\2\0\0\0\3\0\x08\0\3", 26);

std::u16string Wide(const std::string& text) { return {text.begin(), text.end()}; }

std::string FileBytes(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Dispatch : public ::testing::Test {
 public:
  void SetUp() override {
    BuildFileFormatRegistry();
    RegisterRawBitmapFormat(kRawId);
    ASSERT_TRUE(Picture.Allocate(7, 5, pv24RGB));
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 7; ++x)
        Picture.SetPixel24(x, y, TPVRGB{static_cast<uint8_t>(x * 30), static_cast<uint8_t>(y), 9});
    TMemoryStream raw;
    ASSERT_TRUE(Picture.SaveRawToStream(&raw));
    RawBytes.assign(static_cast<const char*>(raw.GetMemory()), static_cast<size_t>(raw.GetSize()));
    std::ofstream(RawFile, std::ios::binary) << RawBytes;
    std::ofstream(PngFile, std::ios::binary) << "\x89PNG\r\n\x1a\n not really";
    FakeBytes = kFakeSignature + RawBytes;
  }
  void TearDown() override { FreeFileFormatRegistry(); }

  ScratchFolder Folder{"calmora-dispatch"};
  TPVBitmap Picture;
  std::string RawBytes;
  std::string FakeBytes;  // the picture in the described fake format
  const std::string RawFile = Folder.File("picture.rwt");
  const std::string FakeFile = Folder.File("picture.fkf");
  const std::string PngFile = Folder.File("picture.png");
  const std::string OutFile = Folder.File("out");
};

// One situation: what it does, and what must hold afterwards.
struct Row {
  const char* name;
  std::function<void(TPictavoIO&, Dispatch&)> act;
  bool aborting;
  int finishes;
  TPVFileFormatId fileType;  // -1: not checked
  bool loadsPicture;
  bool throws = false;
  const char* outExtension = nullptr;  // the file that must exist (with bytes), or none
};

TEST_F(Dispatch, EveryEntryPointInEverySituation) {
  ScopedOverride<std::array<TPVCodecEntry, kCodecTableSize>> codecs(CodecTable, {});
  CodecTable[kFormatTGA] = {nullptr, FakeTGAWriter};
  CodecTable[kFormatPSD] = {FakePSDReader, FakePSDWriter};
  // Described after the table was emptied, so its adapters are the description's own; the
  // registry is built again to take its row.
  const TPVScopedFormatDescription fakeFormat(kFakeFormat);
  BuildFileFormatRegistry();
  RegisterRawBitmapFormat(kRawId);
  const std::string raw = RawFile, png = PngFile, out = OutFile, fake = FakeFile;
  const Row rows[] = {
      {"file load, registry path", [&](TPictavoIO& io, Dispatch&) { io.LoadFromFile(Wide(raw)); },
       false, 1, kRawId, true},
      {"file load, upper-case extension",
       [&](TPictavoIO& io, Dispatch&) {
         std::filesystem::copy_file(raw, out + ".RWT");
         io.LoadFromFile(Wide(out + ".RWT"));
       },
       false, 1, kRawId, true},
      {"file load, unknown extension",
       [&](TPictavoIO& io, Dispatch&) { io.LoadFromFile(Wide(out + ".zzz")); }, true, 1, -1, false},
      {"file load, empty name", [&](TPictavoIO& io, Dispatch&) { io.LoadFromFile(u""); }, true, 1,
       -1, false},
      {"file load, AVI", [&](TPictavoIO& io, Dispatch&) { io.LoadFromFile(Wide(out + ".AVI")); },
       true, 1, kFormatAVI, false},
      {"file load, URL",
       [&](TPictavoIO& io, Dispatch&) { io.LoadFromFile(u"http://example.invalid/a.png"); }, true,
       1, 0, false},
      {"file load, codec not built", [&](TPictavoIO& io, Dispatch&) { io.LoadFromFile(Wide(png)); },
       true, 1, -1, false},
      {"file load, missing file",
       [&](TPictavoIO& io, Dispatch&) { io.LoadFromFile(Wide(out + ".rwt")); }, true, 0, -1, false,
       true},
      {"file load, no working bitmap",
       [&](TPictavoIO& io, Dispatch&) {
         io.SetAttachedBitmap(nullptr);
         io.LoadFromFile(Wide(raw));
       },
       false, 0, 0, false},
      {"file load, by content",
       [&](TPictavoIO& io, Dispatch&) {
         std::filesystem::copy_file(raw, out + ".dat");
         io.LoadFromFileAuto(Wide(out + ".dat"));
       },
       false, 1, kRawId, true},
      {"file load by id",
       [&](TPictavoIO& io, Dispatch&) { io.LoadFromFileFormat(Wide(raw), kRawId); }, false, 1,
       kRawId, true},
      {"file load by unknown id",
       [&](TPictavoIO& io, Dispatch&) { io.LoadFromFileFormat(Wide(raw), 999); }, true, 1, -1,
       false},
      {"file load by a written-only id goes by name",
       [&](TPictavoIO& io, Dispatch&) { io.LoadFromFileFormat(Wide(raw), kFormatPDF); }, false, 1,
       kRawId, true},
      {"file load by id, missing file",
       [&](TPictavoIO& io, Dispatch&) { io.LoadFromFileFormat(Wide(out + ".rwt"), kRawId); }, true,
       1, -1, false, true},
      {"stream load by content",
       [&](TPictavoIO& io, Dispatch& t) {
         TPVMemStream stream(t.RawBytes.data(), static_cast<int64_t>(t.RawBytes.size()));
         io.LoadFromStream(&stream);
       },
       false, 1, kRawId, true},
      {"stream load of zeros",
       [&](TPictavoIO& io, Dispatch&) {
         const std::string zeros(64, '\0');
         TPVMemStream stream(zeros.data(), 64);
         io.LoadFromStream(&stream);
       },
       true, 1, -1, false},
      {"stream load by id",
       [&](TPictavoIO& io, Dispatch& t) {
         TPVMemStream stream(t.RawBytes.data(), static_cast<int64_t>(t.RawBytes.size()));
         io.LoadFromStreamFormat(&stream, kRawId);
       },
       false, 1, kRawId, true},
      {"stream load by unknown id",
       [&](TPictavoIO& io, Dispatch& t) {
         TPVMemStream stream(t.RawBytes.data(), static_cast<int64_t>(t.RawBytes.size()));
         io.LoadFromStreamFormat(&stream, 999);
       },
       true, 1, -1, false},
      {"buffer load",
       [&](TPictavoIO& io, Dispatch& t) {
         io.LoadFromBuffer(t.RawBytes.data(), static_cast<int64_t>(t.RawBytes.size()), 0);
       },
       false, 1, kRawId, true},
      {"file save, registry path",
       [&](TPictavoIO& io, Dispatch& t) {
         io.GetWorkBitmap()->Assign(&t.Picture);
         io.SaveToFile(Wide(out + ".rwt"));
       },
       false, 1, kRawId, false, false, ".rwt"},
      {"file save, .win is TGA",
       [&](TPictavoIO& io, Dispatch& t) {
         io.GetWorkBitmap()->Assign(&t.Picture);
         io.SaveToFile(Wide(out + ".win"));
       },
       false, 1, kFormatTGA, false, false, ".win"},
      {"file save, .pix is TGA",
       [&](TPictavoIO& io, Dispatch& t) {
         io.GetWorkBitmap()->Assign(&t.Picture);
         io.SaveToFile(Wide(out + ".pix"));
       },
       false, 1, kFormatTGA, false, false, ".pix"},
      {"file save, .psd is PSD",
       [&](TPictavoIO& io, Dispatch& t) {
         io.GetWorkBitmap()->Assign(&t.Picture);
         io.SaveToFile(Wide(out + ".psd"));
         EXPECT_EQ(FileBytes(out + ".psd"), "8BPS");
       },
       false, 1, kFormatPSD, false, false, ".psd"},
      {"file save, no writer (DICOM)",
       [&](TPictavoIO& io, Dispatch& t) {
         io.GetWorkBitmap()->Assign(&t.Picture);
         io.SaveToFile(Wide(out + ".dcm"));
       },
       true, 0, -1, false},
      {"file save, a view's layer file without a view",
       [&](TPictavoIO& io, Dispatch& t) {
         io.GetWorkBitmap()->Assign(&t.Picture);
         io.SaveToFile(Wide(out + ".lyr"));
       },
       true, 0, -1, false},
      {"file save, codec not built",
       [&](TPictavoIO& io, Dispatch& t) {
         io.GetWorkBitmap()->Assign(&t.Picture);
         io.SaveToFile(Wide(out + ".png"));
       },
       true, 1, -1, false},
      {"file save, no working bitmap",
       [&](TPictavoIO& io, Dispatch&) {
         io.SetAttachedBitmap(nullptr);
         io.SaveToFile(Wide(out + ".rwt"));
       },
       true, 1, -1, false},
      {"file save, uncreatable",
       [&](TPictavoIO& io, Dispatch& t) {
         io.GetWorkBitmap()->Assign(&t.Picture);
         io.SaveToFile(Wide(out + "/no/such/folder.rwt"));
       },
       true, 1, -1, false, true},
      {"stream save, registry path",
       [&](TPictavoIO& io, Dispatch& t) {
         io.GetWorkBitmap()->Assign(&t.Picture);
         TMemoryStream stream;
         io.SaveToStream(&stream, kRawId);
         EXPECT_EQ(std::string(static_cast<const char*>(stream.GetMemory()),
                               static_cast<size_t>(stream.GetSize())),
                   t.RawBytes);
       },
       false, 1, kRawId, false},
      {"stream save by the PSD id",
       [&](TPictavoIO& io, Dispatch& t) {
         io.GetWorkBitmap()->Assign(&t.Picture);
         TMemoryStream stream;
         io.SaveToStream(&stream, kFormatPSD);
         EXPECT_EQ(stream.GetSize(), 4);
       },
       false, 1, -1, false},
      {"stream load of PSD content",
       [&](TPictavoIO& io, Dispatch&) {
         TPVMemStream stream(kPSDHeader.data(), static_cast<int64_t>(kPSDHeader.size()));
         io.LoadFromStream(&stream);
         EXPECT_EQ(io.GetWorkBitmap()->GetWidth(), 3);
       },
       false, 1, kFormatPSD, false},
      {"file load by the PSD id",
       [&](TPictavoIO& io, Dispatch&) {
         std::ofstream(out + ".dat", std::ios::binary) << kPSDHeader;
         io.LoadFromFileFormat(Wide(out + ".dat"), kFormatPSD);
         EXPECT_EQ(io.Params->FileName, Wide(out + ".dat"));
       },
       false, 1, kFormatPSD, false},
      {"file load, described format, by extension",
       [&](TPictavoIO& io, Dispatch&) { io.LoadFromFile(Wide(fake)); }, false, 1, kFakeId, true},
      {"file load, described format, by content",
       [&](TPictavoIO& io, Dispatch&) {
         std::filesystem::copy_file(fake, out + ".dat");
         io.LoadFromFileAuto(Wide(out + ".dat"));
       },
       false, 1, kFakeId, true},
      {"file load, described format, by id",
       [&](TPictavoIO& io, Dispatch&) {
         std::filesystem::copy_file(fake, out + ".dat");
         io.LoadFromFileFormat(Wide(out + ".dat"), kFakeId);
       },
       false, 1, kFakeId, true},
      {"stream load, described format, by content",
       [&](TPictavoIO& io, Dispatch& t) {
         TPVMemStream stream(t.FakeBytes.data(), static_cast<int64_t>(t.FakeBytes.size()));
         io.LoadFromStream(&stream);
       },
       false, 1, kFakeId, true},
      {"stream load, described format, by id",
       [&](TPictavoIO& io, Dispatch& t) {
         TPVMemStream stream(t.FakeBytes.data(), static_cast<int64_t>(t.FakeBytes.size()));
         io.LoadFromStreamFormat(&stream, kFakeId);
       },
       false, 1, kFakeId, true},
      {"buffer load, described format",
       [&](TPictavoIO& io, Dispatch& t) {
         io.LoadFromBuffer(t.FakeBytes.data(), static_cast<int64_t>(t.FakeBytes.size()), 0);
       },
       false, 1, kFakeId, true},
      {"file save, described format, by extension",
       [&](TPictavoIO& io, Dispatch& t) {
         io.GetWorkBitmap()->Assign(&t.Picture);
         io.SaveToFile(Wide(out + ".fkf"));
         EXPECT_EQ(FileBytes(out + ".fkf"), t.FakeBytes);
       },
       false, 1, kFakeId, false, false, ".fkf"},
      {"stream save, described format",
       [&](TPictavoIO& io, Dispatch& t) {
         io.GetWorkBitmap()->Assign(&t.Picture);
         TMemoryStream stream;
         io.SaveToStream(&stream, kFakeId);
         EXPECT_EQ(std::string(static_cast<const char*>(stream.GetMemory()),
                               static_cast<size_t>(stream.GetSize())),
                   t.FakeBytes);
       },
       false, 1, -1, false},
      {"stream save, no writer (cursor)",
       [&](TPictavoIO& io, Dispatch& t) {
         io.GetWorkBitmap()->Assign(&t.Picture);
         TMemoryStream stream;
         io.SaveToStream(&stream, kFormatCUR);
       },
       true, 0, -1, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove_all(Folder.Path());
    std::filesystem::create_directories(Folder.Path());
    std::ofstream(RawFile, std::ios::binary) << RawBytes;
    std::ofstream(PngFile, std::ios::binary) << "\x89PNG\r\n\x1a\n not really";
    std::ofstream(FakeFile, std::ios::binary) << FakeBytes;
    TPictavoIO io(nullptr);
    int finishes = 0;
    io.OnFinishWork = [&finishes](TObject*) { ++finishes; };
    bool threw = false;
    try {
      row.act(io, *this);
    } catch (const std::exception&) {
      threw = true;
    }
    EXPECT_EQ(threw, row.throws);
    EXPECT_EQ(io.Aborting, row.aborting);
    EXPECT_EQ(finishes, row.finishes);
    if (row.fileType >= 0) {
      EXPECT_EQ(io.Params->FileType, row.fileType);
    }
    if (row.loadsPicture) {
      TPVBitmap& image = *io.GetWorkBitmap();
      ASSERT_EQ(image.GetWidth(), 7);
      ASSERT_EQ(image.GetHeight(), 5);
      EXPECT_EQ(image.GetPixel24(6, 4), Picture.GetPixel24(6, 4));
    }
    for (const char* extension : {".rwt", ".win", ".pix", ".dcm", ".lyr", ".png", ".psd", ".fkf"}) {
      const bool expected =
          row.outExtension != nullptr && std::strcmp(row.outExtension, extension) == 0;
      EXPECT_EQ(std::filesystem::exists(out + extension), expected) << extension;
    }
    if (row.outExtension != nullptr && std::strcmp(row.outExtension, ".rwt") == 0) {
      EXPECT_EQ(FileBytes(out + ".rwt"), RawBytes);  // byte-identical round trip
      EXPECT_EQ(io.Params->FileName, Wide(out + ".rwt"));
    }
  }
}

TEST_F(Dispatch, AFormatDescribedInOnePlaceIsKnownByContentExtensionAndParameters) {
  const TPVScopedFormatDescription fakeFormat(kFakeFormat);
  BuildFileFormatRegistry();
  const TPVFileFormatInfo* byExtension = FindFileFormatByExt("fake");
  ASSERT_NE(byExtension, nullptr);
  EXPECT_EQ(byExtension->FileType, kFakeId);
  EXPECT_EQ(byExtension->Description, "Fake format");
  EXPECT_TRUE(byExtension->Internal);
  TPVMemStream stream(FakeBytes.data(), static_cast<int64_t>(FakeBytes.size()));
  EXPECT_EQ(FindStreamFormat(&stream), kFakeId);
  EXPECT_EQ(stream.GetPosition(), 0);
  std::ofstream(FakeFile, std::ios::binary) << FakeBytes;
  EXPECT_EQ(FindFileFormat(Wide(FakeFile), true), kFakeId);
  TPictavoIO io(nullptr);
  io.ParamsFromFile(Wide(FakeFile));
  EXPECT_FALSE(io.Aborting);
  EXPECT_EQ(io.Params->FileType, kFakeId);
  EXPECT_EQ(io.Params->Width, 7);
  EXPECT_EQ(io.GetWorkBitmap()->GetWidth(), 0);  // only the parameters were read
}

TEST_F(Dispatch, AScopedDescriptionLeavesNothingBehind) {
  {
    const TPVScopedFormatDescription fakeFormat(kFakeFormat);
    EXPECT_NE(FormatDescriptionOf(kFakeId), nullptr);
    EXPECT_NE(CodecOf(kFakeId).Read, nullptr);
  }
  EXPECT_EQ(FormatDescriptionOf(kFakeId), nullptr);
  EXPECT_EQ(CodecOf(kFakeId).Read, nullptr);
  BuildFileFormatRegistry();
  EXPECT_EQ(FindFileFormatByExt("fkf"), nullptr);
  TPVMemStream stream(FakeBytes.data(), static_cast<int64_t>(FakeBytes.size()));
  EXPECT_EQ(FindStreamFormat(&stream), kFormatUnknown);
}

// The ids SaveToStream serves with its own per-format method, written out here rather than
// read off the descriptions, so that a description that loses or gains the stream save shows.
constexpr TPVFileFormatId kStreamSavedIds[] = {
    kFormatTIFF, kFormatGIF, kFormatJPEG, kFormatPCX,  kFormatBMP, kFormatICO,
    kFormatPNG,  kFormatTGA, kFormatPXM,  kFormatJP2,  kFormatJ2K, kFormatWBMP,
    kFormatPS,   kFormatPDF, kFormatDCX,  kFormatPSD,
};

int WriterCalls = 0;
void CountingWriter(TStream& Stream, TPVBitmap&, TIOParamsVals&, TPVProgressRecord&,
                    const TPVMask*) {
  ++WriterCalls;
  Stream.WriteBuffer("IMG", 3);
}

TEST_F(Dispatch, TheStreamSaveOfEveryFormatId) {
  std::array<TPVCodecEntry, kCodecTableSize> writers{};
  for (TPVCodecEntry& entry : writers) entry = {nullptr, CountingWriter};
  ScopedOverride<std::array<TPVCodecEntry, kCodecTableSize>> codecs(CodecTable, writers);
  for (TPVFileFormatId id = 0; id < kCodecTableSize; ++id) {
    SCOPED_TRACE(id);
    const bool served = std::find(std::begin(kStreamSavedIds), std::end(kStreamSavedIds), id) !=
                        std::end(kStreamSavedIds);
    TPictavoIO io(nullptr);
    io.GetWorkBitmap()->Assign(&Picture);
    int finishes = 0;
    io.OnFinishWork = [&finishes](TObject*) { ++finishes; };
    WriterCalls = 0;
    TMemoryStream stream;
    io.SaveToStream(&stream, id);
    EXPECT_EQ(io.Aborting, !served);
    EXPECT_EQ(finishes, served ? 1 : 0);
    EXPECT_EQ(WriterCalls, served ? 1 : 0);
    EXPECT_EQ(std::string(static_cast<const char*>(stream.GetMemory()),
                          static_cast<size_t>(stream.GetSize())),
              served ? "IMG" : "");
  }
}

TEST_F(Dispatch, CameraRawContentGoesToTheEntryThatClaimsTheExtension) {
  UnregisterFileFormat(kFormatCameraRaw);
  auto entry = std::make_unique<TPVFileFormatInfo>();
  entry->FileType = kRawId + 1;
  entry->Extensions = "RAW";
  entry->ReadProc = RawBitmapRead;
  RegisterFileFormat(std::move(entry));
  TPictavoIO io(nullptr);
  int finishes = 0;
  io.OnFinishWork = [&finishes](TObject*) { ++finishes; };
  TPVMemStream stream(RawBytes.data(), static_cast<int64_t>(RawBytes.size()));
  io.LoadFromStreamRAW(&stream);
  EXPECT_FALSE(io.Aborting);
  EXPECT_EQ(io.Params->FileType, kRawId + 1);
  EXPECT_EQ(io.GetWorkBitmap()->GetWidth(), 7);
  EXPECT_EQ(finishes, 1);
}

bool SawParamsOnly = false;
int32_t FakePNGParamsReader(TStream&, TPVBitmap&, TIOParamsVals& Params, bool ParamsOnly,
                            TPVProgressRecord&, std::unique_ptr<TPVMask>&) {
  SawParamsOnly = ParamsOnly;
  Params.Width = 33;
  return 1;
}

TEST_F(Dispatch, ParameterReadsLeaveTheImageAndCatchEveryFailure) {
  ScopedOverride<TPVCodecEntry> png(CodecTable[kFormatPNG], {FakePNGParamsReader, nullptr});
  ScopedOverride<TPVCodecEntry> gif(CodecTable[kFormatGIF], {});
  struct Case {
    const char* name;
    std::function<void(TPictavoIO&, Dispatch&)> act;
    bool aborting;
    TPVFileFormatId fileType;
    bool namesFile;
  };
  const std::string raw = RawFile, missing = OutFile + ".rwt";
  const Case cases[] = {
      {"file by content", [&](TPictavoIO& io, Dispatch&) { io.ParamsFromFile(Wide(raw)); }, false,
       kRawId, true},
      {"file by id", [&](TPictavoIO& io, Dispatch&) { io.ParamsFromFileFormat(Wide(raw), kRawId); },
       false, kRawId, true},
      {"missing file", [&](TPictavoIO& io, Dispatch&) { io.ParamsFromFile(Wide(missing)); }, true,
       0, true},
      {"stream by content",
       [&](TPictavoIO& io, Dispatch& t) {
         TPVMemStream stream(t.RawBytes.data(), static_cast<int64_t>(t.RawBytes.size()));
         io.ParamsFromStream(&stream);
       },
       false, kRawId, false},
      {"stream by id, faked codec",
       [&](TPictavoIO& io, Dispatch& t) {
         TPVMemStream stream(t.RawBytes.data(), 4);
         io.ParamsFromStreamFormat(&stream, kFormatPNG);
         EXPECT_TRUE(SawParamsOnly);
         EXPECT_EQ(io.Params->Width, 33);
       },
       false, kFormatPNG, false},
      {"stream by id, codec not built",
       [&](TPictavoIO& io, Dispatch& t) {
         TPVMemStream stream(t.RawBytes.data(), 4);
         io.ParamsFromStreamFormat(&stream, kFormatGIF);
       },
       true, 0, false},
      {"stream by unknown id",
       [&](TPictavoIO& io, Dispatch& t) {
         TPVMemStream stream(t.RawBytes.data(), 4);
         io.ParamsFromStreamFormat(&stream, 999);
       },
       true, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPictavoIO io(nullptr);
    ASSERT_TRUE(io.GetWorkBitmap()->Allocate(3, 2, pv8g));
    io.GetWorkBitmap()->Fill(44);
    int finishes = 0;
    io.OnFinishWork = [&finishes](TObject*) { ++finishes; };
    EXPECT_NO_THROW(c.act(io, *this));
    EXPECT_EQ(io.Aborting, c.aborting);
    EXPECT_EQ(io.Params->FileType, c.fileType);
    EXPECT_EQ(finishes, 1);
    EXPECT_EQ(io.Params->FileName.empty(), !c.namesFile);
    EXPECT_EQ(io.GetWorkBitmap()->GetWidth(), 3);  // the image is not read
    EXPECT_EQ(io.GetWorkBitmap()->GetPixel8(2, 1), 44);
  }
}

}  // namespace
}  // namespace calmora::test
