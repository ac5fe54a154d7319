// TPictavoIO::DoPreviews driven through the modal dialog: OK and Cancel pressed from the event
// loop once the dialog has activated, the caller's image untouched until OK, the take-over by
// OnDoPreviews, a page set that shows nothing, OnIOPreview's moment, and the write-back.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <string>

#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/io/formats/file_formats.h"
#include "imaging/io/previews/io_preview_pane.h"
#include "imaging/io/previews/io_previews.h"
#include "imaging/io/pictavo_io.h"
#include "imaging/io/words/word_table.h"
#include "tests/imaging/support/fake_pictavo_view.h"
#include "tests/imaging/support/raw_stream_codec.h"
#include "tests/support/qt_test_app.h"

namespace calmora::test {
namespace {

// What the user does in the dialog once it has activated; the last step closes it.
using UserAction = std::function<void(TfIOPreviews& form)>;

void PressOK(TfIOPreviews& form) { form.Button1->click(); }
void PressCancel(TfIOPreviews& form) { form.Button2->click(); }

// Runs Action from the dialog's event loop as soon as the dialog is ready; the timer goes with
// the form.
void ActWhenReady(TfIOPreviews& form, UserAction action) {
  auto* timer = new QTimer(&form);
  timer->setInterval(0);
  QObject::connect(timer, &QTimer::timeout, &form, [&form, timer, action] {
    if (!form.Ready) return;
    timer->stop();
    action(form);
  });
  timer->start();
}

std::string RawBytes(const TPVBitmap& bitmap) {
  TMemoryStream stream;
  EXPECT_TRUE(bitmap.SaveRawToStream(&stream));
  return {static_cast<const char*>(stream.GetMemory()), static_cast<size_t>(stream.GetSize())};
}

void Fill48(TPVBitmap& bitmap) {
  for (int y = 0; y < bitmap.GetHeight(); ++y)
    for (int x = 0; x < bitmap.GetWidth(); ++x)
      bitmap.SetPixel48(x, y, TPVRGB48{static_cast<uint16_t>(x * 4099), static_cast<uint16_t>(y * 997),
                                       static_cast<uint16_t>(x * y * 311)});
}

void FillSixteenColours(TPVBitmap& bitmap) {
  for (int i = 0; i < 16; ++i)
    bitmap.SetPaletteColor(i, TPVRGB{static_cast<uint8_t>(i * 16), static_cast<uint8_t>(255 - i * 9),
                                     static_cast<uint8_t>(i * 5)});
  bitmap.PaletteColorsUsed = 16;
  for (int y = 0; y < bitmap.GetHeight(); ++y)
    for (int x = 0; x < bitmap.GetWidth(); ++x)
      bitmap.SetPixel8(x, y, static_cast<uint8_t>((x + y) % 16));
}

void Fill24(TPVBitmap& bitmap) {
  for (int y = 0; y < bitmap.GetHeight(); ++y)
    for (int x = 0; x < bitmap.GetWidth(); ++x)
      bitmap.SetPixel24(x, y, TPVRGB{static_cast<uint8_t>(x * 20), static_cast<uint8_t>(y * 20), 7});
}

class DoPreviews : public ::testing::Test {
 protected:
  void SetUp() override {
    FillWordTable();
    BuildFileFormatRegistry();
    TPVFileFormatInfo* jpeg = FindFileFormatInfo(kFormatJPEG);
    jpeg->WriteProc = &RawStreamWrite;
    jpeg->ReadProc = &RawStreamRead;
    io_.SetAttachedPictavo(&view_);
    io_.Params->FileType = kFormatJPEG;
    io_.Params->JPEG_Quality = 80;
  }
  void TearDown() override { FreeFileFormatRegistry(); }

  TPVBitmap& Image() { return *view_.GetPVBitmap(); }
  void MakeImage(TPVPixelFormat format, const std::function<void(TPVBitmap&)>& fill) {
    ASSERT_TRUE(Image().Allocate(12, 9, format));
    fill(Image());
  }
  // DoPreviews with Action performed in the dialog; the form seen is recorded.
  bool Run(UserAction action, TPVParamsPages pages = kParamsPageOfFileType) {
    io_.OnIOPreview = [this, action](TObject* sender, TObject* form) {
      ++previewEvents_;
      EXPECT_EQ(sender, &io_);
      auto* dialog = dynamic_cast<TfIOPreviews*>(form);
      ASSERT_NE(dialog, nullptr);
      EXPECT_FALSE(dialog->isVisible());  // before it is shown
      shownFormat_ = dialog->Source->GetPixelFormat();
      shownCaller_ = dialog->Source == &Image();
      ActWhenReady(*dialog, action);
    };
    return io_.DoPreviews(pages);
  }

