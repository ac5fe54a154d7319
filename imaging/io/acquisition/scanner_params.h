// TPVTWainParams, the scanner settings of the I/O component, and the scanner state shared by
// its sessions: the source manager's library, its entry point and the proxy window it talks
// through. Linux has no scanner source manager: nothing loads one or makes the window, so
// destroying the settings only prepares a session record; what is held is still released.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/base/pv_list.h"

namespace calmora {

namespace platform {
class TComponent;
class TCustomControl;
}  // namespace platform

// Text fields of the identity records: 34 bytes, zero-terminated.
using TPVTwainText = char[34];

struct TPVTwainVersion {
  uint16_t MajorNum = 0;
  uint16_t MinorNum = 0;
  uint16_t Language = 0;
  uint16_t Country = 0;
  TPVTwainText Info = {};
};

// Who takes part in a session: the application, or a source.
struct TPVTwainIdentity {
  uint32_t Id = 0;
  TPVTwainVersion Version;
  uint16_t ProtocolMajor = 0;
  uint16_t ProtocolMinor = 0;
  uint32_t SupportedGroups = 0;
  TPVTwainText Manufacturer = {};
  TPVTwainText ProductFamily = {};
  TPVTwainText ProductName = {};
};

// Supported groups: control and image.
inline constexpr uint32_t kTwainGroupControl = 1;
inline constexpr uint32_t kTwainGroupImage = 2;

struct TPVTwainSharedState {
  void* SourceManagerLibrary = nullptr;  // from dlopen
  void* SourceManagerEntry = nullptr;
  std::unique_ptr<platform::TCustomControl> ProxyWindow;
};

// One session's record; state 1: the source manager is not loaded.
struct TPVTwainSession {
  int32_t State = 0;
  platform::TCustomControl* ParentWindow = nullptr;
  TPVTwainIdentity AppIdentity;
  platform::TCustomControl* OwnerWindow = nullptr;
  TPVTwainSharedState* Shared = nullptr;
};

// A new session record: state 1, the active window as parent, this application's identity.
TPVTwainSession InitTwainSession();
// Ends what the shared state holds, through a session record made for Window: the proxy
// window first, then the source manager. Answers that record.
TPVTwainSession FreeTwainResources(TPVTwainSharedState& Shared, platform::TCustomControl* Window);
// Destroys the session's proxy window, when there is one, with its log lines.
void DestroyProxyWindow(TPVTwainSession& Session);
// Unloads the session's source manager library and forgets its entry point, with its log
// lines; the session's state becomes 1.
void PVTW_UnloadSourceManager(TPVTwainSession& Session);

// Layout of TPVTWainParams::Switches as SetDefaults leaves them: the first four set, the next
// three set only with an owner, the rest clear.
inline constexpr int kTwainSwitchCount = 18;
inline constexpr int kTwainSwitchesSet = 4;
inline constexpr int kTwainSwitchesSetWithOwner = 3;

class TPVTWainParams : public TObject {
 public:
  explicit TPVTWainParams(platform::TComponent* AOwner);
  // Frees the shared scanner state for the owner's window, then sets the defaults again.
  ~TPVTWainParams() override;
  TPVTWainParams(const TPVTWainParams&) = delete;
  TPVTWainParams& operator=(const TPVTWainParams&) = delete;

  // Every setting to its value at creation; the source records are freed.
  void SetDefaults();

  platform::TComponent* Owner;
  TPVTwainSharedState Shared;
  std::vector<std::unique_ptr<TPVTwainIdentity>> Sources;
  int32_t SelectedSource = 0;
  // The capability lists a source's negotiation fills.
  TPVDoubleList DoubleCapabilities[8];
  TPVIntegerList IntegerCapabilities[4];
  double Gamma = 2.2;
  // The area to acquire; nothing here reads it.
  double AcquireFrameLeft = 0;
  double AcquireFrameTop = 0;
  double AcquireFrameRight = -1.0;
  double AcquireFrameBottom = -1.0;
  bool Switches[kTwainSwitchCount] = {};
  uint8_t Reserved[16] = {};
  // The application's identity as the source manager would see it.
  std::string AppVersionInfo;
  std::string AppManufacturer;
  std::string AppProductFamily;
  std::string AppProductName;
  int32_t LastError = 0;
  std::string LastErrorText;
};

}  // namespace calmora
