// The I/O component's per-format load and save methods driven by fake codecs: what each
// format's method does around its reader or writer, the stream header, the missing codec, and
// the failures that must lose nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/core/dpi_globals.h"
#include "imaging/core/mask/mask.h"
#include "imaging/io/pictavo_io.h"
#include "imaging/io/load_save/pictavo_io_codecs.h"
#include "tests/imaging/support/fake_pictavo_view.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/scoped_override.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {
namespace {

// What the fake codecs saw and what they answer.
struct FakeCodecState {
  int32_t ReadCalls = 0;
  int64_t ReadStartPosition = -1;
  std::string ReadBytes;  // everything the reader found from its start
  bool ReaderReturnsMask = true;
  bool ReaderFails = false;
  int32_t WriteCalls = 0;
  int64_t WriteStartPosition = -1;
  TPVPixelFormat WrittenFormat = pvNoFormat;
  int32_t WrittenWidth = 0;
  bool WriterGotMask = false;
  TICOSizes WrittenIconSizes{};
  TICOBitCounts WrittenIconBitCounts{};
  std::string Output = "ENCODED-DATA";
};
FakeCodecState Fake;

int32_t FakeReader(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params, bool,
                   TPVProgressRecord& Progress, std::unique_ptr<TPVMask>& Mask) {
  ++Fake.ReadCalls;
  Fake.ReadStartPosition = Stream.GetPosition();
  char buffer[256];
  Fake.ReadBytes.clear();
  for (int32_t got; (got = Stream.Read(buffer, sizeof buffer)) > 0;)
    Fake.ReadBytes.append(buffer, got);
  if (Fake.ReaderFails) {
    *Progress.Aborting = true;
    return 0;
  }
  EXPECT_TRUE(Bitmap.Allocate(5, 4, pv24RGB));
  Bitmap.Fill(0x112233);
  Params.Width = 5;
  Params.Height = 4;
  Params.SetDpiX(0);
  Params.SetDpiY(1);
  if (Fake.ReaderReturnsMask) {
    Mask = std::make_unique<TPVMask>();
    EXPECT_TRUE(Mask->Allocate(5, 4, 8));
    Mask->SetPixel(1, 1, 200);
  }
  return 3;
}

void FakeWriter(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params, TPVProgressRecord&,
                const TPVMask* Mask) {
  ++Fake.WriteCalls;
  Fake.WriteStartPosition = Stream.GetPosition();
  Fake.WrittenFormat = Bitmap.GetPixelFormat();
  Fake.WrittenWidth = Bitmap.GetWidth();
  Fake.WrittenIconSizes = Params.ICO_Sizes;
  Fake.WrittenIconBitCounts = Params.ICO_BitCounts;
  Fake.WriterGotMask = Mask != nullptr;
  Stream.WriteBuffer(Fake.Output.data(), static_cast<int32_t>(Fake.Output.size()));
}

// Installs the fakes for every id for the test's scope and resets their record.
class LoadSave : public ::testing::Test {
 protected:
  LoadSave() : codecs_(CodecTable, FakeTable()) { Fake = FakeCodecState(); }
  static std::array<TPVCodecEntry, kCodecTableSize> FakeTable() {
    std::array<TPVCodecEntry, kCodecTableSize> table{};
    for (TPVCodecEntry& entry : table) entry = {FakeReader, FakeWriter};
    return table;
  }
  void Listen(TPictavoIO& io) {
    io.OnFinishWork = [this](TObject*) { ++finishes_; };
  }
  static std::u16string Wide(const std::string& text) { return {text.begin(), text.end()}; }
  static std::string Bytes(TMemoryStream& stream) {
    return {static_cast<const char*>(stream.GetMemory()), static_cast<size_t>(stream.GetSize())};
  }

