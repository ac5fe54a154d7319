// TPVView, the base control of the image views: background, border, 3-D look, resolution, mouse
// enter and leave events, and the callbacks that hear when the view's bitmap changes, through
// which (and its virtual operations) the processing and I/O components attach to any view.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/base/pixel_types.h"
#include "platform/custom_control.h"

namespace calmora {

class TPVBitmap;

// Destroying is false when the view's current bitmap object changed, true when the view is
// being destroyed.
using TPVBitmapChangeEvent = std::function<void(TObject* Sender, bool Destroying)>;
using TNotifyEvent = platform::TNotifyEvent;

// A registration's handle (the record's address); -1 stands for none.
using TPVRegistrationHandle = intptr_t;
inline constexpr TPVRegistrationHandle kNoRegistration = -1;

class TPVView : public platform::TCustomControl {
 public:
  explicit TPVView(platform::TComponent* AOwner);
  // Calls every callback with (this, true), the first registered first, then drops it.
  ~TPVView() override;

  // ---- The virtual operations the view adds, in this order ----
  virtual void SetBackground(TColor Value);
  virtual platform::TBitmap* GetTBitmap() { return nullptr; }
  virtual TPVBitmap* GetPVBitmap() { return nullptr; }
  virtual TPVBitmap* GetAlphaChannel() = 0;
  virtual bool HasAlphaChannel() = 0;
  // Drops the alpha channel, merging it over the background first when asked.
  virtual void RemoveAlphaChannel(bool Merge) = 0;
  virtual void LockPaint() = 0;
  // Lowers the paint lock and repaints when it reaches 0; answers the count.
  virtual int32_t UnlockPaint() = 0;
  // Lowers the paint lock without repainting; answers the count.
  virtual int32_t UnlockPaintSilently() = 0;
  // Each stores its value unless it is 0.
  virtual void SetDpiX(int32_t Value);
  virtual void SetDpiY(int32_t Value);
  // SetDpiX, then SetDpiY, both through their virtual slots.
  virtual void SetDpi(int32_t X, int32_t Y);
  // The image changed; nothing here.
  virtual void ImageChange() {}
  // Calls every registered callback with (this, false) in registration order. A callback may
  // unregister itself or others: those gone are not called.
  virtual void NotifyBitmapChanged();

  // ---- Callbacks ----
  TPVRegistrationHandle RegisterBitmapChangeEvent(TPVBitmapChangeEvent Event);
  // kNoRegistration and handles not in the list are ignored.
  void UnregisterBitmapChangeEvent(TPVRegistrationHandle Handle);

  // ---- Published properties ----
  TColor GetBackground() const { return background_; }
  platform::TBorderStyle GetBorderStyle() const { return borderStyle_; }
  // Each stores a changed value and recreates the window, so that the frame is redrawn.
  void SetBorderStyle(platform::TBorderStyle Value);
  void SetCtl3D(bool Value);

  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  int32_t DpiX = 0;  // 0 until set
  int32_t DpiY = 0;

 protected:
  // A single border is the sunken client edge with the 3-D look, else a plain line; a resize
  // repaints only what it uncovers.
  void CreateParams(platform::TCreateParams& Params) override;
  void CMMouseEnter() override;
  void CMMouseLeave() override;

 private:
  struct TRegistration {
    TPVBitmapChangeEvent Event;
  };
  using TRegistrations = std::vector<std::unique_ptr<TRegistration>>;
  TRegistrations::iterator FindRegistration(TPVRegistrationHandle Handle);

  platform::TBorderStyle borderStyle_ = platform::bsSingle;
  TRegistrations registrations_;
  TColor background_ = clBtnFace;
};

// The view's canvas (its client area), on which the transition engine draws.
platform::TCanvas* GetViewCanvas(TPVView* View);

}  // namespace calmora
