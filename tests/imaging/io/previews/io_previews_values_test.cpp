// The dialog's working values: the page set, the TIFF compression list with and without an
// LZW encoder, what OK writes back for every page, Apply, Cancel and page changes, all driven
// through the controls.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <functional>
#include <string>

#include "imaging/io/formats/file_formats.h"
#include "imaging/io/previews/io_previews.h"
#include "imaging/params/io_params.h"
#include "imaging/params/lzw_defaults.h"
#include "imaging/io/words/word_table.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/scoped_override.h"

namespace calmora {
namespace {

void FakeLZWEncoder(const uint8_t*, int32_t, TStream*, void*&) {}

class IOPreviewsValues : public ::testing::Test {
 public:
  void SetUp() override {
    FillWordTable();
    BuildFileFormatRegistry();
  }
  TfIOPreviews& Form() { return form_; }
  // Opens the dialog on the page of a file type, the way the I/O component does.
  void ActivateOn(TPVFileFormatId fileType) {
    params_.FileType = fileType;
    ASSERT_TRUE(form_.SelectPages(kParamsPageOfFileType));
    form_.FormActivate();
  }
  void SetText(const char* name, const char* text) {
    form_.Control<QLineEdit>(name)->setText(QString::fromUtf8(text));
  }
  void SetIndex(const char* name, int index) { form_.Control<QComboBox>(name)->setCurrentIndex(index); }
  void SetChecked(const char* name, bool value) { form_.Control<QCheckBox>(name)->setChecked(value); }