  ScopedOverride<std::array<TPVCodecEntry, kCodecTableSize>> codecs_;
  ScratchFolder folder_{"calmora-io"};
  int finishes_ = 0;
};

// Counts the resolution handed over whole (what the component does after a load).
struct DpiCountingView : FakePictavoView {
  int SetDpiCalls = 0;
  void SetDpi(int32_t X, int32_t Y) override {
    ++SetDpiCalls;
    FakePictavoView::SetDpi(X, Y);
  }
};

// Independently of the component's rows: what each format's load does around its reader.
struct LoadCase {
  TPVFileFormatId id;
  bool defaultDpi;     // 0 and 1 become the default
  bool mask;           // the reader's mask becomes alpha
  bool viewDpiFile;    // the view hears the resolution after a file load
  bool viewDpiStream;  // and after a stream load
};
const LoadCase kLoadCases[] = {
    {kFormatTIFF, true, true, true, true},          {kFormatJPEG, true, false, true, true},
    {kFormatPCX, true, false, true, true},          {kFormatBMP, true, true, true, true},
    {kFormatICO, true, true, true, false},          {kFormatCUR, true, true, true, false},
    {kFormatPNG, true, false, true, true},          {kFormatTGA, true, true, true, false},
    {kFormatPXM, true, false, false, false},        {kFormatJP2, true, false, true, true},
    {kFormatJ2K, true, false, true, true},          {kFormatWBMP, true, false, false, false},
    {kFormatDCX, true, false, true, true},          {kFormatCameraRaw, true, false, true, true},
    {kFormatRawPixels, false, false, false, false}, {kFormatDICOM, false, false, false, false},
    {kFormatPSD, true, false, true, true},
};

TEST_F(LoadSave, EachFormatsLoadDoesItsStepsAroundTheReader) {
  ScopedOverride<int32_t> x(DefaultDpiX, 300), y(DefaultDpiY, 300);
  for (const LoadCase& c : kLoadCases) {
    for (bool fromFile : {false, true}) {
      SCOPED_TRACE(std::to_string(c.id) + (fromFile ? " file" : " stream"));
      DpiCountingView view;
      TPictavoIO io(nullptr);
      io.SetAttachedPictavo(&view);
      Listen(io);
      finishes_ = 0;
      io.Params->TIFF_ImageDescription = "from before";
      const std::string name = folder_.File("in.bin");
      TMemoryStream data;
      data.WriteBuffer("content", 7);
      data.SaveToFile(name);
      data.SetPosition(0);
      const int32_t count =
          fromFile ? io.LoadFormatFromFile(c.id, Wide(name)) : io.LoadFormatFromStream(c.id, &data);
      EXPECT_EQ(count, 3);
      EXPECT_FALSE(io.Aborting);
      EXPECT_EQ(finishes_, 1);
      EXPECT_EQ(io.Params->TIFF_ImageDescription, "");  // old metadata cleared
      EXPECT_EQ(io.Params->FileType, c.id);
      EXPECT_EQ(io.Params->FileName, fromFile ? Wide(name) : u"");
      EXPECT_EQ(io.Params->DpiX, c.defaultDpi ? 300 : 0);
      EXPECT_EQ(io.Params->DpiY, c.defaultDpi ? 300 : 1);
      const bool viewHears = fromFile ? c.viewDpiFile : c.viewDpiStream;
      EXPECT_EQ(view.SetDpiCalls, viewHears ? 1 : 0);
      TPVBitmap& image = *io.GetWorkBitmap();
      EXPECT_EQ(image.GetWidth(), 5);
      ASSERT_EQ(image.HasAlphaChannel(), c.mask);
      if (c.mask) {
        EXPECT_EQ(image.GetAlphaChannel()->GetPixel8(1, 1), 200);
        EXPECT_EQ(image.GetAlphaChannel()->GetPixel8(0, 0), 0);
      }
      EXPECT_EQ(view.UpdateCount, 1);
    }
  }
}

TEST_F(LoadSave, AMissingOrFailingCodecFailsHonestly) {
  for (TPVFileFormatId id = 0; id < kCodecTableSize; ++id) {
    SCOPED_TRACE(id);
    ScopedOverride<TPVCodecEntry> missing(CodecTable[static_cast<size_t>(id)], {});
    TPictavoIO io(nullptr);
    Listen(io);
    finishes_ = 0;
    ASSERT_TRUE(io.GetWorkBitmap()->Allocate(3, 3, pv24RGB));
    TMemoryStream data;
    data.WriteBuffer("content", 7);
    data.SetPosition(0);
    io.LoadFormatFromStream(id, &data);
    EXPECT_TRUE(io.Aborting);
    EXPECT_EQ(finishes_, 1);
    TMemoryStream out;
    io.SaveFormatToStream(id, &out);
    EXPECT_TRUE(io.Aborting);
    EXPECT_EQ(out.GetSize(), 0);
    const std::string name = folder_.File("out" + std::to_string(id));
    io.SaveFormatToFile(id, Wide(name));
    EXPECT_TRUE(io.Aborting);
    EXPECT_FALSE(std::filesystem::exists(name));
    EXPECT_EQ(finishes_, 3);
  }
  Fake.ReaderFails = true;
  TPictavoIO io(nullptr);
  TMemoryStream data;
  data.WriteBuffer("x", 1);
  data.SetPosition(0);
  io.LoadFromStreamPNG(&data);
  EXPECT_TRUE(io.Aborting);
}

TEST_F(LoadSave, NoWorkingBitmapOrNoFileLosesNothing) {
  TPictavoIO io(nullptr);
  Listen(io);
  io.SetAttachedBitmap(nullptr);
  const std::string name = folder_.File("none.png");
  io.SaveToFilePNG(Wide(name));
  EXPECT_TRUE(io.Aborting);
  EXPECT_FALSE(std::filesystem::exists(name));
  TMemoryStream data;
  io.LoadFromStreamPNG(&data);
  EXPECT_TRUE(io.Aborting);
  EXPECT_EQ(Fake.ReadCalls + Fake.WriteCalls, 0);
  EXPECT_EQ(finishes_, 2);

  TPictavoIO other(nullptr);
  Listen(other);
  finishes_ = 0;
  EXPECT_ANY_THROW(other.LoadFromFilePNG(Wide(folder_.File("missing.png"))));
  EXPECT_TRUE(other.Aborting);
  EXPECT_EQ(finishes_, 1);
  EXPECT_EQ(other.Params->FileType, 0);
}

TEST_F(LoadSave, SavesConvertWhereTheirFormatNeedsIt) {
  struct Case {
    TPVFileFormatId id;
    bool toFile;
    TPVPixelFormat from, written;
  };
  for (const Case& c : {
           Case{kFormatPXM, true, pvRGB48, pvRGB48},
           Case{kFormatPXM, false, pvRGB48, pv24RGB},
           Case{kFormatJPEG, false, pv8g, pv24RGB},
           Case{kFormatJPEG, true, pv1g, pv1g},
           Case{kFormatGIF, false, pv8g, pv8g},
           Case{kFormatTIFF, true, pvCMYK, pvCMYK},
           Case{kFormatTGA, true, pv16g, pv24RGB},
           Case{kFormatBMP, false, pv32f, pv32f},
           Case{kFormatWBMP, true, pv8g, pv24RGB},
           Case{kFormatPDF, false, pvCMYK, pv24RGB},
           Case{kFormatPSD, true, pvCMYK, pvCMYK},
           Case{kFormatPSD, false, pv8g, pv8g},
       }) {
    SCOPED_TRACE(std::to_string(c.id) + (c.toFile ? " file" : " stream"));
    TPictavoIO io(nullptr);
    TPVBitmap caller;
    ASSERT_TRUE(caller.Allocate(4, 2, c.from));
    io.SetAttachedBitmap(&caller);
    TMemoryStream out;
    const std::string name = folder_.File("conv");
    if (c.toFile)
      io.SaveFormatToFile(c.id, Wide(name));
    else
      io.SaveFormatToStream(c.id, &out);
    EXPECT_FALSE(io.Aborting);
    EXPECT_EQ(Fake.WrittenFormat, c.written);
    EXPECT_EQ(caller.GetPixelFormat(), c.written);  // converted in place
    if (c.toFile) {
      EXPECT_EQ(io.Params->FileName, Wide(name));
      EXPECT_EQ(io.Params->FileType, c.id);
    }
  }
}

TEST_F(LoadSave, PNGLoadsSetTheBackgroundAndTheFileFormKeepsOneWithoutItsOwn) {
  const std::string name = folder_.File("in.png");
  TMemoryStream data;
  data.WriteBuffer("content", 7);
  data.SaveToFile(name);
  TPictavoIO io(nullptr);
  io.SetBackground(0x123456);
  io.Params->PNG_Background = TPVRGB{1, 2, 3};
  io.LoadFromFilePNG(Wide(name));  // the fake reader names no background
  EXPECT_EQ(io.GetBackground(), 0x123456u);
  EXPECT_EQ(io.Params->PNG_Background, (TPVRGB{0x12, 0x34, 0x56}));  // b, g, r
  io.Params->PNG_Background = TPVRGB{0xCC, 0xBB, 0xAA};
  data.SetPosition(0);
  io.LoadFromStreamPNG(&data);
  EXPECT_EQ(io.GetBackground(), 0xCCBBAAu);
}

TEST_F(LoadSave, MasksGoOnlyToWritersThatTakeThem) {
  for (TPVFileFormatId id : {kFormatPNG, kFormatTGA, kFormatBMP}) {
    TPictavoIO io(nullptr);
    ASSERT_TRUE(io.GetWorkBitmap()->Allocate(4, 2, pv24RGB));
    io.GetWorkBitmap()->GetAlphaChannel();
    TMemoryStream out;
    io.SaveFormatToStream(id, &out);
    EXPECT_EQ(Fake.WriterGotMask, id != kFormatBMP) << id;
  }
}

TEST_F(LoadSave, StreamHeadersFrameTheEncodedBytes) {
  TPictavoIO io(nullptr);
  ASSERT_TRUE(io.GetWorkBitmap()->Allocate(4, 2, pv24RGB));
  io.StreamHeaders = true;
  TMemoryStream out;
  out.WriteBuffer("lead", 4);
  io.SaveToStreamTIFF(&out);
  const std::string bytes = Bytes(out);
  ASSERT_EQ(bytes.size(), 4u + 12 + Fake.Output.size());
  EXPECT_EQ(bytes.substr(4, 5), std::string("TIFF\0", 5));
  uint32_t length = 0;
  std::memcpy(&length, bytes.data() + 4 + 8, 4);
  EXPECT_EQ(length, bytes.size() - 4 - 12);
  EXPECT_EQ(Fake.WriteStartPosition, 0);  // the writer wrote into a stream of its own
  EXPECT_EQ(bytes.substr(16), Fake.Output);

  // Without headers the TIFF data still start at the writer's 0, and land where asked.
  io.StreamHeaders = false;
  TMemoryStream plain;
  plain.WriteBuffer("0123456789", 10);
  io.SaveToStreamTIFF(&plain);
  EXPECT_EQ(Fake.WriteStartPosition, 0);
  EXPECT_EQ(Bytes(plain), "0123456789" + Fake.Output);
  // Other formats write in place.
  io.SaveToStreamPNG(&plain);
  EXPECT_EQ(Fake.WriteStartPosition, 10 + static_cast<int64_t>(Fake.Output.size()));
}

TEST_F(LoadSave, AJPEGStreamLoadEndsAfterItsHeadedData) {
  TMemoryStream data;
  data.WriteBuffer("xx", 2);
  const std::string header("JFIF\0\0\0\0\x05\0\0\0", 12);
  data.WriteBuffer(header.data(), 12);
  data.WriteBuffer("ABCDEtail", 9);
  data.SetPosition(2);
  TPictavoIO io(nullptr);
  io.LoadFromStreamJPEG(&data);
  EXPECT_FALSE(io.Aborting);
  EXPECT_EQ(Fake.ReadBytes, "ABCDE");
  EXPECT_EQ(data.GetPosition(), 2 + 12 + 5);
  // Without a header the reader starts where the stream stood.
  data.SetPosition(16);
  io.LoadFromStreamJPEG(&data);
  EXPECT_EQ(Fake.ReadBytes, "CDEtail");
}

TEST_F(LoadSave, TheOldPCXHeaderIsReadFromOffsetFour) {
  TMemoryStream data;
  data.WriteBuffer("PCX\0pixels", 10);
  data.SetPosition(0);
  TPictavoIO io(nullptr);
  io.StreamHeaders = true;
  io.LoadFromStreamPCX(&data);
  EXPECT_FALSE(io.Aborting);
  EXPECT_EQ(Fake.ReadBytes, "pixels");
}

TEST_F(LoadSave, HostileStreamHeadersAreBadData) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  for (const Case& c : {
           Case{"negative length", std::string("JFIF\0\0\0\0\xFF\xFF\xFF\xFF", 12)},
           Case{"past the end", std::string("JFIF\0\0\0\0\x10\0\0\0abc", 15)},
           Case{"huge", std::string("JFIF\0\0\0\0\xFF\xFF\xFF\x7F", 12)},
           Case{"cut short", std::string("JFIF\0\0\0", 7)},
       }) {
    SCOPED_TRACE(c.name);
    Fake.ReadCalls = 0;
    TMemoryStream data;
    data.WriteBuffer(c.bytes.data(), static_cast<int32_t>(c.bytes.size()));
    data.SetPosition(0);
    TPictavoIO io(nullptr);
    Listen(io);
    finishes_ = 0;
    io.LoadFromStreamJPEG(&data);
    EXPECT_TRUE(io.Aborting);
    EXPECT_EQ(finishes_, 1);
    EXPECT_EQ(Fake.ReadCalls, 0);
  }
  // A stream that must carry a header and does not.
  TMemoryStream data;
  data.WriteBuffer("not a header", 12);
  data.SetPosition(0);
  TPictavoIO io(nullptr);
  io.StreamHeaders = true;
  io.LoadFromStreamTIFF(&data);
  EXPECT_TRUE(io.Aborting);
  EXPECT_EQ(Fake.ReadCalls, 0);
}

