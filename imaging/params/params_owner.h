// TIOParamsOwner: what a parameter record asks of the I/O component that owns it. The
// component (TPictavoIO, a layer above) derives from it, so the record never calls upwards.
#pragma once

namespace calmora {

namespace platform {
class TBitmap;
}

class TPVView;

class TIOParamsOwner {
 public:
  // The component's device bitmap, or null; SetDefaults takes its size.
  virtual platform::TBitmap* GetTBitmap() = 0;
  // The view the component is attached to, or null; it hears of every resolution set.
  virtual TPVView* GetAttachedPictavo() = 0;

 protected:
  ~TIOParamsOwner() = default;
};

}  // namespace calmora