 protected:
  TIOParamsVals params_{nullptr};
  TfIOPreviews form_{params_};
};

TEST_F(IOPreviewsValues, SelectPagesAddsThePageOfTheFileType) {
  const std::pair<TPVFileFormatId, TPVParamsPages> rows[] = {
      {kFormatTIFF, kParamsPageTIFF}, {kFormatGIF, kParamsPageGIF},
      {kFormatJPEG, kParamsPageJPEG}, {kFormatPCX, kParamsPagePCX},
      {kFormatBMP, kParamsPageBMP},   {kFormatPNG, kParamsPagePNG},
      {kFormatTGA, kParamsPageTGA},   {kFormatJP2, kParamsPageJPEG2000},
      {kFormatJ2K, kParamsPageJPEG2000}, {kFormatUnknown, 0},
      {kFormatICO, 0},                {kFormatPSD, 0}};
  for (const auto& [fileType, added] : rows) {
    params_.FileType = fileType;
    EXPECT_EQ(form_.SelectPages(kParamsPageOfFileType), added != 0) << fileType;
    EXPECT_EQ(form_.Pages, kParamsPageOfFileType | added) << fileType;
    EXPECT_TRUE(form_.SelectPages(kParamsPageBMP)) << fileType;
    EXPECT_EQ(form_.Pages, kParamsPageBMP) << fileType;
  }
}

TEST_F(IOPreviewsValues, OnlyThePageOfTheFileTypeIsShown) {
  ActivateOn(kFormatJPEG);
  for (int i = 0; i < kPreviewPageCount; ++i)
    EXPECT_EQ(form_.PageControl1->isTabVisible(i), i == 0) << i;
  EXPECT_EQ(form_.ActivePage(), TPreviewPage::kJPEG1);
}

// Every column of the compression table: value -> index and index -> value, with and without
// an LZW encoder.
TEST_F(IOPreviewsValues, CompressionListMapping) {
  struct Row {
    int value, indexWithLZW, indexWithout;
  };
  const Row toIndex[] = {{0, 0, 0}, {6, 0, 0}, {10, 0, 0}, {11, 0, 0}, {1, 1, 1}, {2, 2, 2},
                         {3, 3, 3}, {4, 4, 4}, {5, 5, 6},  {7, 6, 5},  {8, 7, 6},  {9, 8, 7}};
  const int withLZW[] = {0, 1, 2, 3, 4, 5, 7, 8, 9};
  const int without[] = {0, 1, 2, 3, 4, 7, 8, 9, 0};
  {
    test::ScopedOverride<TTIFFLZWCompressProc> encoder(DefaultTIFFLZWCompress, &FakeLZWEncoder);
    ASSERT_TRUE(TfIOPreviews::LZWAvailable());
    for (const Row& row : toIndex)
      EXPECT_EQ(TfIOPreviews::CompressionToIndex(row.value), row.indexWithLZW) << row.value;
    for (int index = 0; index < 9; ++index)
      EXPECT_EQ(TfIOPreviews::IndexToCompression(index), withLZW[index]) << index;
    ActivateOn(kFormatTIFF);
    EXPECT_EQ(form_.ComboBox2->count(), 9);
    EXPECT_EQ(form_.ComboBox2->itemText(5), "LZW");
  }
  test::ScopedOverride<TTIFFLZWCompressProc> encoder(DefaultTIFFLZWCompress, nullptr);
  ASSERT_FALSE(TfIOPreviews::LZWAvailable());
  for (const Row& row : toIndex)
    EXPECT_EQ(TfIOPreviews::CompressionToIndex(row.value), row.indexWithout) << row.value;
  for (int index = 0; index < 9; ++index)
    EXPECT_EQ(TfIOPreviews::IndexToCompression(index), without[index]) << index;
  form_.FormActivate();
  EXPECT_EQ(form_.ComboBox2->count(), 8);
  EXPECT_EQ(form_.ComboBox16->count(), 8);
  EXPECT_EQ(form_.ComboBox2->findText("LZW"), -1);
}

TEST_F(IOPreviewsValues, LZWWithoutAnEncoderIsShownAndWrittenAsPackBits) {
  test::ScopedOverride<TTIFFLZWCompressProc> encoder(DefaultTIFFLZWCompress, nullptr);
  params_.TIFF_Compression = 5;
  ActivateOn(kFormatTIFF);
  EXPECT_EQ(form_.ComboBox2->currentText(), "PACKBITS");
  form_.Button1Click();
  EXPECT_EQ(params_.TIFF_Compression, 8);
}

// One page's edits through its controls and what OK writes into the record.
struct WriteBack {
  const char* title;
  TPVFileFormatId openOn;
  std::function<void(IOPreviewsValues&)> edit;
  std::function<void(const TIOParamsVals&)> check;
  TPVFileFormatId fileType;
};

class IOPreviewsWriteBack : public IOPreviewsValues {
 public:
  void Run(const WriteBack& row) {
    SCOPED_TRACE(row.title);
    params_.SamplesPerPixel = 3;
    params_.BitsPerSample = 8;
    ActivateOn(row.openOn);
    row.edit(*this);
    params_.FileType = kFormatUnknown;
    form_.Button1Click();
    row.check(params_);
    EXPECT_EQ(params_.FileType, row.fileType);
  }
};

TEST_F(IOPreviewsWriteBack, EveryPageWritesItsFieldsAndFileType) {
  const WriteBack rows[] = {
      {"JPEG", kFormatJPEG,
       [](IOPreviewsValues& t) {
         t.SetText("Edit22", "37");
         t.SetIndex("ComboBox1", 2);
         t.SetText("Edit23", "12");
         t.SetIndex("ComboBox13", 1);
         t.SetChecked("CheckBox2", true);
         t.SetChecked("CheckBox3", true);
       },
       [](const TIOParamsVals& p) {
         EXPECT_EQ(p.JPEG_Quality, 37);
         EXPECT_EQ(p.JPEG_DCTMethod, 2);
         EXPECT_EQ(p.JPEG_Smoothing, 12);
         EXPECT_EQ(p.JPEG_ColorSpace, 1);
         EXPECT_TRUE(p.JPEG_OptimalHuffman);
         EXPECT_TRUE(p.JPEG_Progressive);
       },
       kFormatJPEG},
      {"JPEG quality of letters", kFormatJPEG, [](IOPreviewsValues& t) { t.SetText("Edit22", "abc"); },
       [](const TIOParamsVals& p) { EXPECT_EQ(p.JPEG_Quality, 50); }, kFormatJPEG},
      {"TIFF", kFormatTIFF,
       [](IOPreviewsValues& t) {
         t.SetIndex("ComboBox2", t.Form().ComboBox2->findText("ZIP"));
         t.SetIndex("ComboBox3", 1);
         t.SetIndex("ComboBox4", 2);
         t.SetText("Edit1", "3");
         t.SetText("Edit2", "4");
         t.SetText("Edit3", "5");
         t.SetText("Edit4", "doc");
         t.SetText("Edit5", "about");
         t.SetText("Edit6", "page");
         t.SetText("Edit7", "2");
         t.SetText("Edit8", "x");
       },
       [](const TIOParamsVals& p) {
         EXPECT_EQ(p.TIFF_Compression, 9);
         EXPECT_EQ(p.TIFF_Photometric, 1);
         EXPECT_EQ(p.SamplesPerPixel, 1);
         EXPECT_EQ(p.BitsPerSample, 8);
         EXPECT_EQ(p.TIFF_ImageIndex, 3);
         EXPECT_EQ(p.ImageIndex, 3);
         EXPECT_EQ(p.TIFF_XPos, 4);
         EXPECT_EQ(p.TIFF_YPos, 5);
         EXPECT_EQ(p.TIFF_DocumentName, "doc");
         EXPECT_EQ(p.TIFF_ImageDescription, "about");
         EXPECT_EQ(p.TIFF_PageName, "page");
         EXPECT_EQ(p.TIFF_PageNumber, 2);
         EXPECT_EQ(p.TIFF_PageCount, 0);
       },
       kFormatTIFF},
      {"GIF 4 bits", kFormatGIF,
       [](IOPreviewsValues& t) {
         t.SetIndex("ComboBox5", 3);
         t.SetChecked("CheckBox4", true);
         t.SetChecked("CheckBox5", true);
         t.SetText("Edit9", "2");
         t.SetText("Edit10", "7");
         t.SetText("Edit11", "8");
         t.SetText("Edit12", "25");
       },
       [](const TIOParamsVals& p) {
         EXPECT_EQ(p.BitsPerSample, 4);
         EXPECT_EQ(p.SamplesPerPixel, 3);
         EXPECT_TRUE(p.GIF_Transparent);
         EXPECT_TRUE(p.GIF_Interlaced);
         EXPECT_EQ(p.GIF_ImageIndex, 2);
         EXPECT_EQ(p.ImageIndex, 2);
         EXPECT_EQ(p.GIF_XPos, 7);
         EXPECT_EQ(p.GIF_YPos, 8);
         EXPECT_EQ(p.GIF_DelayTime, 25);
       },
       kFormatGIF},
      {"BMP 16M (32bit)", kFormatBMP,
       [](IOPreviewsValues& t) {
         t.SetIndex("ComboBox7", 4);
         t.SetIndex("ComboBox6", 1);
       },
       [](const TIOParamsVals& p) {
         EXPECT_EQ(p.BitsPerSample, 8);
         EXPECT_EQ(p.SamplesPerPixel, 3);
         EXPECT_EQ(p.BMP_Compression, 1);
       },
       kFormatBMP},
      {"BMP 16", kFormatBMP, [](IOPreviewsValues& t) { t.SetIndex("ComboBox7", 1); },
       [](const TIOParamsVals& p) {
         EXPECT_EQ(p.BitsPerSample, 4);
         EXPECT_EQ(p.SamplesPerPixel, 1);
       },
       kFormatBMP},
      {"PCX", kFormatPCX,
       [](IOPreviewsValues& t) {
         t.SetIndex("ComboBox9", 0);
         t.SetIndex("ComboBox8", 0);
       },
       [](const TIOParamsVals& p) {
         EXPECT_EQ(p.BitsPerSample, 1);
         EXPECT_EQ(p.SamplesPerPixel, 1);
         EXPECT_EQ(p.PCX_Compression, 0);
       },
       kFormatPCX},
      {"PNG", kFormatPNG,
       [](IOPreviewsValues& t) {
         t.SetIndex("ComboBox10", 1);
         t.SetIndex("ComboBox11", 2);
         t.SetChecked("CheckBox6", true);
         t.SetIndex("ComboBox12", 9);
       },
       [](const TIOParamsVals& p) {
         EXPECT_EQ(p.BitsPerSample, 8);
         EXPECT_EQ(p.SamplesPerPixel, 1);
         EXPECT_EQ(p.PNG_Filter, 2);
         EXPECT_TRUE(p.PNG_Interlaced);
         EXPECT_EQ(p.PNG_Compression, 9);
       },
       kFormatPNG},
      {"TGA", kFormatTGA,
       [](IOPreviewsValues& t) {
         t.SetIndex("ComboBox14", 0);
         t.SetChecked("CheckBox1", false);
         t.SetText("Edit13", "name");
         t.SetText("Edit14", "descriptor");
       },
       [](const TIOParamsVals& p) {
         EXPECT_EQ(p.BitsPerSample, 1);
         EXPECT_EQ(p.SamplesPerPixel, 1);
         EXPECT_FALSE(p.TGA_Compressed);
         EXPECT_EQ(p.TGA_ImageName, "name");
         EXPECT_EQ(p.TGA_Descriptor, "descriptor");
       },
       kFormatTGA},
      {"JPEG 2000 rate 250, grey", kFormatJ2K,
       [](IOPreviewsValues& t) {
         t.SetText("Edit15", "250");
         t.SetIndex("ComboBox15", 0);
       },
       [](const TIOParamsVals& p) {
         EXPECT_DOUBLE_EQ(p.J2000_Rate, 0.25);
         EXPECT_EQ(p.J2000_ColorSpace, 0);
         EXPECT_EQ(p.BitsPerSample, 8);
         EXPECT_EQ(p.SamplesPerPixel, 1);
       },
       kFormatJ2K},
      {"JPEG 2000 YCbCr", kFormatJP2, [](IOPreviewsValues& t) { t.SetIndex("ComboBox15", 2); },
       [](const TIOParamsVals& p) {
         EXPECT_EQ(p.J2000_ColorSpace, 2);
         EXPECT_EQ(p.SamplesPerPixel, 3);
       },
       kFormatJ2K},
  };
  for (const WriteBack& row : rows) {
    params_.SetDefaults();
    Run(row);
  }
}

// The TIFF page's photometric and colours lists keep each other consistent: the list the user
// did not touch follows. Starts from RGB, 3 samples of 8 bits ("16M").
TEST_F(IOPreviewsValues, TIFFListsFollowEachOther) {
  struct Row {
    const char* list;
    int index;
    int photometric, colors, samples, bits;
  };
  const Row rows[] = {
      {"ComboBox3", 0, 0, 2, 1, 8},  // WhiteIsZero: 16M becomes 256
      {"ComboBox3", 5, 5, 4, 4, 8},  // CMYK: four samples
      {"ComboBox3", 3, 3, 2, 1, 8},  // RGB palette: 256
      {"ComboBox3", 4, 4, 4, 3, 8},  // transparency mask changes nothing
      {"ComboBox3", 7, 7, 4, 3, 8},  // CIELab: 16M
      {"ComboBox4", 0, 1, 0, 1, 1},  // B/W lowers RGB to BlackIsZero
      {"ComboBox4", 1, 3, 1, 1, 4},  // 16 sets RGB palette
      {"ComboBox4", 2, 3, 2, 1, 8},  // 256 turns RGB into RGB palette
      {"ComboBox4", 3, 2, 3, 1, 16},  // 65536 keeps RGB
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.list) + " -> " + std::to_string(row.index));
    params_.SetDefaults();
    ActivateOn(kFormatTIFF);
    ASSERT_EQ(form_.Control<QComboBox>("ComboBox4")->currentIndex(), 4);
    SetIndex(row.list, row.index);
    EXPECT_EQ(form_.Control<QComboBox>("ComboBox3")->currentIndex(), row.photometric);
    EXPECT_EQ(form_.Control<QComboBox>("ComboBox4")->currentIndex(), row.colors);
    EXPECT_EQ(form_.Working.TIFFPhotometric, row.photometric);
    EXPECT_EQ(form_.Working.SamplesPerPixel, row.samples);
    EXPECT_EQ(form_.Working.BitsPerSample, row.bits);
  }
}