TEST_F(LoadSave, ADCXStreamSaveWritesOnePageWhateverTheStreamHeld) {
  TPictavoIO io(nullptr);
  ASSERT_TRUE(io.GetWorkBitmap()->Allocate(4, 2, pv24RGB));
  TMemoryStream empty, full;
  const std::string filler(1000, 'z');
  full.WriteBuffer(filler.data(), 1000);
  io.SaveToStreamDCX(&empty);
  io.SaveToStreamDCX(&full);
  EXPECT_EQ(Bytes(full), Bytes(empty));
  EXPECT_EQ(Bytes(full), Fake.Output);
}

TEST_F(LoadSave, FileSavesCreateTheFileOnlyWhenTheyCanWrite) {
  // A format that makes its file first leaves an empty file without a usable bitmap; the
  // others make none.
  struct Case {
    TPVFileFormatId id;
    bool createsFirst;
  };
  for (const Case& c : {Case{kFormatGIF, true}, Case{kFormatPSD, true}, Case{kFormatPNG, false}}) {
    SCOPED_TRACE(c.id);
    TPictavoIO io(nullptr);
    Listen(io);
    finishes_ = 0;
    io.SetAttachedBitmap(nullptr);
    const std::string name = folder_.File("a" + std::to_string(c.id));
    io.SaveFormatToFile(c.id, Wide(name));
    EXPECT_TRUE(io.Aborting);
    EXPECT_EQ(finishes_, 1);
    ASSERT_EQ(std::filesystem::exists(name), c.createsFirst);
    if (c.createsFirst) {
      EXPECT_EQ(std::filesystem::file_size(name), 0u);
    }
  }
  EXPECT_EQ(Fake.WriteCalls, 0);
}

