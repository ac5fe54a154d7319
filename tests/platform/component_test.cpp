// Components: owners free what they own (the last first), ownership moves, free notifications
// reach the other side whichever goes first, and siblings hear of each other through their
// owner.
#include "platform/component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace calmora::platform {
namespace {

// Records what it hears and when it goes, in a log shared by a test's components.
class Recorder : public TComponent {
 public:
  Recorder(TComponent* owner, std::string name, std::vector<std::string>& log)
      : TComponent(owner), name_(std::move(name)), log_(log) {}
  ~Recorder() override { log_.push_back("free " + name_); }

  const std::string& Name() const { return name_; }

 protected:
  // Logs removals only: an inserted component is still being constructed when it is told.
  void Notification(TComponent* component, TOperation operation) override {
    if (operation == opRemove) {
      // A component being destroyed is no longer a Recorder by the time it tells others.
      const auto* other = dynamic_cast<Recorder*>(component);
      log_.push_back(name_ + " -" + (other ? other->Name() : "?"));
    }
    TComponent::Notification(component, operation);
  }

 private:
  std::string name_;
  std::vector<std::string>& log_;
};

TEST(ComponentTest, OwnerFreesWhatItOwnsLastFirst) {
  std::vector<std::string> log;
  auto* owner = new Recorder(nullptr, "owner", log);
  new Recorder(owner, "a", log);
  new Recorder(owner, "b", log);
  EXPECT_EQ(owner->GetComponentCount(), 2);
  EXPECT_EQ(owner->GetComponent(0)->GetOwner(), owner);
  delete owner;
  EXPECT_EQ((std::vector<std::string>{"free owner", "free b", "free a"}), log);
}

TEST(ComponentTest, DeletingAnOwnedComponentRemovesItFromItsOwnerAndTellsTheSiblings) {
  std::vector<std::string> log;
  Recorder owner(nullptr, "owner", log);
  auto* a = new Recorder(&owner, "a", log);
  new Recorder(&owner, "b", log);
  log.clear();
  delete a;
  EXPECT_EQ(owner.GetComponentCount(), 1);
  EXPECT_EQ(owner.GetComponent(0)->GetOwner(), &owner);
  EXPECT_EQ(owner.GetComponent(1), nullptr);
  // The owner hears of the removal and passes it to all it owns.
  EXPECT_EQ((std::vector<std::string>{"free a", "owner -?", "b -?"}), log);
}

TEST(ComponentTest, InsertComponentTakesOwnershipFromTheFormerOwner) {
  std::vector<std::string> log;
  Recorder first(nullptr, "first", log);
  Recorder second(nullptr, "second", log);
  auto* moved = new Recorder(&first, "moved", log);
  second.InsertComponent(moved);
  EXPECT_EQ(first.GetComponentCount(), 0);
  EXPECT_EQ(second.GetComponentCount(), 1);
  EXPECT_EQ(moved->GetOwner(), &second);
  // The former owner heard of the removal, while the component was whole, and passed it on
  // to all it owned, the component itself included.
  EXPECT_EQ((std::vector<std::string>{"first -moved", "moved -moved"}), log);
  second.RemoveComponent(moved);
  EXPECT_EQ(moved->GetOwner(), nullptr);
  delete moved;
}

TEST(ComponentTest, FreeNotificationReachesTheOtherSideWhicheverGoesFirst) {
  for (bool watcherFirst : {false, true}) {
    std::vector<std::string> log;
    auto* watcher = new Recorder(nullptr, "watcher", log);
    auto* watched = new Recorder(nullptr, "watched", log);
    watcher->FreeNotification(watched);
    EXPECT_TRUE(watcher->GetComponentState().Contains(csFreeNotification));
    EXPECT_TRUE(watched->GetComponentState().Contains(csFreeNotification));
    if (watcherFirst) {
      delete watcher;
      delete watched;  // must not tell the freed watcher
      EXPECT_EQ((std::vector<std::string>{"free watcher", "watched -?", "free watched"}), log);
    } else {
      delete watched;
      delete watcher;
      EXPECT_EQ((std::vector<std::string>{"free watched", "watcher -?", "free watcher"}), log);
    }
  }
}

TEST(ComponentTest, RemovedFreeNotificationIsNotSent) {
  std::vector<std::string> log;
  auto* watcher = new Recorder(nullptr, "watcher", log);
  auto* watched = new Recorder(nullptr, "watched", log);
  watcher->FreeNotification(watched);
  watcher->RemoveFreeNotification(watched);
  delete watched;
  EXPECT_EQ((std::vector<std::string>{"free watched"}), log);
  delete watcher;
}

TEST(ComponentTest, DestroyingMarksTheState) {
  std::vector<std::string> log;
  Recorder component(nullptr, "c", log);
  EXPECT_TRUE(component.GetComponentState().IsEmpty());
  component.Destroying();
  EXPECT_TRUE(component.GetComponentState().Contains(csDestroying));
}

}  // namespace
}  // namespace calmora::platform