  FakePictavoView view_;
  TPictavoIO io_{nullptr};
  int previewEvents_ = 0;
  TPVPixelFormat shownFormat_ = pvNoFormat;
  bool shownCaller_ = false;
};

struct ImageCase {
  const char* name;
  TPVPixelFormat format;
  void (*fill)(TPVBitmap&);
  bool shownDirectly;  // the writers take it as it is
};

const ImageCase kImages[] = {
    {"48-bit", pvRGB48, &Fill48, false},
    {"16 colours", pv8p, &FillSixteenColours, false},
    {"24-bit", pv24RGB, &Fill24, true},
};

TEST_F(DoPreviews, CancelLeavesTheImageAndOKConvertsIt) {
  for (const ImageCase& image : kImages) {
    for (const bool ok : {false, true}) {
      SCOPED_TRACE(std::string(image.name) + (ok ? " OK" : " Cancel"));
      MakeImage(image.format, image.fill);
      const std::string before = RawBytes(Image());
      const int updates = view_.UpdateCount;
      std::string during;
      const bool accepted = Run([&](TfIOPreviews& form) {
        during = RawBytes(Image());
        ok ? PressOK(form) : PressCancel(form);
      });
      EXPECT_EQ(accepted, ok);
      EXPECT_EQ(shownFormat_, pv24RGB);
      EXPECT_EQ(shownCaller_, image.shownDirectly);
      EXPECT_EQ(during, before);  // the dialog never touches the caller's image
      EXPECT_EQ(view_.UpdateCount, updates + 1);
      if (ok && !image.shownDirectly) {
        EXPECT_EQ(Image().GetPixelFormat(), pv24RGB);
      } else {
        EXPECT_EQ(Image().GetPixelFormat(), image.format);
        EXPECT_EQ(RawBytes(Image()), before);
      }
    }
  }
}

TEST_F(DoPreviews, OneBitImagesAreShownAsTheyAre) {
  MakeImage(pv1g, [](TPVBitmap&) {});
  const std::string before = RawBytes(Image());
  EXPECT_TRUE(Run(&PressOK));
  EXPECT_EQ(shownFormat_, pv1g);
  EXPECT_TRUE(shownCaller_);
  EXPECT_EQ(RawBytes(Image()), before);
}

TEST_F(DoPreviews, AnEmptyImageOpensAndClosesQuietly) {
  ASSERT_TRUE(Image().IsEmpty());
  EXPECT_FALSE(Run(&PressCancel));
  EXPECT_EQ(previewEvents_, 1);
  EXPECT_TRUE(Image().IsEmpty());
}

TEST_F(DoPreviews, HandledByOnDoPreviewsShowsNothingAndChangesNothing) {
  MakeImage(pvRGB48, &Fill48);
  const std::string before = RawBytes(Image());
  const int updates = view_.UpdateCount;
  int asked = 0;
  io_.OnDoPreviews = [&](TObject* sender, bool& handled) {
    EXPECT_EQ(sender, &io_);
    ++asked;
    handled = true;
  };
  EXPECT_TRUE(Run(&PressOK));
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(previewEvents_, 0);
  EXPECT_EQ(view_.UpdateCount, updates);
  EXPECT_EQ(RawBytes(Image()), before);
  // Not handled: the dialog comes.
  io_.OnDoPreviews = [&](TObject*, bool&) { ++asked; };
  EXPECT_TRUE(Run(&PressOK));
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(previewEvents_, 1);
}

TEST_F(DoPreviews, APageSetShowingNothingReturnsFalseAndChangesNothing) {
  MakeImage(pv8p, &FillSixteenColours);
  const std::string before = RawBytes(Image());
  const int updates = view_.UpdateCount;
  io_.Params->FileType = kFormatUnknown;
  io_.Params->JPEG_Quality = 12;
  EXPECT_FALSE(Run(&PressOK, kParamsPageOfFileType));
  EXPECT_EQ(previewEvents_, 0);
  EXPECT_EQ(view_.UpdateCount, updates + 1);  // the component still refreshes after the dialog
  EXPECT_EQ(Image().GetPixelFormat(), pv8p);
  EXPECT_EQ(RawBytes(Image()), before);
  EXPECT_EQ(io_.Params->FileType, kFormatUnknown);
  EXPECT_EQ(io_.Params->JPEG_Quality, 12);
}

TEST_F(DoPreviews, TheFormIsSetUpFromTheComponentBeforeOnIOPreview) {
  MakeImage(pv24RGB, &Fill24);
  io_.MsgLanguage = msGerman;
  io_.SimplifiedParamsDialogs = false;
  io_.PreviewsParams.Include(ioppApplyButton);
  io_.PreviewsParams.Include(ioppDefaultLockPreview);
  io_.SetDefaultDitherMethod(pvdmOrdered);
  bool checked = false;
  io_.OnIOPreview = [&](TObject*, TObject* form) {
    auto& dialog = dynamic_cast<TfIOPreviews&>(*form);
    EXPECT_EQ(dialog.windowTitle(), QString::fromStdU16String(GetMsgWord(37, msGerman)));
    EXPECT_TRUE(dialog.DefaultLockPreview);
    EXPECT_FALSE(dialog.Button4->isHidden());
    EXPECT_FALSE(dialog.Simplified);
    EXPECT_EQ(dialog.DitherMethod, static_cast<int32_t>(pvdmOrdered));
    EXPECT_EQ(dialog.Pictavo1->GetBitmap(), &Image());
    EXPECT_EQ(dialog.Pictavo2->GetBitmap(), nullptr);
    EXPECT_FALSE(dialog.Ready);
    checked = true;
    ActWhenReady(dialog, [](TfIOPreviews& ready) {
      EXPECT_TRUE(ready.chkLockPreview->isChecked());
      EXPECT_EQ(ready.PreviewCount, 1);  // one preview on activation
      PressCancel(ready);
    });
  };
  EXPECT_FALSE(io_.DoPreviews(kParamsPageOfFileType));
  EXPECT_TRUE(checked);

  io_.PreviewsParams = {};
  io_.SimplifiedParamsDialogs = true;
  io_.OnIOPreview = [&](TObject*, TObject* form) {
    auto& dialog = dynamic_cast<TfIOPreviews&>(*form);
    EXPECT_TRUE(dialog.Button4->isHidden());
    EXPECT_FALSE(dialog.DefaultLockPreview);
    EXPECT_TRUE(dialog.Simplified);
    ActWhenReady(dialog, &PressCancel);
  };
  EXPECT_FALSE(io_.DoPreviews(kParamsPageOfFileType));
}

// The simplified JPEG page's quality typed in, then OK, Cancel, or Apply followed by Cancel:
// Apply writes as OK does (the format too) but leaves the dialog open.
TEST_F(DoPreviews, WriteBackReachesTheRecordOnlyThroughOKOrApply) {
  MakeImage(pv24RGB, &Fill24);
  struct Case {
    const char* name;
    UserAction close;
    bool accepted;
    int32_t quality;
    TPVFileFormatId fileType;
  };
  const Case cases[] = {
      {"OK", &PressOK, true, 33, kFormatJPEG},
      {"Cancel", &PressCancel, false, 80, kFormatBMP},
      {"Apply then Cancel",
       [](TfIOPreviews& form) {
         form.Button4Click();
         PressCancel(form);
       },
       false, 33, kFormatJPEG},
  };
  io_.PreviewsParams.Include(ioppApplyButton);
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    io_.Params->FileType = kFormatBMP;
    io_.Params->JPEG_Quality = 80;
    const bool accepted = Run(
        [&row](TfIOPreviews& form) {
          form.Control<QLineEdit>("Edit16")->setText("33");
          row.close(form);
        },
        kParamsPageJPEG);
    EXPECT_EQ(accepted, row.accepted);
    EXPECT_EQ(io_.Params->JPEG_Quality, row.quality);
    EXPECT_EQ(io_.Params->FileType, row.fileType);
  }
}

}  // namespace
}  // namespace calmora::test