// A view with three layers, the top one current.
struct ThreeLayerView : FakePictavoView {
  ThreeLayerView() {
    EXPECT_TRUE(Layers[0]->Bitmap->Allocate(6, 3, pv8g));
    LayersAdd();
    LayersAdd();
    EXPECT_TRUE(Layers[2]->Bitmap->Allocate(2, 2, pv24RGB));
  }
  // Draws the layers as a real view would, in its own pixel format.
  void LayersDrawTo(TPVBitmap& Bitmap) override {
    EXPECT_TRUE(Bitmap.Allocate(6, 3, pv24RGB));
    Bitmap.Fill(0x445566);
  }
};

TEST_F(LoadSave, APSDLoadClearsTheViewsLayersOnlyWhenItBringsItsOwnInTheirPlace) {
  struct Case {
    bool loadLayers, replaceLayers;
    int32_t layersAfter;
  };
  for (const Case& c : {Case{true, true, 1}, Case{true, false, 3}, Case{false, true, 3}}) {
    for (bool fromFile : {false, true}) {
      SCOPED_TRACE(std::to_string(c.loadLayers) + std::to_string(c.replaceLayers) +
                   (fromFile ? " file" : " stream"));
      ThreeLayerView view;
      TPictavoIO io(nullptr);
      io.SetAttachedPictavo(&view);
      Listen(io);
      finishes_ = 0;
      io.Params->PSD_LoadLayers = c.loadLayers;
      io.Params->PSD_ReplaceLayers = c.replaceLayers;
      const std::string name = folder_.File("in.psd");
      TMemoryStream data;
      data.WriteBuffer("content", 7);
      data.SaveToFile(name);
      data.SetPosition(0);
      if (fromFile)
        io.LoadFromFilePSD(Wide(name));
      else
        io.LoadFromStreamPSD(&data);
      EXPECT_FALSE(io.Aborting);
      EXPECT_EQ(finishes_, 1);
      EXPECT_EQ(io.Params->FileType, kFormatPSD);
      ASSERT_EQ(view.GetLayersCount(), c.layersAfter);
      // The picture lands in the view's current layer, whichever that is after the clear.
      EXPECT_EQ(view.GetPVBitmap()->GetWidth(), 5);
      EXPECT_EQ(io.GetWorkBitmap(), view.GetPVBitmap());
    }
  }
}

