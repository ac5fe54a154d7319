// The scanner settings' defaults and the release of the shared scanner state.
#include "imaging/io/acquisition/scanner_params.h"

#include <dlfcn.h>

#include <cstring>

#include "imaging/base/platform_queries.h"
#include "imaging/io/acquisition/scanner_log.h"
#include "platform/active_window.h"
#include "platform/custom_control.h"

namespace calmora {

namespace {

// A single blank, the rest of the field zero.
void SetBlank(TPVTwainText& text) {
  std::memset(text, 0, sizeof text);
  text[0] = ' ';
}

}  // namespace

TPVTwainSession InitTwainSession() {
  TPVTwainSession session;
  session.State = 1;
  session.ParentWindow = platform::ActiveControlWindow();
  TPVTwainIdentity& identity = session.AppIdentity;
  identity.Id = 0;
  identity.Version.MajorNum = 1;
  identity.Version.MinorNum = 0;
  identity.Version.Language = 13;
  identity.Version.Country = 1;
  SetBlank(identity.Version.Info);
  SetBlank(identity.Manufacturer);
  SetBlank(identity.ProductFamily);
  SetBlank(identity.ProductName);
  identity.ProtocolMajor = 1;
  identity.ProtocolMinor = 9;
  identity.SupportedGroups = kTwainGroupControl | kTwainGroupImage;
  return session;
}

TPVTwainSession FreeTwainResources(TPVTwainSharedState& Shared, platform::TCustomControl* Window) {
  TPVTwainSession session = InitTwainSession();
  session.OwnerWindow = Window;
  session.Shared = &Shared;
  if (Shared.ProxyWindow != nullptr) DestroyProxyWindow(session);
  if (Shared.SourceManagerLibrary != nullptr) PVTW_UnloadSourceManager(session);
  return session;
}

void DestroyProxyWindow(TPVTwainSession& Session) {
  LogTwainLine("DestroyProxyWindow");
  Session.Shared->ProxyWindow.reset();
  LogTwainLine("  DestroyProxyWindow : destroyed");
}

void PVTW_UnloadSourceManager(TPVTwainSession& Session) {
  LogTwainLine("PVTW_UnloadSourceManager");
  TPVTwainSharedState& shared = *Session.Shared;
  if (shared.SourceManagerLibrary != nullptr) dlclose(shared.SourceManagerLibrary);
  shared.SourceManagerLibrary = nullptr;
  shared.SourceManagerEntry = nullptr;
  Session.State = 1;
  LogTwainLine("  PVTW_UnloadSourceManager : Unload OK");
}

TPVTWainParams::TPVTWainParams(platform::TComponent* AOwner) : Owner(AOwner) { SetDefaults(); }

TPVTWainParams::~TPVTWainParams() {
  FreeTwainResources(Shared, FindOwnerWindowHandle(Owner));
  SetDefaults();
}

void TPVTWainParams::SetDefaults() {
  for (std::unique_ptr<TPVTwainIdentity>& source : Sources) source.reset();
  Sources.clear();
  SelectedSource = 0;
  for (TPVDoubleList& list : DoubleCapabilities) list.Clear();
  for (TPVIntegerList& list : IntegerCapabilities) list.Clear();
  Gamma = 2.2;
  AcquireFrameLeft = 0;
  AcquireFrameTop = 0;
  AcquireFrameRight = -1.0;
  AcquireFrameBottom = -1.0;
  for (int i = 0; i < kTwainSwitchCount; ++i) {
    if (i < kTwainSwitchesSet)
      Switches[i] = true;
    else if (i < kTwainSwitchesSet + kTwainSwitchesSetWithOwner)
      Switches[i] = Owner != nullptr;
    else
      Switches[i] = false;
  }
  std::memset(Reserved, 0, sizeof Reserved);
  AppVersionInfo.clear();
  AppManufacturer.clear();
  AppProductFamily.clear();
  AppProductName.clear();
  LastError = 0;
  LastErrorText.clear();
}

}  // namespace calmora
