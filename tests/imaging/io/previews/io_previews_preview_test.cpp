// Previews with fake codecs installed in the registry (they write the raw bitmap stream and
// report progress): the compressed size, the progress bar's course, the simulated results of
// palette formats, and the honest failure when a codec is missing or fails.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>
#include <set>

#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/io/formats/file_formats.h"
#include "imaging/io/previews/io_preview_pane.h"
#include "imaging/io/previews/io_previews.h"
#include "imaging/params/io_params.h"
#include "imaging/io/words/word_table.h"
#include "platform/dialogs.h"
#include "tests/imaging/support/raw_stream_codec.h"
#include "tests/support/qt_test_app.h"

namespace calmora {
namespace {

constexpr char kNoResultCaption[] = "Result can not be shown but parameters may be entered";

using test::RawStreamRead;
using test::RawStreamWrite;

// Writes a header's worth of bytes, then gives up, as a codec does on a format it cannot write.
void FailingWrite(TStream* stream, TPVBitmap*, TIOParamsVals&, TPVProgressRecord& progress) {
  const char header[16] = {};
  stream->Write(header, sizeof header);
  *progress.Aborting = true;
}

// Reads a little, then gives up, as a reader does on data it cannot decode.
void FailingRead(TStream* stream, TPVBitmap*, TIOParamsVals&, bool, TPVProgressRecord& progress) {
  char header[16];
  stream->Read(header, sizeof header);
  *progress.Aborting = true;
}

// A colourful 24-bit picture: many more than 256 colours.
void Paint(TPVBitmap& bitmap) {
  for (int y = 0; y < bitmap.GetHeight(); ++y)
    for (int x = 0; x < bitmap.GetWidth(); ++x)
      bitmap.SetPixel24(x, y, TPVRGB{static_cast<uint8_t>(x * 9), static_cast<uint8_t>(y * 7),
                                     static_cast<uint8_t>((x * y) & 255)});
}

class IOPreviewsPreview : public ::testing::Test {
 protected:
  void SetUp() override {
    FillWordTable();
    BuildFileFormatRegistry();
    Paint(source_);
    form_.Source = &source_;
  }
  void InstallFake(TPVFileFormatId id, TPVWriteFormatProc write, TPVReadFormatProc read) {
    TPVFileFormatInfo* entry = FindFileFormatInfo(id);
    ASSERT_NE(entry, nullptr);
    entry->WriteProc = write;
    entry->ReadProc = read;
  }
  void ActivateOn(TPVFileFormatId fileType) {
    params_.FileType = fileType;
    form_.SelectPages(kParamsPageOfFileType);
    form_.FormActivate();
  }
  int64_t RawSize() {
    TMemoryStream stream;
    EXPECT_TRUE(source_.SaveRawToStream(&stream));
    return stream.GetSize();
  }