TEST_F(LoadSave, APSDSaveWritesTheCompositeOfALayeredViewInTheBottomLayersFormat) {
  for (bool toFile : {false, true}) {
    SCOPED_TRACE(toFile ? "file" : "stream");
    ThreeLayerView view;
    TPictavoIO io(nullptr);
    io.SetAttachedPictavo(&view);
    const std::string name = folder_.File("out.psd");
    TMemoryStream out;
    if (toFile)
      io.SaveToFilePSD(Wide(name));
    else
      io.SaveToStreamPSD(&out);
    EXPECT_FALSE(io.Aborting);
    EXPECT_EQ(Fake.WrittenWidth, 6);  // not the current layer's 2
    EXPECT_EQ(Fake.WrittenFormat, pv8g);
    EXPECT_EQ(view.Layers[2]->Bitmap->GetPixelFormat(), pv24RGB);  // the view is left alone
    EXPECT_EQ(view.GetLayersCount(), 3);
  }
  // Layers that draw nothing leave nothing to write.
  FakePictavoView empty;
  TPictavoIO io(nullptr);
  io.SetAttachedPictavo(&empty);
  TMemoryStream out;
  Fake.WriteCalls = 0;
  io.SaveToStreamPSD(&out);
  EXPECT_TRUE(io.Aborting);
  EXPECT_EQ(Fake.WriteCalls, 0);
}

