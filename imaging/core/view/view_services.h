// The image view, its layers and vector objects as the layers below the view use them: they
// cannot name the view's classes, so TPictavoView, TPVLayer and TPictavoVect implement these
// interfaces, and a component attached to a TPVView finds them with dynamic_cast.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/base/geometry/geometry.h"

namespace calmora {

class TPVBitmap;
class TPVMask;
class TStream;

// One layer of a view: its bitmap at a position, a locked flag and a unique id.
class TPVLayerServices {
 public:
  virtual ~TPVLayerServices() = default;

  virtual TPVBitmap* GetBitmap() = 0;
  virtual int32_t GetPosX() const = 0;
  virtual int32_t GetPosY() const = 0;
  // A locked layer is not moved or resized by the mouse.
  virtual bool GetLocked() const = 0;
  virtual TGUID GetGUID() const = 0;
  // Default layer values (id and bitmap kept).
  virtual void Reset() = 0;
  // Copies the properties and the bitmap of another layer (not its id).
  virtual void Assign(TPVLayerServices& Source) = 0;
  // Appends one layer record at the stream's position: an int32 with the record's length from
  // its own first byte (written last), the 16-byte id, the properties, a byte that tells
  // whether a bitmap follows and, with WithBitmap, the bitmap as a raw bitmap stream. Leaves
  // the stream at the record's end.
  virtual void SaveToStream(TStream* Stream, bool WithBitmap) = 0;
  // Reads one such record into the layer (id, properties and, when carried, the bitmap) and
  // leaves the stream at the record's end.
  virtual void LoadFromStream(TStream* Stream) = 0;
};

// The image view (TPictavoView).
class TPictavoViewServices {
 public:
  virtual ~TPictavoViewServices() = default;

  // ---- Layers ----
  virtual int32_t GetLayersCount() = 0;  // at least 1
  // 0 is the bottom layer; null outside the list.
  virtual TPVLayerServices* GetLayer(int32_t Index) = 0;
  virtual int32_t GetCurrentLayer() = 0;
  // Keeps only layer 0, reset.
  virtual void LayersClear() = 0;
  // Appends a layer and makes it current; answers its index.
  virtual int32_t LayersAdd() = 0;
  // Renders all layers into layer 0.
  virtual void LayersMergeAll() = 0;
  // All layers at full opacity into a bitmap sized to their union.
  virtual void LayersDrawTo(TPVBitmap& Bitmap) = 0;
  virtual void LoadLayersFromFile(const std::string& FileName) = 0;
  virtual void LoadLayersFromStream(TStream* Stream) = 0;

  // ---- Selection ----
  // The mask always exists; GetSelected tells whether a selection is present.
  virtual TPVMask& GetSelectionMask() = 0;
  virtual bool GetSelected() = 0;
  // The selection polygon: GetPolySelCount points of (x, y).
  virtual const TPoint* GetPolySelPoints() = 0;
  virtual int32_t GetPolySelCount() = 0;
  // Writes the selection (mask size, polygon, bounds and flags, the current layer's position,
  // mask bits) at the stream's position.
  virtual void SaveSelectionToStream(TStream* Stream) = 0;
  // Reads such a selection and updates the view; with Mode 1 a selection of an image of
  // another size is moved back inside this one.
  virtual bool LoadSelectionFromStream(TStream* Stream, int32_t Mode) = 0;

  // ---- Layout and display ----
  // While the update lock is held, Update does nothing; the silent unlock does not repaint.
  virtual void LockUpdate() = 0;
  virtual void UnlockUpdateSilently() = 0;
  // Shows a bitmap the caller owns; null returns to the view's own bitmap.
  virtual void SetExternalBitmap(TPVBitmap* Bitmap) = 0;
  // Stops a running transition and makes the image 1 x 1 in the background colour.
  virtual void Blank() = 0;
  // The zoom that shows the whole image.
  virtual void Fit() = 0;
  virtual void SetZoom(double Percent) = 0;
  virtual double GetZoom() = 0;
  virtual void SetViewXY(int32_t X, int32_t Y) = 0;
  virtual int32_t GetViewX() = 0;
  virtual int32_t GetViewY() = 0;
};

// The vector-object view (TPictavoVect), a TPictavoView with vector objects above the image.
class TPictavoVectServices {
 public:
  virtual ~TPictavoVectServices() = default;

  // The objects as a PVV stream at the stream's position.
  virtual void SaveToStreamPVV(TStream* Stream) = 0;
  // Replaces all objects with those of such a stream; true on success.
  virtual bool LoadFromStreamPVV(TStream* Stream) = 0;
  // An int32 offset of the PVV part, the layers stream (bitmaps in the form Codec selects),
  // then the PVV stream.
  virtual void SaveAllToStream(TStream* Stream, int32_t Codec) = 0;
  // Reads what SaveAllToStream wrote; false when the layers part is refused.
  virtual bool LoadAllFromStream(TStream* Stream) = 0;
  virtual void LoadFromFilePVV(const std::string& FileName) = 0;
  virtual void LoadAllFromFile(const std::string& FileName) = 0;
  // (0, 0) to the largest right and bottom of all objects, plus one.
  virtual void GetObjectsExtent(TRect& Extent) = 0;
  // Draws the objects into the view's image.
  virtual void CopyObjectsToBack() = 0;
};

}  // namespace calmora
