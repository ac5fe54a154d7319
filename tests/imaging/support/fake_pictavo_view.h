// Test doubles of the image view and the vector view for components attached to a view: a
// real TPVView with layers (each with its own id, writing the layer record), a current layer,
// a selection mask, flag and polygon, and the paint and update counters, all open to tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/geometry/geometry.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/mask/mask.h"
#include "imaging/core/view/view_base.h"
#include "imaging/core/view/view_services.h"

namespace calmora::test {

// A layer record as the view's layers write it: int32 record length (from its own first
// byte), 16-byte id, then this double's properties (int32 PosX, int32 PosY, byte Locked), a
// byte telling whether a raw bitmap stream follows, and that stream.
class FakeLayer : public TPVLayerServices {
 public:
  // A new layer gets an id no other layer of the process has.
  FakeLayer();

  TPVBitmap* GetBitmap() override { return Bitmap.get(); }
  int32_t GetPosX() const override { return PosX; }
  int32_t GetPosY() const override { return PosY; }
  bool GetLocked() const override { return Locked; }
  TGUID GetGUID() const override { return GUID; }
  void Reset() override;
  void Assign(TPVLayerServices& Source) override;
  void SaveToStream(TStream* Stream, bool WithBitmap) override;
  // A record that is cut short or names no sensible length changes nothing but still leaves
  // the stream at what the length says (or at the stream's end).
  void LoadFromStream(TStream* Stream) override;

  std::unique_ptr<TPVBitmap> Bitmap = std::make_unique<TPVBitmap>();
  int32_t PosX = 0;
  int32_t PosY = 0;
  bool Locked = false;
  TGUID GUID;
};

class FakePictavoView : public TPVView, public TPictavoViewServices {
 public:
  // One layer with an empty bitmap, no selection.
  explicit FakePictavoView(platform::TComponent* AOwner = nullptr);

  // ---- TPVView ----
  platform::TBitmap* GetTBitmap() override;
  TPVBitmap* GetPVBitmap() override;
  TPVBitmap* GetAlphaChannel() override { return GetPVBitmap()->GetAlphaChannel(); }
  bool HasAlphaChannel() override { return GetPVBitmap()->HasAlphaChannel(); }
  void RemoveAlphaChannel(bool Merge) override;
  void LockPaint() override { ++PaintLock; }
  // At 0 the view updates.
  int32_t UnlockPaint() override;
  int32_t UnlockPaintSilently() override;
  // Counts, unless the update lock is held.
  void Update() override;

  // ---- Layers ----
  int32_t GetLayersCount() override { return static_cast<int32_t>(Layers.size()); }
  TPVLayerServices* GetLayer(int32_t Index) override;
  int32_t GetCurrentLayer() override { return CurrentLayer; }
  // Makes the layer current and tells the registered callbacks.
  void SetCurrentLayer(int32_t Index);
  void LayersClear() override;
  // A layer shaped like the current bitmap, made current; answers its index.
  int32_t LayersAdd() override;
  // Keeps layer 0 only (the double does not compose).
  void LayersMergeAll() override;
  // Layer 0's pixels.
  void LayersDrawTo(TPVBitmap& Bitmap) override;
  void LoadLayersFromFile(const std::string& FileName) override;
  void LoadLayersFromStream(TStream* Stream) override;

  // ---- Selection ----
  TPVMask& GetSelectionMask() override { return SelectionMask; }
  bool GetSelected() override { return Selected; }
  const TPoint* GetPolySelPoints() override { return Polygon.data(); }
  int32_t GetPolySelCount() override { return static_cast<int32_t>(Polygon.size()); }
  // The double's own record: flag byte, int32 point count, the points, the raw mask bits as
  // a pv1g or pv8g bitmap stream.
  void SaveSelectionToStream(TStream* Stream) override;
  bool LoadSelectionFromStream(TStream* Stream, int32_t Mode) override;

  // ---- Layout ----
  void LockUpdate() override { ++UpdateLock; }
  void UnlockUpdateSilently() override;
  void SetExternalBitmap(TPVBitmap* Bitmap) override { ExternalBitmap = Bitmap; }
  // The current bitmap becomes 1 x 1 pv24RGB in the background colour.
  void Blank() override;
  void Fit() override { Calls.push_back("Fit"); }
  void SetZoom(double Percent) override { Zoom = Percent; }
  double GetZoom() override { return Zoom; }
  void SetViewXY(int32_t X, int32_t Y) override;
  int32_t GetViewX() override { return ViewX; }
  int32_t GetViewY() override { return ViewY; }

  std::vector<std::unique_ptr<FakeLayer>> Layers;
  int32_t CurrentLayer = 0;
  TPVMask SelectionMask;
  bool Selected = false;
  std::vector<TPoint> Polygon;
  TPVBitmap* ExternalBitmap = nullptr;  // shown instead of the current layer's when set
  int32_t PaintLock = 0;
  int32_t UpdateLock = 0;
  int32_t UpdateCount = 0;  // Updates that ran
  double Zoom = 100;
  int32_t ViewX = 0;
  int32_t ViewY = 0;
  int32_t LastSelectionMode = -1;  // of the last LoadSelectionFromStream
  std::vector<std::string> Calls;  // operations the double does not model
};

// A vector view double: its "objects" are a byte string written as a PVV stream of its own
// ("FAKEPVV", int32 length, the bytes).
class FakePictavoVect : public FakePictavoView, public TPictavoVectServices {
 public:
  using FakePictavoView::FakePictavoView;

  void SaveToStreamPVV(TStream* Stream) override;
  bool LoadFromStreamPVV(TStream* Stream) override;
  // int32 offset of the PVV part, every layer's record (bitmaps included), the PVV stream.
  void SaveAllToStream(TStream* Stream, int32_t Codec) override;
  bool LoadAllFromStream(TStream* Stream) override;
  void LoadFromFilePVV(const std::string& FileName) override;
  void LoadAllFromFile(const std::string& FileName) override;
  void GetObjectsExtent(TRect& Extent) override { Extent = ObjectsExtent; }
  void CopyObjectsToBack() override { Calls.push_back("CopyObjectsToBack"); }

  std::string Objects;
  TRect ObjectsExtent;
  int32_t LastCodec = 0;
};

}  // namespace calmora::test
