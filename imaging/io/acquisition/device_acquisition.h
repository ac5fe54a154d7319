// TPVWia, the device-acquisition object of the I/O component: its device list and root item,
// the progress bridge to its owner, and the item events of the device manager, which reach it
// through TWiaEventCallBack. Linux has no device manager: none is made, nothing registers for
// events and no device is listed; the events still work when delivered.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/base/geometry/geometry.h"

namespace calmora {

class TPictavoIO;

// The device manager's item events this object listens to.
inline constexpr TGUID WIA_EVENT_ITEM_CREATED = {
    0x4C8F4EF5, 0xE14F, 0x11D2, {0xB3, 0x26, 0x00, 0xC0, 0x4F, 0x68, 0xCE, 0x61}};
inline constexpr TGUID WIA_EVENT_ITEM_DELETED = {
    0x1D22A559, 0xE14F, 0x11D2, {0xB3, 0x26, 0x00, 0xC0, 0x4F, 0x68, 0xCE, 0x61}};
inline constexpr TGUID WIA_EVENT_TREE_UPDATED = {
    0xC9859B91, 0x4AB2, 0x4CD6, {0xA1, 0xFC, 0x58, 0x2E, 0xEC, 0x55, 0xE5, 0x85}};

// Values of TPVWia::LastEvent.
inline constexpr uint8_t kWiaTreeUpdated = 1;
inline constexpr uint8_t kWiaItemCreated = 2;
inline constexpr uint8_t kWiaItemDeleted = 3;

// One device the manager lists.
struct TPVWiaDevice {
  std::u16string DeviceID;
  std::u16string Name;
};

class TPVWia : public TObject {
 public:
  // Initialises OLE once for the process. No device manager exists here, so the object
  // registers for no event.
  explicit TPVWia(TPictavoIO* AOwner);
  // Releases the registrations and the manager, then the devices and the root item.
  ~TPVWia() override;
  TPVWia(const TPVWia&) = delete;
  TPVWia& operator=(const TPVWia&) = delete;

  // Frees the device records, the first first.
  void ClearDevices();
  // Fires ItemsChanged(this) when assigned.
  void DoItemsChanged();

  TPictavoIO* Owner;
  std::unique_ptr<TObject> DeviceManager;
  std::vector<std::unique_ptr<TPVWiaDevice>> Devices;
  std::unique_ptr<TObject> RootItem;
  // The manager's registrations for the three item events; releasing one ends it.
  std::unique_ptr<TObject> ItemCreatedRegistration;
  std::unique_ptr<TObject> ItemDeletedRegistration;
  std::unique_ptr<TObject> TreeUpdatedRegistration;
  // Reports a transfer's percentage; false asks to stop.
  std::function<bool(int32_t Percent)> ProgressCallback;
  std::function<void(TObject* Sender)> ItemsChanged;
  // The last item event: kWiaTreeUpdated, kWiaItemCreated or kWiaItemDeleted (0 before any).
  uint8_t LastEvent = 0;
};

// What the device manager calls when an item event happens, on a thread of its choosing; it
// only records the event and fires ItemsChanged, without a lock.
class TWiaEventCallBack : public TObject {
 public:
  explicit TWiaEventCallBack(TPVWia* AWia) : Wia(AWia) {}
  // The event's other details (its names, the device, the item) are not read. Always 0
  // (success), whatever the event.
  int32_t ImageEventCallback(const TGUID& EventId);

  TPVWia* Wia;
};

}  // namespace calmora
