// Vector-object and layer files: each kind reaches the attached view's operation for it, the
// objects stand on a transparent page, and without a fitting view the load fails honestly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/io/pictavo_io.h"
#include "tests/imaging/support/fake_pictavo_view.h"
#include "tests/support/qt_test_app.h"

namespace calmora::test {
namespace {

TEST(ViewFiles, EachKindReachesItsViewOperation) {
  struct Case {
    TPVFileFormatId kind;
    const char* call;
  };
  for (const Case& c : {Case{kFormatPVV, "LoadFromFilePVV d\xC3\xA9.pvv"},
                        Case{kFormatLayers, "LoadLayersFromFile d\xC3\xA9.pvv"},
                        Case{kFormatLayersAndObjects, "LoadAllFromFile d\xC3\xA9.pvv"}}) {
    SCOPED_TRACE(c.kind);
    FakePictavoVect view;
    view.ObjectsExtent = TRect{0, 0, 5, 3};
    TPictavoIO io(nullptr);
    io.SetAttachedPictavo(&view);
    io.Params->TIFF_ImageDescription = "old";
    int finishes = 0;
    io.OnFinishWork = [&finishes](TObject*) { ++finishes; };
    io.LoadFromFilePVV(u"d\u00E9.pvv", c.kind);
    EXPECT_EQ(view.Calls, (std::vector<std::string>{c.call}));
    EXPECT_FALSE(io.Aborting);
    EXPECT_EQ(finishes, 1);
    EXPECT_EQ(io.Params->FileType, c.kind);
    EXPECT_EQ(io.Params->TIFF_ImageDescription, "");
    if (c.kind == kFormatPVV) {  // a transparent white page as large as the objects
      TPVBitmap& page = *view.GetPVBitmap();
      ASSERT_EQ(page.GetWidth(), 5);
      ASSERT_EQ(page.GetHeight(), 3);
      EXPECT_EQ(page.GetPixel24(4, 2), (TPVRGB{255, 255, 255}));
      EXPECT_EQ(page.GetAlphaChannel()->GetPixel8(4, 2), 0);
    }
  }
}

TEST(ViewFiles, WithoutAFittingViewNothingIsLoaded) {
  for (TPVFileFormatId kind : {kFormatPVV, kFormatLayers, kFormatLayersAndObjects}) {
    SCOPED_TRACE(kind);
    FakePictavoView imageView;  // holds layers, not objects
    TPictavoIO io(nullptr);
    if (kind != kFormatLayers) io.SetAttachedPictavo(&imageView);
    int finishes = 0;
    io.OnFinishWork = [&finishes](TObject*) { ++finishes; };
    io.LoadFromFilePVV(u"x.pvv", kind);
    EXPECT_TRUE(io.Aborting);
    EXPECT_EQ(finishes, 1);
    EXPECT_EQ(io.Params->FileType, kind);
    TMemoryStream stream;
    io.LoadFromStreamPVV(&stream, kind);
    EXPECT_TRUE(io.Aborting);
    EXPECT_EQ(finishes, 1);  // the stream form has no finish event
  }
}

TEST(ViewFiles, StreamFormsLoadIntoTheView) {
  FakePictavoVect source;
  source.Objects = "circle";
  TMemoryStream stream;
  source.SaveToStreamPVV(&stream);
  stream.SetPosition(0);
  FakePictavoVect view;
  TPictavoIO io(nullptr);
  io.SetAttachedPictavo(&view);
  io.LoadFromStreamPVV(&stream, kFormatPVV);
  EXPECT_FALSE(io.Aborting);
  EXPECT_EQ(view.Objects, "circle");
  EXPECT_EQ(io.Params->FileType, kFormatPVV);
  TMemoryStream garbage;
  garbage.WriteBuffer("nonsense", 8);
  garbage.SetPosition(0);
  io.LoadFromStreamPVV(&garbage, kFormatPVV);
  EXPECT_TRUE(io.Aborting);
}

}  // namespace
}  // namespace calmora::test