TEST_F(LoadSave, AnIconSaveWritesOnlyTheSizesBeforeTheFirstZero) {
  for (bool toFile : {false, true}) {
    SCOPED_TRACE(toFile ? "file" : "stream");
    TPictavoIO io(nullptr);
    ASSERT_TRUE(io.GetWorkBitmap()->Allocate(4, 4, pv24RGB));
    TICOSizes sizes{};
    sizes[0] = {16, 16};
    sizes[1] = {32, 32};
    sizes[3] = {48, 48};  // after the end of the list
    const TICOBitCounts bitCounts{8, 24, 4, 32};
    io.Params->ICO_Sizes = sizes;
    io.Params->ICO_BitCounts = bitCounts;
    TMemoryStream out;
    if (toFile)
      io.SaveToFileICO(Wide(folder_.File("out.ico")));
    else
      io.SaveToStreamICO(&out);
    EXPECT_FALSE(io.Aborting);
    TICOSizes seenSizes{};
    seenSizes[0] = {16, 16};
    seenSizes[1] = {32, 32};
    EXPECT_EQ(Fake.WrittenIconSizes, seenSizes);
    EXPECT_EQ(Fake.WrittenIconBitCounts, (TICOBitCounts{8, 24}));
    // The caller's lists are as they were.
    EXPECT_EQ(io.Params->ICO_Sizes, sizes);
    EXPECT_EQ(io.Params->ICO_BitCounts, bitCounts);
  }
}

}  // namespace
}  // namespace calmora::test