TEST_F(IOPreviewsValues, SimplifiedTIFFCompressionAndColoursAgree) {
  form_.SetSimplified(true, 96);
  ActivateOn(kFormatTIFF);
  ASSERT_EQ(form_.ActivePage(), TPreviewPage::kTIFF2);
  SetIndex("ComboBox16", 1);  // CCITT 1D: bilevel only
  EXPECT_EQ(form_.Control<QComboBox>("ComboBox17")->currentIndex(), 0);
  EXPECT_EQ(form_.Working.TIFFPhotometric, 1);
  EXPECT_EQ(form_.Working.SamplesPerPixel, 1);
  EXPECT_EQ(form_.Working.BitsPerSample, 1);
  SetIndex("ComboBox17", 1);  // 16 colours cannot be fax-compressed
  EXPECT_EQ(form_.Working.TIFFCompression, 0);
  EXPECT_EQ(form_.ComboBox16->currentIndex(), 0);
  EXPECT_EQ(form_.Working.BitsPerSample, 4);
  SetIndex("ComboBox16", form_.ComboBox16->findText("JPEG"));
  EXPECT_EQ(form_.Control<QComboBox>("ComboBox17")->currentIndex(), 3);
  EXPECT_EQ(form_.Working.TIFFCompression, 7);
  EXPECT_EQ(form_.Working.TIFFPhotometric, 6);
  EXPECT_EQ(form_.Working.SamplesPerPixel, 3);
  form_.Button1Click();
  EXPECT_EQ(params_.TIFF_Compression, 7);
  EXPECT_EQ(params_.FileType, kFormatTIFF);
}

