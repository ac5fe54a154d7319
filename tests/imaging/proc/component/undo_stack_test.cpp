// The undo and redo stacks: the limit, positions from the newest, image snapshots in their
// temporary files and back into the layer they came from, the view's streams, layer records
// matched by id, and records that must end the walk instead of running it forever.
#include <dirent.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/proc/component/pictavo_proc.h"
#include "imaging/proc/component/pictavo_proc_tools.h"
#include "tests/imaging/proc/component/pictavo_proc_test_support.h"
#include "tests/imaging/support/fake_pictavo_view.h"
#include "tests/support/qt_test_app.h"

namespace calmora::test {
namespace {

// Open files of this process that are image stores in TempFolder (their names are gone from
// the folder, but the descriptors still say where they were).
int32_t OpenImageFiles() {
  int32_t count = 0;
  DIR* fds = opendir("/proc/self/fd");
  if (fds == nullptr) return -1;
  const std::string prefix = TempFolder + "IMG";
  while (dirent* entry = readdir(fds)) {
    char target[4096];
    const std::string link = std::string("/proc/self/fd/") + entry->d_name;
    const ssize_t length = readlink(link.c_str(), target, sizeof(target) - 1);
    if (length <= 0) continue;
    if (std::string(target, static_cast<size_t>(length)).rfind(prefix, 0) == 0) ++count;
  }
  closedir(fds);
  return count;
}

class UndoStack : public ::testing::TestWithParam<Storage> {
 protected:
  // A new random picture into the bitmap, returned for comparison.
  Picture Paint(TPVBitmap& bitmap, int32_t width = 8, int32_t height = 6) {
    const Picture picture = RandomPicture(random_, width, height, pv24RGB);
    PutPicture(bitmap, GetParam(), picture, pv24RGB);
    return picture;
  }

