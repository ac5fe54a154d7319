// The root of every class tree of ours, the platform's components included: a virtual
// destructor, so owners and events can hold and free objects through a base pointer.
#pragma once

namespace calmora::platform {

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = default;
  TObject& operator=(const TObject&) = default;
  virtual ~TObject();
};

}  // namespace calmora::platform