TEST_F(IOPreviewsValues, ApplyKeepsTheDialogAndCancelKeepsOnlyWhatApplyWrote) {
  ActivateOn(kFormatJPEG);
  SetText("Edit22", "33");
  EXPECT_TRUE(form_.Button4->isEnabled());
  form_.Button4->click();
  EXPECT_EQ(params_.JPEG_Quality, 33);
  EXPECT_FALSE(form_.Button4->isEnabled());
  EXPECT_EQ(form_.result(), 0);
  SetText("Edit22", "44");
  form_.Button2->click();
  EXPECT_EQ(form_.result(), QDialog::Rejected);
  EXPECT_EQ(params_.JPEG_Quality, 33);
}

TEST_F(IOPreviewsValues, PageChangeReloadsTheWorkingValues) {
  params_.FileType = kFormatJPEG;
  form_.SelectPages(kParamsPageAll);
  form_.FormActivate();
  ASSERT_EQ(form_.ActivePage(), TPreviewPage::kJPEG1);
  SetText("Edit22", "33");
  EXPECT_EQ(form_.Working.JPEGQuality, 33);
  form_.PageControl1->setCurrentIndex(static_cast<int>(TPreviewPage::kTIFF1));
  form_.PageControl1->setCurrentIndex(static_cast<int>(TPreviewPage::kJPEG1));
  EXPECT_EQ(form_.Working.JPEGQuality, params_.JPEG_Quality);
  EXPECT_EQ(form_.Control<QLineEdit>("Edit22")->text(), QString::number(params_.JPEG_Quality));
}

}  // namespace
}  // namespace calmora
