// The toolkit's component base: an owner frees the components it owns, and a component tells
// those that asked for a free notification when it goes, through the virtual Notification.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/object.h"

namespace calmora::platform {

enum TOperation : uint8_t { opInsert, opRemove };

enum TComponentStateFlag : uint8_t {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csFreeNotification,  // the component once asked for, or was asked for, a free notification
};

// A set of component state flags: bit n stands for the flag of ordinal n.
struct TComponentState {
  uint8_t Bits = 0;
  bool Contains(TComponentStateFlag flag) const { return (Bits >> flag) & 1u; }
  void Include(TComponentStateFlag flag) { Bits = static_cast<uint8_t>(Bits | (1u << flag)); }
  void Exclude(TComponentStateFlag flag) { Bits = static_cast<uint8_t>(Bits & ~(1u << flag)); }
  bool IsEmpty() const { return Bits == 0; }
};

// Components are made with new when they have an owner: the owner deletes them. A component
// that is also a widget may be deleted by its parent widget first; it then leaves its owner.
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* GetOwner() const { return Owner_; }
  int32_t GetComponentCount() const { return static_cast<int32_t>(Components_.size()); }
  // Null outside 0 .. count - 1.
  TComponent* GetComponent(int32_t index) const;
  TComponentState GetComponentState() const { return State_; }

  // Takes ownership of a component (taking it from its former owner first).
  void InsertComponent(TComponent* AComponent);
  // Gives up ownership without freeing the component.
  void RemoveComponent(TComponent* AComponent);
  // Frees the owned components, the last first.
  void DestroyComponents();

  // AComponent receives Notification(this, opRemove) when this component is freed, and this
  // component likewise when AComponent is. Components of one owner need not ask: the owner
  // passes every removal on to all it owns.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // Marks the component as being destroyed; destructors of components call it first.
  void Destroying() { State_.Include(csDestroying); }

 protected:
  // A component was inserted into or removed from this one's owned list, or a component this
  // one asked about is going. The base drops a going component's free notification and passes
  // the news on to every owned component.
  virtual void Notification(TComponent* AComponent, TOperation Operation);

  TComponentState State_;

 private:
  void ForgetNotifier(TComponent* AComponent);

  TComponent* Owner_ = nullptr;
  std::vector<TComponent*> Components_;
  std::vector<TComponent*> FreeNotifies_;
};

}  // namespace calmora::platform
