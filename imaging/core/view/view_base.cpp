// The view base: construction defaults, the frame choice and the bitmap-change callbacks.
#include "imaging/core/view/view_base.h"

#include <algorithm>

namespace calmora {

TPVView::TPVView(platform::TComponent* AOwner) : TCustomControl(AOwner) {
  ControlStyle.Include(platform::csAcceptsControls);
  ControlStyle.Include(platform::csOpaque);
  ControlStyle.Include(platform::csReplicatable);
  ControlStyle.Include(platform::csNeedsBorderPaint);
  if (!platform::NewStyleControls) ControlStyle.Include(platform::csFramed);
  OnMouseEnter = nullptr;
  OnMouseLeave = nullptr;
  SetCtl3D(true);
}

TPVView::~TPVView() {
  Destroying();
  while (!registrations_.empty()) {
    std::unique_ptr<TRegistration> first = std::move(registrations_.front());
    registrations_.erase(registrations_.begin());
    if (first->Event) first->Event(this, true);
  }
}

void TPVView::SetBackground(TColor Value) { background_ = Value; }

void TPVView::SetDpiX(int32_t Value) {
  if (Value != 0) DpiX = Value;
}

void TPVView::SetDpiY(int32_t Value) {
  if (Value != 0) DpiY = Value;
}

void TPVView::SetDpi(int32_t X, int32_t Y) {
  SetDpiX(X);
  SetDpiY(Y);
}

void TPVView::NotifyBitmapChanged() {
  std::vector<TPVRegistrationHandle> handles;
  handles.reserve(registrations_.size());
  for (const auto& record : registrations_)
    handles.push_back(reinterpret_cast<TPVRegistrationHandle>(record.get()));
  for (TPVRegistrationHandle handle : handles) {
    auto found = FindRegistration(handle);
    if (found == registrations_.end()) continue;
    // A copy: the callback may free its own record.
    const TPVBitmapChangeEvent event = (*found)->Event;
    if (event) event(this, false);
  }
}

TPVView::TRegistrations::iterator TPVView::FindRegistration(TPVRegistrationHandle Handle) {
  return std::find_if(registrations_.begin(), registrations_.end(), [Handle](const auto& record) {
    return reinterpret_cast<TPVRegistrationHandle>(record.get()) == Handle;
  });
}

TPVRegistrationHandle TPVView::RegisterBitmapChangeEvent(TPVBitmapChangeEvent Event) {
  registrations_.push_back(std::make_unique<TRegistration>(TRegistration{std::move(Event)}));
  return reinterpret_cast<TPVRegistrationHandle>(registrations_.back().get());
}

void TPVView::UnregisterBitmapChangeEvent(TPVRegistrationHandle Handle) {
  if (Handle == kNoRegistration) return;
  auto found = FindRegistration(Handle);
  if (found != registrations_.end()) registrations_.erase(found);
}

void TPVView::SetBorderStyle(platform::TBorderStyle Value) {
  if (Value == borderStyle_) return;
  borderStyle_ = Value;
  RecreateWnd();
}

void TPVView::SetCtl3D(bool Value) {
  if (Value == GetCtl3D()) return;
  TCustomControl::SetCtl3D(Value);
}

void TPVView::CreateParams(platform::TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  if (borderStyle_ == platform::bsSingle) {
    if (platform::NewStyleControls && GetCtl3D())
      Params.ExStyle |= platform::WS_EX_CLIENTEDGE;
    else
      Params.Style |= platform::WS_BORDER;
  }
  Params.WindowClassStyle &= ~(platform::CS_HREDRAW | platform::CS_VREDRAW);
}

void TPVView::CMMouseEnter() {
  TCustomControl::CMMouseEnter();
  if (OnMouseEnter) OnMouseEnter(this);
}

void TPVView::CMMouseLeave() {
  TCustomControl::CMMouseLeave();
  if (OnMouseLeave) OnMouseLeave(this);
}

platform::TCanvas* GetViewCanvas(TPVView* View) { return View ? View->GetCanvas() : nullptr; }

}  // namespace calmora
