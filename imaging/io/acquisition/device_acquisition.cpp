// The device-acquisition object's life and its item events.
#include "imaging/io/acquisition/device_acquisition.h"

#include "imaging/io/pictavo_io.h"
#include "imaging/io/acquisition/wia_unit.h"

namespace calmora {

TPVWia::TPVWia(TPictavoIO* AOwner) : Owner(AOwner) {
  InitializeOleOnce();
  if (Owner != nullptr)
    ProgressCallback = [owner = Owner](int32_t Percent) { return owner->WIAProgress(Percent); };
}

TPVWia::~TPVWia() {
  ItemCreatedRegistration.reset();
  ItemDeletedRegistration.reset();
  TreeUpdatedRegistration.reset();
  DeviceManager.reset();
  ClearDevices();
  RootItem.reset();
}

void TPVWia::ClearDevices() {
  for (std::unique_ptr<TPVWiaDevice>& device : Devices) device.reset();
  Devices.clear();
}

void TPVWia::DoItemsChanged() {
  if (ItemsChanged) ItemsChanged(this);
}

int32_t TWiaEventCallBack::ImageEventCallback(const TGUID& EventId) {
  if (Wia == nullptr) return 0;
  uint8_t event = 0;
  if (SameGUID(EventId, WIA_EVENT_TREE_UPDATED))
    event = kWiaTreeUpdated;
  else if (SameGUID(EventId, WIA_EVENT_ITEM_CREATED))
    event = kWiaItemCreated;
  else if (SameGUID(EventId, WIA_EVENT_ITEM_DELETED))
    event = kWiaItemDeleted;
  if (event == 0) return 0;
  Wia->LastEvent = event;
  Wia->DoItemsChanged();
  return 0;
}

}  // namespace calmora