  TempFolderScope temp_;
  std::mt19937 random_{4242};
  TPVBitmap image_;
  TPictavoProc proc_{nullptr};
};

TEST_P(UndoStack, TheLimitBoundsEachStack) {
  proc_.AttachBitmap(&image_);
  const struct {
    int32_t limit;
    int32_t saves;
    int32_t count;
  } cases[] = {{1, 3, 1}, {0, 3, 0}, {-4, 3, 0}, {5, 3, 3}, {2, 6, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.limit);
    proc_.ClearAllUndo();
    proc_.ClearAllRedo();
    proc_.SetUndoLimit(c.limit);
    Picture last;
    for (int32_t i = 0; i < c.saves; ++i) {
      last = Paint(image_);
      proc_.SaveUndo(pvuImage);
      proc_.SaveRedo(pvuImage);
    }
    EXPECT_EQ(proc_.UndoCount(), c.count);
    EXPECT_EQ(static_cast<int32_t>(proc_.RedoSnapshots.size()), c.count);
    EXPECT_EQ(proc_.UndoSources.size(), proc_.UndoCaptions.size());
    if (c.count == 0) continue;
    Paint(image_);
    proc_.UndoAt(0, false);  // the newest entry is the last state saved
    EXPECT_EQ(ReadPicture(image_), last);
  }
}

TEST_P(UndoStack, PositionsCountFromTheNewestAndRestoringKeepsEntries) {
  proc_.AttachBitmap(&image_);
  proc_.SetUndoLimit(5);
  const Picture first = Paint(image_);
  proc_.SaveUndo(pvuImage);
  const Picture second = Paint(image_);
  proc_.SaveUndo(pvuImage);
  Paint(image_);
  proc_.SaveUndo(pvuImage);
  Paint(image_);
  proc_.UndoAt(2, false);
  EXPECT_EQ(ReadPicture(image_), first);
  EXPECT_EQ(proc_.UndoCount(), 3);
  EXPECT_EQ(proc_.UndoSourceAt(0), pvuImage);
  EXPECT_EQ(proc_.UndoSourceAt(3), pvuUnknown);
  EXPECT_EQ(proc_.UndoSourceAt(-1), pvuUnknown);

  // Positions that name no entry do nothing: past the oldest, and below the newest.
  for (const int32_t position : {3, -1, -3, INT32_MIN}) {
    proc_.UndoAt(position, true);
    proc_.RedoAt(position);
    proc_.ClearUndoAt(position);
    EXPECT_EQ(ReadPicture(image_), first);
    EXPECT_EQ(proc_.UndoCount(), 3);
    EXPECT_EQ(proc_.RedoSnapshots.size(), 0u);
  }
  proc_.ClearUndoAt(1);  // the middle one
  EXPECT_EQ(proc_.UndoCount(), 2);
  proc_.UndoAt(1, false);
  EXPECT_EQ(ReadPicture(image_), first);
  proc_.UndoAt(0, false);
  EXPECT_NE(ReadPicture(image_), second);
}

TEST_P(UndoStack, UndoWithRedoThenRedoReturnsTheSameBytes) {
  proc_.AttachBitmap(&image_);
  const Picture before = Paint(image_);
  image_.GetAlphaChannel()->SetPixel8(3, 2, 9);
  proc_.SaveUndo(pvuImage);
  proc_.Fill(TPVRGB{1, 2, 3});
  TPVBitmap edited;
  edited.Assign(&image_);
  proc_.Undo(true);
  EXPECT_EQ(ReadPicture(image_), before);
  EXPECT_EQ(image_.GetAlpha(3, 2), 9);
  proc_.Redo();
  EXPECT_TRUE(SameBitmaps(image_, edited));
  EXPECT_EQ(ReadRows(image_, PixelBytes(8, pv24RGB)), ReadRows(edited, PixelBytes(8, pv24RGB)));
  EXPECT_EQ(proc_.UndoCount(), 1);
  EXPECT_EQ(proc_.RedoSnapshots.size(), 1u);
  proc_.ClearOneRedo();
  proc_.ClearOneRedo();  // nothing left: nothing happens
  EXPECT_EQ(proc_.RedoSnapshots.size(), 0u);
}

// Restoring into an image of the same geometry reuses its storage; everything Assign would
// bring back must come back all the same.
TEST_P(UndoStack, RestoringBringsBackPaletteAlphaAndFlags) {
  const Picture indexed = RandomPicture(random_, 9, 5, pv8p);
  PutPicture(image_, GetParam(), indexed, pv8p);
  for (int32_t i = 0; i < 256; ++i)
    image_.SetPaletteColor(i, TPVRGB{static_cast<uint8_t>(i), 3, static_cast<uint8_t>(~i)});
  image_.DitherMethod = pvdmOrdered;
  proc_.AttachBitmap(&image_);
  proc_.SaveUndo(pvuImage);
  WritePicture(image_, RandomPicture(random_, 9, 5, pv8p));
  image_.SetPaletteColor(7, TPVRGB{0, 0, 0});
  image_.GetAlphaChannel()->SetPixel8(1, 1, 0);
  image_.DitherMethod = pvdmThreshold;
  proc_.Undo(false);
  EXPECT_EQ(ReadPicture(image_), indexed);
  EXPECT_EQ(image_.GetPaletteColor(7), (TPVRGB{7, 3, 248}));
  EXPECT_FALSE(image_.HasAlphaChannel());
  EXPECT_EQ(image_.DitherMethod, pvdmOrdered);

  // A snapshot with an alpha plane over an image without one.
  image_.GetAlphaChannel()->SetPixel8(4, 2, 66);
  proc_.SaveUndo(pvuImage);
  image_.RemoveAlphaChannel(false, 0);
  proc_.Undo(false);
  ASSERT_TRUE(image_.HasAlphaChannel());
  EXPECT_EQ(image_.GetAlpha(4, 2), 66);
  EXPECT_EQ(image_.GetAlpha(3, 2), 255);
  EXPECT_FALSE(image_.GetAlphaChannel()->Opaque);
}

TEST_P(UndoStack, AnImageSnapshotLivesInOneTemporaryFile) {
  PutPicture(image_, Storage::MemoryBlock, RandomPicture(random_, 8, 6, pv24RGB), pv24RGB);
  proc_.AttachBitmap(&image_);
  const int32_t before = OpenImageFiles();
  ASSERT_GE(before, 0);
  proc_.SaveUndo(pvuImage);
  EXPECT_EQ(OpenImageFiles(), before + 1);
  auto& snapshot = dynamic_cast<TPVBitmap&>(*proc_.UndoSnapshots[0]);
  EXPECT_EQ(snapshot.Location, pvFile);
  EXPECT_EQ(snapshot.FileThreshold, 0);
  EXPECT_EQ(snapshot.UserTag, -1);
  proc_.ClearAllUndo();
  EXPECT_EQ(OpenImageFiles(), before);
  {
    TPictavoProc other(nullptr);
    other.AttachBitmap(&image_);
    other.SaveUndo(pvuImage);
    other.SaveRedo(pvuImage);
    EXPECT_EQ(OpenImageFiles(), before + 2);
  }
  EXPECT_EQ(OpenImageFiles(), before);
}

class UndoStackOnAView : public UndoStack {
 protected:
  void SetUp() override {
    Paint(*view_.Layers[0]->Bitmap);
    view_.LayersAdd();
    view_.LayersAdd();
    for (auto& layer : view_.Layers) Paint(*layer->Bitmap);
    proc_.SetAttachedPictavo(&view_);
    proc_.SetUndoLimit(8);
  }

