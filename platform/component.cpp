// Ownership and free notification of components.
#include "platform/component.h"

#include <algorithm>

namespace calmora::platform {

namespace {

bool Erase(std::vector<TComponent*>& list, TComponent* item) {
  auto found = std::find(list.begin(), list.end(), item);
  if (found == list.end()) return false;
  list.erase(found);
  return true;
}

}  // namespace

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner != nullptr) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Each notified component drops its link back to this one in its Notification.
  while (!FreeNotifies_.empty()) {
    TComponent* other = FreeNotifies_.back();
    FreeNotifies_.pop_back();
    other->Notification(this, opRemove);
    other->ForgetNotifier(this);
  }
  DestroyComponents();
  if (Owner_ != nullptr) Owner_->RemoveComponent(this);
}

TComponent* TComponent::GetComponent(int32_t index) const {
  if (index < 0 || index >= GetComponentCount()) return nullptr;
  return Components_[static_cast<size_t>(index)];
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent->Owner_ == this) return;
  if (AComponent->Owner_ != nullptr) AComponent->Owner_->RemoveComponent(AComponent);
  Components_.push_back(AComponent);
  AComponent->Owner_ = this;
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent->Owner_ != this) return;
  Notification(AComponent, opRemove);
  Erase(Components_, AComponent);
  AComponent->Owner_ = nullptr;
}

void TComponent::DestroyComponents() {
  while (!Components_.empty()) {
    TComponent* last = Components_.back();
    Components_.pop_back();
    last->Owner_ = nullptr;
    delete last;
  }
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent == this) return;
  if (Owner_ == nullptr || AComponent->Owner_ != Owner_) {
    if (std::find(FreeNotifies_.begin(), FreeNotifies_.end(), AComponent) == FreeNotifies_.end()) {
      FreeNotifies_.push_back(AComponent);
      AComponent->FreeNotification(this);
    }
  }
  State_.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (AComponent == nullptr) return;
  ForgetNotifier(AComponent);
  AComponent->ForgetNotifier(this);
}

void TComponent::ForgetNotifier(TComponent* AComponent) { Erase(FreeNotifies_, AComponent); }

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent != nullptr) RemoveFreeNotification(AComponent);
  // A component told may free others of the list; walk a copy and skip those gone.
  const std::vector<TComponent*> owned = Components_;
  for (auto it = owned.rbegin(); it != owned.rend(); ++it) {
    if (std::find(Components_.begin(), Components_.end(), *it) != Components_.end())
      (*it)->Notification(AComponent, Operation);
  }
}

}  // namespace calmora::platform
