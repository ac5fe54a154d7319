// The view doubles: found through the services interface, layer records that round-trip and
// skip by their length, the counters, the selection record and the vector double's streams.
#include "tests/imaging/support/fake_pictavo_view.h"

#include <gtest/gtest.h>

#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "tests/support/qt_test_app.h"

namespace calmora::test {
namespace {

TEST(FakePictavoViewTest, FoundAsAViewThroughItsServices) {
  FakePictavoView view;
  TPVView* base = &view;
  ASSERT_NE(dynamic_cast<TPictavoViewServices*>(base), nullptr);
  EXPECT_EQ(dynamic_cast<TPictavoVectServices*>(base), nullptr);
  FakePictavoVect vect;
  base = &vect;
  EXPECT_NE(dynamic_cast<TPictavoVectServices*>(base), nullptr);
  EXPECT_EQ(view.GetLayersCount(), 1);
  EXPECT_EQ(view.GetPVBitmap(), view.Layers[0]->Bitmap.get());
}

TEST(FakePictavoViewTest, LayerRecordsRoundTripAndEndWhereTheirLengthSays) {
  FakeLayer layer;
  ASSERT_TRUE(layer.Bitmap->Allocate(5, 3, pv24RGB));
  layer.Bitmap->Fill(0x123456);
  layer.PosX = -4;
  layer.PosY = 9;
  layer.Locked = true;
  TMemoryStream stream;
  stream.WriteBuffer("head", 4);
  layer.SaveToStream(&stream, true);
  const int64_t end = stream.GetPosition();
  layer.SaveToStream(&stream, false);

  stream.SetPosition(4);
  int32_t length = 0;
  stream.ReadBuffer(&length, 4);
  EXPECT_EQ(length, end - 4);
  TGUID id;
  stream.ReadBuffer(&id, 16);
  EXPECT_TRUE(SameGUID(id, layer.GUID));

  FakeLayer copy;
  EXPECT_FALSE(SameGUID(copy.GUID, layer.GUID));
  stream.SetPosition(4);
  copy.LoadFromStream(&stream);
  EXPECT_EQ(stream.GetPosition(), end);
  EXPECT_TRUE(SameGUID(copy.GUID, layer.GUID));
  EXPECT_EQ(copy.PosX, -4);
  EXPECT_EQ(copy.PosY, 9);
  EXPECT_TRUE(copy.Locked);
  EXPECT_EQ(copy.Bitmap->GetWidth(), 5);
  EXPECT_EQ(copy.Bitmap->GetPixel24(4, 2).r, 0x56);
  // The record without a bitmap is 30 bytes.
  copy.LoadFromStream(&stream);
  EXPECT_EQ(stream.GetPosition(), stream.GetSize());
  EXPECT_EQ(stream.GetSize() - end, 30);
}

TEST(FakePictavoViewTest, CountersAndCurrentLayer) {
  std::vector<bool> heard;  // outlives the view, whose destructor still calls back
  FakePictavoView view;
  view.RegisterBitmapChangeEvent([&](TObject*, bool destroying) { heard.push_back(destroying); });
  view.LockPaint();
  view.LockPaint();
  EXPECT_EQ(view.UnlockPaintSilently(), 1);
  EXPECT_EQ(view.UpdateCount, 0);
  EXPECT_EQ(view.UnlockPaint(), 0);
  EXPECT_EQ(view.UpdateCount, 1);
  EXPECT_EQ(view.UnlockPaintSilently(), 0);
  view.LockUpdate();
  view.Update();
  EXPECT_EQ(view.UpdateCount, 1);
  view.UnlockUpdateSilently();
  EXPECT_EQ(view.UpdateCount, 1);

  ASSERT_TRUE(view.Layers[0]->Bitmap->Allocate(4, 4, pv8g));
  EXPECT_EQ(view.LayersAdd(), 1);
  EXPECT_EQ(view.GetCurrentLayer(), 1);
  EXPECT_EQ(view.GetPVBitmap()->GetWidth(), 4);
  EXPECT_EQ(heard, std::vector<bool>{false});
  view.SetCurrentLayer(0);
  view.LayersClear();
  EXPECT_EQ(view.GetLayersCount(), 1);
  EXPECT_EQ(heard.size(), 2u);
}

TEST(FakePictavoViewTest, SelectionRecordRoundTrips) {
  FakePictavoView view;
  ASSERT_TRUE(view.SelectionMask.Allocate(8, 8, 1));
  view.SelectionMask.SetPixel(3, 4, 1);
  view.Selected = true;
  view.Polygon = {{1, 2}, {7, 2}, {4, 6}};
  TMemoryStream stream;
  view.SaveSelectionToStream(&stream);
  FakePictavoView other;
  stream.SetPosition(0);
  ASSERT_TRUE(other.LoadSelectionFromStream(&stream, 1));
  EXPECT_TRUE(other.GetSelected());
  EXPECT_EQ(other.LastSelectionMode, 1);
  ASSERT_EQ(other.GetPolySelCount(), 3);
  EXPECT_EQ(other.GetPolySelPoints()[2], (TPoint{4, 6}));
  EXPECT_EQ(other.GetSelectionMask().GetPixel(3, 4), 1);
  EXPECT_EQ(other.GetSelectionMask().GetPixel(4, 3), 0);
  // A cut record is refused.
  stream.SetSize(5);
  stream.SetPosition(0);
  EXPECT_FALSE(other.LoadSelectionFromStream(&stream, 0));
}

TEST(FakePictavoViewTest, VectorDoubleStreams) {
  FakePictavoVect vect;
  vect.Objects = "two lines and a box";
  ASSERT_TRUE(vect.Layers[0]->Bitmap->Allocate(2, 2, pv24RGB));
  vect.LayersAdd();
  TMemoryStream stream;
  vect.SaveAllToStream(&stream, -1);
  EXPECT_EQ(vect.LastCodec, -1);
  FakePictavoVect copy;
  stream.SetPosition(0);
  ASSERT_TRUE(copy.LoadAllFromStream(&stream));
  EXPECT_EQ(copy.Objects, vect.Objects);
  ASSERT_EQ(copy.GetLayersCount(), 2);
  EXPECT_TRUE(SameGUID(copy.Layers[1]->GUID, vect.Layers[1]->GUID));
  TMemoryStream bad;
  bad.WriteBuffer("NOTPVV!", 7);
  bad.SetPosition(0);
  EXPECT_FALSE(copy.LoadFromStreamPVV(&bad));
  EXPECT_EQ(copy.Objects, vect.Objects);
}

}  // namespace
}  // namespace calmora::test