  FakePictavoVect view_;
};

TEST_P(UndoStackOnAView, AnImageGoesBackIntoTheLayerItCameFrom) {
  view_.SetCurrentLayer(2);
  const Picture saved = ReadPicture(*view_.Layers[2]->Bitmap);
  proc_.SaveUndo(pvuImage);
  EXPECT_EQ(dynamic_cast<TPVBitmap&>(*proc_.UndoSnapshots[0]).UserTag, 2);
  Paint(*view_.Layers[2]->Bitmap);
  view_.SetCurrentLayer(0);
  const Picture layer0 = ReadPicture(*view_.Layers[0]->Bitmap);
  proc_.UndoAt(0, false);
  EXPECT_EQ(ReadPicture(*view_.Layers[2]->Bitmap), saved);
  EXPECT_EQ(ReadPicture(*view_.Layers[0]->Bitmap), layer0);
  // With only two layers left, the last one takes it.
  view_.Layers.pop_back();
  proc_.UndoAt(0, false);
  EXPECT_EQ(ReadPicture(*view_.Layers[1]->Bitmap), saved);
  EXPECT_EQ(ReadPicture(*view_.Layers[0]->Bitmap), layer0);
}

TEST_P(UndoStackOnAView, LayerSnapshotsRestoreByIdAndSkipLayersThatAreGone) {
  for (const TPVUndoSource kind : {pvuLayer, pvuFullLayer}) {
    SCOPED_TRACE(kind);
    view_.SetCurrentLayer(1);
    for (int32_t i = 0; i < 3; ++i) view_.Layers[static_cast<size_t>(i)]->PosX = 10 + i;
    const Picture current = ReadPicture(*view_.Layers[1]->Bitmap);
    proc_.SaveUndo(kind);
    proc_.SaveRedo(kind);
    for (auto& layer : view_.Layers) layer->PosX = -1;
    Paint(*view_.Layers[1]->Bitmap);
    auto removed = std::move(view_.Layers[0]);  // the bottom layer is deleted
    view_.Layers.erase(view_.Layers.begin());
    view_.CurrentLayer = 0;
    const int32_t updates = view_.UpdateCount;
    proc_.RedoAt(0);
    EXPECT_EQ(view_.UpdateCount, updates + 1);
    EXPECT_EQ(view_.Layers[0]->PosX, 11);
    EXPECT_EQ(view_.Layers[1]->PosX, 12);
    EXPECT_EQ(ReadPicture(*view_.Layers[0]->Bitmap) == current, kind == pvuFullLayer);
    for (auto& layer : view_.Layers) layer->PosX = -1;
    proc_.UndoAt(0, false);
    EXPECT_EQ(view_.Layers[1]->PosX, 12);
    view_.Layers.insert(view_.Layers.begin(), std::move(removed));
  }
}

// Streams of records a view never writes: each must end the walk, not loop or read past.
TEST_P(UndoStackOnAView, ABrokenLayerRecordEndsTheWalk) {
  TMemoryStream good;
  view_.Layers[1]->PosX = 55;
  view_.Layers[1]->SaveToStream(&good, false);
  const std::string record(static_cast<const char*>(good.GetMemory()),
                           static_cast<size_t>(good.GetSize()));
  auto withLength = [](int32_t length, std::string rest) {
    return std::string(reinterpret_cast<const char*>(&length), 4) + rest;
  };
  const std::string id = record.substr(4, 16);
  const std::string cases[] = {
      record + withLength(0, id),             // a length of 0 would seek in place
      record + withLength(12, id + "xxxx"),   // shorter than its own head
      record + withLength(400, id + "tail"),  // past the end
      record + std::string("\x07\x00", 2),    // too short to hold a head
      record + withLength(-20, id),
  };
  for (const std::string& bytes : cases) {
    view_.Layers[1]->PosX = 0;
    auto stream = std::make_unique<TMemoryStream>();
    stream->WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    proc_.ClearAllUndo();
    proc_.UndoSnapshots.push_back(std::move(stream));
    proc_.UndoSources.push_back(pvuLayer);
    proc_.UndoCaptions.emplace_back();
    proc_.UndoAt(0, false);
    EXPECT_EQ(view_.Layers[1]->PosX, 55);
  }
}

TEST_P(UndoStackOnAView, ViewStreamsGoBackThroughTheView) {
  // Selection, restored in the mode that moves it back inside the image.
  ASSERT_TRUE(view_.SelectionMask.Allocate(8, 6, 1));
  view_.SelectionMask.SetPixel(2, 3, 1);
  view_.Selected = true;
  proc_.SaveUndo(pvuSelection);
  view_.SelectionMask.Clear();
  view_.Selected = false;
  proc_.Undo(true);
  EXPECT_EQ(view_.LastSelectionMode, 1);
  EXPECT_TRUE(view_.Selected);
  EXPECT_EQ(view_.SelectionMask.GetPixel(2, 3), 1);
  EXPECT_EQ(proc_.RedoSources.back(), pvuSelection);

  // Vector objects, alone and with the layers.
  view_.Objects = "circle";
  proc_.SaveUndo(pvuObject);
  view_.Objects = "square";
  proc_.Undo(false);
  EXPECT_EQ(view_.Objects, "circle");
  view_.Objects = "line";
  view_.Layers[2]->PosX = 31;
  proc_.SaveUndo(pvuObjectsAndLayers);
  view_.Objects = "";
  view_.Layers[2]->PosX = 0;
  proc_.Undo(true);
  proc_.Redo();  // the state of before the undo
  EXPECT_EQ(view_.Objects, "");
  proc_.UndoAt(0, false);
  EXPECT_EQ(view_.Objects, "line");
  EXPECT_EQ(view_.Layers[2]->PosX, 31);
  EXPECT_EQ(view_.LastCodec, -1);
  EXPECT_EQ(proc_.UndoSourceAt(proc_.UndoCount() - 1), pvuObjectsAndLayers);
}

TEST_P(UndoStack, ViewKindsWithoutAViewAreNeitherTakenNorRestored) {
  FakePictavoView view;
  Paint(*view.Layers[0]->Bitmap);
  proc_.SetAttachedPictavo(&view);
  proc_.SetUndoLimit(4);
  proc_.SaveUndo(pvuObject);  // an image view is no vector view
  proc_.SaveUndo(pvuObjectsAndLayers);
  EXPECT_EQ(proc_.UndoCount(), 0);
  proc_.SaveUndo(pvuLayer);
  EXPECT_EQ(proc_.UndoCount(), 1);
  proc_.AttachBitmap(&image_);
  Paint(image_);
  const auto before = AllBytes(image_);
  proc_.UndoAt(0, true);  // a layer stream with no view: nothing restored, nothing kept
  EXPECT_EQ(AllBytes(image_), before);
  EXPECT_EQ(proc_.RedoSnapshots.size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Storages, UndoStack, ::testing::ValuesIn(kStorages), StorageCaseName);
INSTANTIATE_TEST_SUITE_P(Storages, UndoStackOnAView, ::testing::ValuesIn(kStorages),
                         StorageCaseName);

}  // namespace
}  // namespace calmora::test