  TPVBitmap source_{40, 30, pv24RGB};
  TIOParamsVals params_{nullptr};
  TfIOPreviews form_{params_};
};

TEST_F(IOPreviewsPreview, NoCodecMeansNoResultButParametersStillWork) {
  for (TPVFileFormatId id : {kFormatJPEG, kFormatTIFF, kFormatGIF, kFormatBMP, kFormatPCX,
                             kFormatPNG, kFormatTGA, kFormatJ2K}) {
    SCOPED_TRACE(id);
    form_.setWindowTitle("Parameters preview");
    ActivateOn(id);
    EXPECT_EQ(form_.CompressedSizeLabel()->text(), "---");
    EXPECT_EQ(form_.windowTitle(), kNoResultCaption);
    EXPECT_EQ(form_.Result->GetWidth(), 0);
    EXPECT_EQ(form_.PreviewCount, 0);
    EXPECT_EQ(form_.OriginalSizeLabel()->text(),
              QString::number(source_.GetRowLen() * source_.GetHeight()) + " bytes");
    form_.Button1Click();
    EXPECT_EQ(params_.FileType, id);
  }
}

// A preview shown first, then one whose save or read-back fails: the size goes back to "---",
// the earlier result disappears and the caption says why.
TEST_F(IOPreviewsPreview, FailedSaveOrLoadShowsNoResult) {
  struct Row {
    const char* name;
    TPVFileFormatId id;
    TPVWriteFormatProc write;
    TPVReadFormatProc read;
  };
  const Row rows[] = {{"save", kFormatBMP, &FailingWrite, nullptr},
                      {"load", kFormatJPEG, &RawStreamWrite, &FailingRead}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    InstallFake(row.id, &RawStreamWrite, &RawStreamRead);
    form_.setWindowTitle("Parameters preview");
    ActivateOn(row.id);
    ASSERT_EQ(form_.PreviewCount, 1);
    ASSERT_EQ(form_.Pictavo2->GetBitmap(), form_.Result.get());
    InstallFake(row.id, row.write, row.read);
    form_.MakePreview();
    EXPECT_EQ(form_.PreviewCount, 1);
    EXPECT_EQ(form_.CompressedSizeLabel()->text(), "---");
    EXPECT_EQ(form_.windowTitle(), kNoResultCaption);
    EXPECT_EQ(form_.Pictavo2->GetBitmap(), nullptr);
    EXPECT_EQ(form_.Result->GetWidth(), 0);
    EXPECT_EQ(form_.OriginalSizeLabel()->text(),
              QString::number(source_.GetRowLen() * source_.GetHeight()) + " bytes");
    form_.PreviewCount = 0;
  }
}

TEST_F(IOPreviewsPreview, JPEGPreviewShowsTheSavedSizeAndTheDecodedImage) {
  InstallFake(kFormatJPEG, &RawStreamWrite, &RawStreamRead);
  ActivateOn(kFormatJPEG);
  EXPECT_EQ(form_.PreviewCount, 1);
  EXPECT_EQ(form_.CompressedSizeLabel()->text(), QString::number(RawSize()) + " bytes");
  EXPECT_NE(form_.windowTitle(), kNoResultCaption);
  ASSERT_EQ(form_.Result->GetWidth(), source_.GetWidth());
  ASSERT_EQ(form_.Result->GetHeight(), source_.GetHeight());
  for (int y = 0; y < source_.GetHeight(); ++y)
    for (int x = 0; x < source_.GetWidth(); ++x)
      ASSERT_EQ(form_.Result->GetPixel24(x, y), source_.GetPixel24(x, y));
  // Saving runs the bar to 50, loading from 50 to 100, then it goes back to 0.
  const std::vector<int32_t> expected = {50, 100};
  EXPECT_EQ(form_.ProgressTrace, expected);
  EXPECT_EQ(form_.ProgressBar1->value(), 0);
}

TEST_F(IOPreviewsPreview, LockPreviewMakesAPreviewAfterEveryChange) {
  InstallFake(kFormatJPEG, &RawStreamWrite, &RawStreamRead);
  form_.DefaultLockPreview = true;
  ActivateOn(kFormatJPEG);
  EXPECT_FALSE(form_.Button3->isEnabled());
  const int32_t before = form_.PreviewCount;
  form_.Control<QLineEdit>("Edit22")->setText("20");
  EXPECT_EQ(form_.PreviewCount, before + 1);
  form_.Control<QLineEdit>("Edit22")->setText("20");
  EXPECT_EQ(form_.PreviewCount, before + 1);
}

TEST_F(IOPreviewsPreview, TIFFBlackIsZeroEightBitsIsGreyWithoutPalette) {
  InstallFake(kFormatTIFF, &RawStreamWrite, nullptr);
  ActivateOn(kFormatTIFF);
  form_.Control<QComboBox>("ComboBox3")->setCurrentIndex(1);
  form_.Control<QComboBox>("ComboBox4")->setCurrentIndex(2);
  ASSERT_EQ(form_.Working.BitsPerSample, 8);
  ASSERT_EQ(form_.Working.SamplesPerPixel, 1);
  form_.MakePreview();
  EXPECT_EQ(form_.CompressedSizeLabel()->text(), QString::number(RawSize()) + " bytes");
  EXPECT_EQ(form_.ResultParams->ColorMapCount, 0);
  EXPECT_EQ(form_.ResultParams->ColorMap, nullptr);
  for (int y = 0; y < source_.GetHeight(); ++y)
    for (int x = 0; x < source_.GetWidth(); ++x) {
      const TPVRGB pixel = form_.Result->GetPixelAsRGB(x, y);
      ASSERT_TRUE(pixel.r == pixel.g && pixel.g == pixel.b) << x << "," << y;
    }
}

TEST_F(IOPreviewsPreview, GIFFourBitsHasAtMostSixteenColoursAndASixteenEntryPalette) {
  InstallFake(kFormatGIF, &RawStreamWrite, nullptr);
  ActivateOn(kFormatGIF);
  form_.Control<QComboBox>("ComboBox5")->setCurrentIndex(3);
  form_.MakePreview();
  ASSERT_EQ(form_.ResultParams->ColorMapCount, 16);
  ASSERT_NE(form_.ResultParams->ColorMap, nullptr);
  std::set<std::tuple<int, int, int>> colours;
  for (int y = 0; y < form_.Result->GetHeight(); ++y)
    for (int x = 0; x < form_.Result->GetWidth(); ++x) {
      const TPVRGB pixel = form_.Result->GetPixelAsRGB(x, y);
      colours.insert({pixel.r, pixel.g, pixel.b});
    }
  EXPECT_GT(colours.size(), 1u);
  EXPECT_LE(colours.size(), 16u);
}

TEST_F(IOPreviewsPreview, ResultFollowsTheSourcesZoomAndOrigin) {
  InstallFake(kFormatJPEG, &RawStreamWrite, &RawStreamRead);
  TPVBitmap large(400, 300, pv24RGB);
  Paint(large);
  form_.Source = &large;
  ActivateOn(kFormatJPEG);
  TPreviewPane& source = *form_.Pictavo1;
  TPreviewPane& result = *form_.Pictavo2;
  EXPECT_EQ(source.GetBitmap(), &large);
  EXPECT_EQ(result.GetBitmap(), form_.Result.get());
  EXPECT_LT(source.GetZoom(), 100);  // fitted
  QWheelEvent wheel(QPointF(10, 10), source.mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 720),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(&source, &wheel);
  EXPECT_GT(source.GetZoom(), 100);
  QTest::mousePress(&source, Qt::LeftButton, Qt::NoModifier, QPoint(150, 120));
  QTest::mouseMove(&source, QPoint(100, 80));
  QTest::mouseRelease(&source, Qt::LeftButton, Qt::NoModifier, QPoint(100, 80));
  EXPECT_GT(source.GetViewX(), 0);
  EXPECT_GT(source.GetViewY(), 0);
  EXPECT_DOUBLE_EQ(result.GetZoom(), source.GetZoom());
  EXPECT_EQ(result.GetViewX(), source.GetViewX());
  EXPECT_EQ(result.GetViewY(), source.GetViewY());
  // A new preview keeps following.
  form_.MakePreview();
  EXPECT_DOUBLE_EQ(result.GetZoom(), source.GetZoom());
  EXPECT_EQ(result.GetViewX(), source.GetViewX());
  form_.Source = &source_;
}

// A palette panel whose result has no palette (no codec, or a true-colour result) asks the
// colour dialog, and the working colour follows what was picked there.
TEST_F(IOPreviewsPreview, PalettePanelsWithoutAPaletteOpenTheColourDialog) {
  struct Row {
    TPVFileFormatId page;
    const char* panel;
    TPVRGB TPreviewWorkingValues::*working;
  };
  const Row rows[] = {{kFormatGIF, "Panel3", &TPreviewWorkingValues::GIFTransparentColor},
                     {kFormatGIF, "Panel4", &TPreviewWorkingValues::GIFBackground},
                     {kFormatPNG, "Panel1", &TPreviewWorkingValues::PNGBackground},
                     {kFormatTGA, "Panel5", &TPreviewWorkingValues::TGABackground}};
  int asked = 0;
  platform::SetColorHook([&asked](const platform::ColorRequest&, uint32_t& color) {
    ++asked;
    color = 0x00336699;  // red 0x99, green 0x66, blue 0x33
    return true;
  });
  for (const Row& row : rows) {
    SCOPED_TRACE(row.panel);
    ActivateOn(row.page);
    const int before = asked;
    QFrame* panel = form_.Control<QFrame>(row.panel);
    panel->setEnabled(true);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(panel, &release);
    EXPECT_EQ(asked, before + 1);
    const TPVRGB picked = form_.Working.*row.working;
    EXPECT_EQ(picked.r, 0x99);
    EXPECT_EQ(picked.g, 0x66);
    EXPECT_EQ(picked.b, 0x33);
    EXPECT_TRUE(form_.Button4->isEnabled());
  }
  platform::SetColorHook(nullptr);
}

}  // namespace
}  // namespace calmora
