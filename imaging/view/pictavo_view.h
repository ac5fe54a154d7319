// TPictavoView, the library's image view control: layers zoomed and scrolled over a styled
// background, selections, and the I/O and processing components it makes on demand. Declared
// here with its virtual operations; the layers below reach it through TPictavoViewServices.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "imaging/base/defs.h"
#include "imaging/core/view/view_base.h"
#include "imaging/core/view/view_services.h"
#include "platform/graphics_tools.h"

namespace calmora {

class TPictavoIO;
class TPictavoProc;
class TPVTransitionEffects;

// The kind of view change OnViewChange reports.
using TViewChangeEvent = std::function<void(TObject* Sender, int32_t Change)>;

class TPictavoView : public TPVView, public TPictavoViewServices {
 public:
  // Starts the antialiased drawing layer (LoadGdiPlus); the destructor stops it.
  explicit TPictavoView(platform::TComponent* AOwner);
  ~TPictavoView() override;

  // ---- TPVView's operations ----
  void SetBackground(TColor Value) override;
  platform::TBitmap* GetTBitmap() override;
  TPVBitmap* GetPVBitmap() override;
  TPVBitmap* GetAlphaChannel() override;
  bool HasAlphaChannel() override;
  void RemoveAlphaChannel(bool Merge) override;
  void LockPaint() override;
  int32_t UnlockPaint() override;
  int32_t UnlockPaintSilently() override;
  void SetDpiX(int32_t Value) override;
  void SetDpiY(int32_t Value) override;
  // Re-lays out and repaints (zoom, origin, scroll bars, layer sizes) unless the update lock
  // is held.
  void Update() override;
  void Paint() override;

  // ---- TPictavoViewServices ----
  int32_t GetLayersCount() override;
  TPVLayerServices* GetLayer(int32_t Index) override;
  int32_t GetCurrentLayer() override;
  void LayersClear() override;
  int32_t LayersAdd() override;
  void LayersMergeAll() override;
  void LayersDrawTo(TPVBitmap& Bitmap) override;
  void LoadLayersFromFile(const std::string& FileName) override;
  void LoadLayersFromStream(TStream* Stream) override;
  TPVMask& GetSelectionMask() override;
  bool GetSelected() override;
  const TPoint* GetPolySelPoints() override;
  int32_t GetPolySelCount() override;
  void SaveSelectionToStream(TStream* Stream) override;
  bool LoadSelectionFromStream(TStream* Stream, int32_t Mode) override;
  void LockUpdate() override;
  void UnlockUpdateSilently() override;
  void SetExternalBitmap(TPVBitmap* Bitmap) override;
  void Blank() override;
  void Fit() override;
  void SetZoom(double Percent) override;
  double GetZoom() override;
  void SetViewXY(int32_t X, int32_t Y) override;
  int32_t GetViewX() override;
  int32_t GetViewY() override;

  // ---- The view's own ----
  // Paints the background (its style in Background) over the client size onto Canvas.
  virtual void DrawBackgroundTo(platform::TCanvas& Canvas);
  // The view's own components, made on first use and attached to the view.
  virtual TPictavoIO* GetIO();
  virtual TPictavoProc* GetProc();
  virtual void SetChessboardStyle(int32_t CellSize, platform::TBrushStyle Style);
  // Copies another view's image, background and resolution.
  virtual void Assign(TPictavoView& Source);

  TViewChangeEvent OnViewChange;
  TPVProgressEvent OnProgress;
  TNotifyEvent OnFinishWork;
  bool EnableInteractionHints = true;
};

}  // namespace calmora
