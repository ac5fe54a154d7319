// The I/O component's acquisition objects as objects: the scanner settings and their release
// chain with the scanner log, the print-preview settings, the media object that never connects
// here (and what it does with a graph handed to it), the device object and its item events,
// the once-only OLE flag, and the component's getters, progress bridge and media file.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/io/acquisition/device_acquisition.h"
#include "imaging/io/io_unit.h"
#include "imaging/io/acquisition/media_graph.h"
#include "imaging/io/pictavo_io.h"
#include "imaging/io/previews/print_preview_params.h"
#include "imaging/io/acquisition/scanner_log.h"
#include "imaging/io/acquisition/scanner_params.h"
#include "imaging/io/acquisition/wia_unit.h"
#include "platform/custom_control.h"
#include "tests/imaging/support/fake_pictavo_view.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/scoped_override.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {
namespace {

// The lines of a log file with their "yyyy-mm-dd hh:mm:ss : " stamp checked and removed.
std::vector<std::string> LogMessages(const std::string& path) {
  const std::string text = ReadFileBytes(path);
  const std::string stamp = "0000-00-00 00:00:00 : ";
  std::vector<std::string> messages;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find('\n', at);
    if (end == std::string::npos) {
      ADD_FAILURE() << "unterminated line in " << text;
      break;
    }
    const std::string line = text.substr(at, end - at);
    at = end + 1;
    bool stamped = line.size() >= stamp.size();
    for (size_t i = 0; stamped && i < stamp.size(); ++i)
      stamped = stamp[i] == '0' ? (line[i] >= '0' && line[i] <= '9') : line[i] == stamp[i];
    EXPECT_TRUE(stamped) << line;
    messages.push_back(stamped ? line.substr(stamp.size()) : line);
  }
  return messages;
}

// ---- Scanner settings ----

void ExpectScannerDefaults(const TPVTWainParams& params, bool withOwner) {
  EXPECT_TRUE(params.Sources.empty());
  EXPECT_EQ(params.SelectedSource, 0);
  for (const TPVDoubleList& list : params.DoubleCapabilities) {
    EXPECT_EQ(list.Count, 0);
    EXPECT_EQ(list.ItemSize, 8);
  }
  for (const TPVIntegerList& list : params.IntegerCapabilities) {
    EXPECT_EQ(list.Count, 0);
    EXPECT_EQ(list.ItemSize, 4);
  }
  EXPECT_EQ(params.Gamma, 2.2);
  EXPECT_EQ(params.AcquireFrameLeft, 0.0);
  EXPECT_EQ(params.AcquireFrameTop, 0.0);
  EXPECT_EQ(params.AcquireFrameRight, -1.0);
  EXPECT_EQ(params.AcquireFrameBottom, -1.0);
  int set = 0;
  for (int i = 0; i < kTwainSwitchCount; ++i) {
    const bool expected = i < 4 || (withOwner && i < 7);
    EXPECT_EQ(params.Switches[i], expected) << "switch " << i;
    set += params.Switches[i] ? 1 : 0;
  }
  EXPECT_EQ(set, withOwner ? 7 : 4);
  for (uint8_t byte : params.Reserved) EXPECT_EQ(byte, 0);
  EXPECT_EQ(params.AppVersionInfo, "");
  EXPECT_EQ(params.AppManufacturer, "");
  EXPECT_EQ(params.AppProductFamily, "");
  EXPECT_EQ(params.AppProductName, "");
  EXPECT_EQ(params.LastError, 0);
  EXPECT_EQ(params.LastErrorText, "");
  EXPECT_EQ(params.Shared.SourceManagerLibrary, nullptr);
  EXPECT_EQ(params.Shared.SourceManagerEntry, nullptr);
  EXPECT_EQ(params.Shared.ProxyWindow, nullptr);
}

TEST(ScannerParams, StartWithEveryDefaultThreeSwitchesFollowingTheOwner) {
  platform::TComponent owner(nullptr);
  for (platform::TComponent* o : {&owner, static_cast<platform::TComponent*>(nullptr)}) {
    SCOPED_TRACE(o != nullptr ? "with owner" : "without owner");
    TPVTWainParams params(o);
    EXPECT_EQ(params.Owner, o);
    ExpectScannerDefaults(params, o != nullptr);
  }
}

TEST(ScannerParams, SetDefaultsRestoresEveryValueAndFreesTheSources) {
  platform::TComponent owner(nullptr);
  TPVTWainParams params(&owner);
  params.Sources.push_back(std::make_unique<TPVTwainIdentity>());
  params.SelectedSource = 3;
  const double value = 7.5;
  for (TPVDoubleList& list : params.DoubleCapabilities) list.Add(&value);
  const int32_t number = 9;
  for (TPVIntegerList& list : params.IntegerCapabilities) list.Add(&number);
  params.Gamma = 1.0;
  params.AcquireFrameLeft = params.AcquireFrameTop = 5;
  params.AcquireFrameRight = params.AcquireFrameBottom = 6;
  for (bool& flag : params.Switches) flag = !flag;
  std::memset(params.Reserved, 0xAB, sizeof params.Reserved);
  params.AppVersionInfo = params.AppManufacturer = "x";
  params.AppProductFamily = params.AppProductName = "y";
  params.LastError = 4;
  params.LastErrorText = "busy";
  params.SetDefaults();
  ExpectScannerDefaults(params, true);
}

TEST(ScannerSession, CarriesThisApplicationsIdentity) {
  const TPVTwainSession session = InitTwainSession();
  EXPECT_EQ(session.State, 1);
  EXPECT_EQ(session.ParentWindow, nullptr);  // no window of ours is active in a test
  EXPECT_EQ(session.OwnerWindow, nullptr);
  EXPECT_EQ(session.Shared, nullptr);
  const TPVTwainIdentity& identity = session.AppIdentity;
  EXPECT_EQ(identity.Id, 0u);
  EXPECT_EQ(identity.Version.MajorNum, 1);
  EXPECT_EQ(identity.Version.MinorNum, 0);
  EXPECT_EQ(identity.Version.Language, 13);
  EXPECT_EQ(identity.Version.Country, 1);
  EXPECT_EQ(identity.ProtocolMajor, 1);
  EXPECT_EQ(identity.ProtocolMinor, 9);
  EXPECT_EQ(identity.SupportedGroups, 3u);
  for (const char* text : {identity.Version.Info, identity.Manufacturer, identity.ProductFamily,
                           identity.ProductName}) {
    EXPECT_EQ(text[0], ' ');
    for (size_t i = 1; i < sizeof(TPVTwainText); ++i) EXPECT_EQ(text[i], '\0');
  }
}

TEST(ScannerSession, FreeingNothingHeldWritesNoLineAndNamesTheWindow) {
  ScratchFolder folder("calmora-scanner");
  ScopedOverride<std::string> name(TwainLogFileName, folder.File("scanner.log"));
  platform::TCustomControl window(nullptr);
  TPVTwainSharedState shared;
  const TPVTwainSession session = FreeTwainResources(shared, &window);
  EXPECT_EQ(session.State, 1);
  EXPECT_EQ(session.OwnerWindow, &window);
  EXPECT_EQ(session.Shared, &shared);
  EXPECT_EQ(session.AppIdentity.ProtocolMinor, 9);
  CloseTwainLog();
  EXPECT_TRUE(folder.Entries().empty());
}

// Something held in the shared state, as a source manager would leave it.
void HoldWindowAndLibrary(TPVTwainSharedState& shared) {
  shared.ProxyWindow = std::make_unique<platform::TCustomControl>(nullptr);
  shared.SourceManagerLibrary = dlopen("libz.so.1", RTLD_NOW);
  ASSERT_NE(shared.SourceManagerLibrary, nullptr) << dlerror();
  shared.SourceManagerEntry = dlsym(shared.SourceManagerLibrary, "zlibVersion");
}

const std::vector<std::string> kReleaseLines = {
    "DestroyProxyWindow", "  DestroyProxyWindow : destroyed", "PVTW_UnloadSourceManager",
    "  PVTW_UnloadSourceManager : Unload OK"};

TEST(ScannerSession, ReleasesTheProxyWindowThenTheSourceManager) {
  ScratchFolder folder("calmora-scanner");
  const std::string log = folder.File("scanner.log");
  ScopedOverride<std::string> name(TwainLogFileName, log);
  TPVTwainSharedState shared;
  HoldWindowAndLibrary(shared);
  const TPVTwainSession session = FreeTwainResources(shared, nullptr);
  EXPECT_EQ(session.State, 1);
  EXPECT_EQ(shared.ProxyWindow, nullptr);
  EXPECT_EQ(shared.SourceManagerLibrary, nullptr);
  EXPECT_EQ(shared.SourceManagerEntry, nullptr);
  EXPECT_EQ(LogMessages(log), kReleaseLines);
  // The last line leaves the file open until the next line or the unit's clean-up.
  EXPECT_TRUE(TwainLogOpen());
  CloseTwainLog();
  EXPECT_FALSE(TwainLogOpen());
}

TEST(ScannerSession, ReleasesSilentlyWithoutALogName) {
  ScratchFolder folder("calmora-scanner");
  ScopedOverride<std::string> name(TwainLogFileName, "");
  TPVTwainSharedState shared;
  HoldWindowAndLibrary(shared);
  FreeTwainResources(shared, nullptr);
  EXPECT_EQ(shared.ProxyWindow, nullptr);
  EXPECT_EQ(shared.SourceManagerLibrary, nullptr);
  EXPECT_FALSE(TwainLogOpen());
  EXPECT_TRUE(folder.Entries().empty());
}

TEST(ScannerParams, DestroyingReleasesTheSharedStateInItsOrder) {
  ScratchFolder folder("calmora-scanner");
  const std::string log = folder.File("scanner.log");
  ScopedOverride<std::string> name(TwainLogFileName, log);
  ASSERT_TRUE(WriteFileBytes(log, ""));
  {
    TPVTWainParams params(nullptr);
    HoldWindowAndLibrary(params.Shared);
  }
  EXPECT_EQ(LogMessages(log), kReleaseLines);
  CloseTwainLog();
}

TEST(ScannerParams, AComponentFreedByItsWindowedOwnerReleasesThemCleanly) {
  // The owner's window is looked for while the owner itself is being freed.
  ScratchFolder folder("calmora-scanner");
  const std::string log = folder.File("scanner.log");
  ScopedOverride<std::string> name(TwainLogFileName, log);
  auto* owner = new platform::TCustomControl(nullptr);
  owner->HandleNeeded();
  auto* io = new TPictavoIO(owner);
  HoldWindowAndLibrary(io->TwainParams->Shared);
  delete owner;
  EXPECT_EQ(LogMessages(log), kReleaseLines);
  CloseTwainLog();
}

TEST(ScannerLog, AppendsDatedLinesUnderTheCurrentName) {
  ScratchFolder folder("calmora-scanner");
  const std::string first = folder.File("first.log");
  const std::string second = folder.File("second.log");
  ASSERT_TRUE(WriteFileBytes(first, "0000-00-00 00:00:00 : earlier\n"));
  ScopedOverride<std::string> name(TwainLogFileName, first);
  LogTwainLine("one");
  TwainLogFileName = second;
  LogTwainLine("two");
  TwainLogFileName.clear();
  LogTwainLine("nowhere");
  EXPECT_EQ(LogMessages(first), (std::vector<std::string>{"earlier", "one"}));
  EXPECT_EQ(LogMessages(second), (std::vector<std::string>{"two"}));
  // The I/O unit's clean-up closes the file a line left open, whatever the name is by then.
  EXPECT_TRUE(TwainLogOpen());
  for (const TStaticSetupStep& step : IOUnitCleanupSteps())
    if (std::string(step.Name) == "CloseTwainLog") step.Run();
  EXPECT_FALSE(TwainLogOpen());
}

TEST(ScannerLog, AFileThatCannotBeOpenedIsPassedOver) {
  ScratchFolder folder("calmora-scanner");
  ScopedOverride<std::string> name(TwainLogFileName, folder.File("missing/scanner.log"));
  LogTwainLine("lost");
  EXPECT_FALSE(TwainLogOpen());
  EXPECT_TRUE(folder.Entries().empty());
}

// ---- Print preview ----

TEST(PrintPreviewParams, StartWithTheirValues) {
  const TIOPrintPreviewParams params;
  EXPECT_EQ(params.MarginLeft, 1.0);
  EXPECT_EQ(params.MarginTop, 1.0);
  EXPECT_EQ(params.MarginRight, 1.0);
  EXPECT_EQ(params.MarginBottom, 1.0);
  EXPECT_EQ(params.Position, 4);
  EXPECT_EQ(params.Size, 1);
  EXPECT_EQ(params.Width, -1.0);
  EXPECT_EQ(params.Height, -1.0);
  EXPECT_EQ(params.Gamma, 1.0);
}

// ---- The OLE flag ----

TEST(WiaUnit, InitialisesOleOnceForAllAcquisitionObjects) {
  InitWiaUnit();
  EXPECT_FALSE(OleInitialised);
  const int32_t initialised = OleInitializeCalls;
  const int32_t uninitialised = OleUninitializeCalls;
  {
    TPVDirectShow media;
    EXPECT_TRUE(OleInitialised);
    TPVDirectShow second;
    TPVWia devices(nullptr);
  }
  EXPECT_EQ(OleInitializeCalls, initialised + 1);
  EXPECT_TRUE(OleInitialised);  // objects going do not undo it; the unit's clean-up does
  FinalizeWiaUnit();
  EXPECT_FALSE(OleInitialised);
  FinalizeWiaUnit();
  EXPECT_EQ(OleUninitializeCalls, uninitialised + 1);
}

// ---- The media object ----

// A graph's parts that write what is asked of them into one shared journal.
struct GraphJournal {
  std::vector<std::string> Calls;
  int32_t State = 0;
};

struct FakeGraph : TObject {
  explicit FakeGraph(GraphJournal& j) : Journal(j) {}
  ~FakeGraph() override { Journal.Calls.push_back("graph released"); }
  GraphJournal& Journal;
};

struct FakeControl : TPVMediaControl {
  explicit FakeControl(GraphJournal& j) : Journal(j) {}
  ~FakeControl() override { Journal.Calls.push_back("control released"); }
  void Stop() override { Journal.Calls.push_back("stop"); }
  int32_t GetState(int32_t TimeoutMs) override {
    Journal.Calls.push_back("state " + std::to_string(TimeoutMs));
    return Journal.State;
  }
  GraphJournal& Journal;
};

struct FakeEvents : TPVMediaEvent {
  explicit FakeEvents(GraphJournal& j) : Journal(j) {}
  ~FakeEvents() override { Journal.Calls.push_back("events released"); }
  void SetNotifyWindow(platform::TCustomControl* Window, uint32_t Message,
                       TObject* Instance) override {
    Journal.Calls.push_back("notify " + std::to_string(Message));
    SeenWindow = Window;
    SeenInstance = Instance;
  }
  GraphJournal& Journal;
  platform::TCustomControl* SeenWindow = nullptr;
  TObject* SeenInstance = nullptr;
};

struct FakeRenderer : TPVWindowlessControl {
  explicit FakeRenderer(GraphJournal& j) : Journal(j) {}
  ~FakeRenderer() override { Journal.Calls.push_back("renderer released"); }
  void SetVideoPosition(const TRect& Source, const TRect& Destination) override {
    Journal.Calls.push_back("position " + std::to_string(Source.Right) + " " +
                            std::to_string(Destination.Right));
  }
  void GetNativeVideoSize(int32_t& Width, int32_t& Height) override {
    Width = 640;
    Height = 480;
  }
  void RepaintVideo(platform::TCustomControl*, platform::TCanvas*) override {
    Journal.Calls.push_back("repaint");
  }
  GraphJournal& Journal;
};

void Connect(TPVDirectShow& media, GraphJournal& journal) {
  media.Graph = std::make_unique<FakeGraph>(journal);
  media.MediaControl = std::make_unique<FakeControl>(journal);
  media.MediaEvent = std::make_unique<FakeEvents>(journal);
  media.WindowlessControl = std::make_unique<FakeRenderer>(journal);
}

TEST(MediaObject, StartsUnconnectedAcceptingTheNextFrame) {
  TPVDirectShow media;
  EXPECT_EQ(media.Graph, nullptr);
  EXPECT_EQ(media.MediaControl, nullptr);
  EXPECT_EQ(media.MediaEvent, nullptr);
  EXPECT_EQ(media.WindowlessControl, nullptr);
  EXPECT_EQ(media.NotifyWindow, nullptr);
  EXPECT_EQ(media.NewFrameMessage, 0u);
  EXPECT_EQ(media.EventMessage, 0u);
  EXPECT_FALSE(media.RenderVideo);
  EXPECT_TRUE(media.AcceptNextFrame);
  EXPECT_EQ(media.ClockErrorTolerance, -1);
  EXPECT_TRUE(media.VideoInputs.empty());
  EXPECT_TRUE(media.AudioInputs.empty());
  EXPECT_TRUE(media.VideoCompressors.empty());
  EXPECT_TRUE(media.AudioCompressors.empty());
  EXPECT_TRUE(media.VideoFormats.empty());
  EXPECT_TRUE(media.InputSources.empty());
}

TEST(MediaObject, WithoutAGraphAnswersNotConnectedAndDoesNothing) {
  platform::TCustomControl window(nullptr);
  TPVDirectShow media;
  EXPECT_FALSE(media.Connected());
  EXPECT_EQ(media.GetState(), 0);
  media.Disconnect();
  media.Disconnect();
  EXPECT_FALSE(media.Connected());
  int32_t width = 7, height = 9;
  media.GetNativeVideoSize(width, height);
  EXPECT_EQ(width, 7);
  EXPECT_EQ(height, 9);
  media.SetVideoPosition(TRect{0, 0, 10, 10}, TRect{0, 0, 20, 20});
  media.RepaintVideo(&window, nullptr);
  media.SetNotifyWindow(&window, PVM_DSNEWFRAME, PVM_DSEVENT);
  EXPECT_EQ(media.NotifyWindow, &window);
  EXPECT_EQ(media.NewFrameMessage, 8025u);
  EXPECT_EQ(media.EventMessage, 8026u);
}

TEST(MediaObject, DisconnectStopsOnlyAGraphThatIsNotStopped) {
  const std::vector<std::string> releases = {"renderer released", "control released",
                                             "events released", "graph released"};
  for (int32_t state : {0, 1, 2}) {
    SCOPED_TRACE(state);
    GraphJournal journal;
    journal.State = state;
    TPVDirectShow media;
    Connect(media, journal);
    EXPECT_TRUE(media.Connected());
    media.Disconnect();
    std::vector<std::string> expected = {"state 100"};
    if (state != 0) expected.push_back("stop");
    expected.insert(expected.end(), releases.begin(), releases.end());
    EXPECT_EQ(journal.Calls, expected);
    EXPECT_FALSE(media.Connected());
    EXPECT_EQ(media.GetState(), 0);
  }
}

TEST(MediaObject, PassesVideoCallsAndEventsToAConnectedGraph) {
  platform::TCustomControl window(nullptr);
  GraphJournal journal;
  journal.State = 2;
  TPVDirectShow media;
  Connect(media, journal);
  auto* events = static_cast<FakeEvents*>(media.MediaEvent.get());
  EXPECT_EQ(media.GetState(), 2);
  media.SetNotifyWindow(&window, PVM_DSNEWFRAME, PVM_DSEVENT);
  EXPECT_EQ(events->SeenWindow, &window);
  EXPECT_EQ(events->SeenInstance, &media);
  int32_t width = 0, height = 0;
  media.GetNativeVideoSize(width, height);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  media.SetVideoPosition(TRect{0, 0, 10, 10}, TRect{0, 0, 20, 20});
  media.RepaintVideo(&window, nullptr);
  EXPECT_EQ(journal.Calls, (std::vector<std::string>{"state 100", "notify 8026",
                                                     "position 10 20", "repaint"}));
  // Events without a graph are not asked to notify anyone.
  media.Graph.reset();
  journal.Calls.clear();
  media.SetNotifyWindow(nullptr, 1, 2);
  EXPECT_TRUE(journal.Calls.empty());
}

TEST(MediaObject, ClearVideoFormatsFreesEveryRecord) {
  TPVDirectShow media;
  media.VideoFormats.push_back(std::make_unique<TPVVideoFormat>());
  media.VideoFormats.push_back(std::make_unique<TPVVideoFormat>(TPVVideoFormat{640, 480, 24}));
  media.ClearVideoFormats();
  EXPECT_TRUE(media.VideoFormats.empty());
}

// ---- The device object ----

TEST(DeviceObject, StartsWithoutAManagerDevicesOrRegistrations) {
  TPVWia devices(nullptr);
  EXPECT_EQ(devices.Owner, nullptr);
  EXPECT_EQ(devices.DeviceManager, nullptr);
  EXPECT_TRUE(devices.Devices.empty());
  EXPECT_EQ(devices.RootItem, nullptr);
  EXPECT_EQ(devices.ItemCreatedRegistration, nullptr);
  EXPECT_EQ(devices.ItemDeletedRegistration, nullptr);
  EXPECT_EQ(devices.TreeUpdatedRegistration, nullptr);
  EXPECT_FALSE(devices.ProgressCallback);
  EXPECT_FALSE(devices.ItemsChanged);
  EXPECT_EQ(devices.LastEvent, 0);
}

TEST(DeviceObject, ClearDevicesFreesEveryRecord) {
  TPVWia devices(nullptr);
  devices.Devices.push_back(std::make_unique<TPVWiaDevice>(TPVWiaDevice{u"0000", u"Scanner"}));
  devices.Devices.push_back(std::make_unique<TPVWiaDevice>());
  devices.RootItem = std::make_unique<TObject>();
  devices.ClearDevices();
  EXPECT_TRUE(devices.Devices.empty());
}

TEST(DeviceEvents, EachItemEventIsRecordedAndAnnounced) {
  const TGUID other = {0x1, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};
  const struct {
    TGUID event;
    uint8_t lastEvent;  // 0: ignored
  } cases[] = {{WIA_EVENT_TREE_UPDATED, 1},
               {WIA_EVENT_ITEM_CREATED, 2},
               {WIA_EVENT_ITEM_DELETED, 3},
               {other, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.lastEvent));
    TPVWia devices(nullptr);
    devices.LastEvent = 9;
    std::vector<TObject*> senders;
    devices.ItemsChanged = [&](TObject* Sender) { senders.push_back(Sender); };
    TWiaEventCallBack callback(&devices);
    EXPECT_EQ(callback.ImageEventCallback(c.event), 0);
    if (c.lastEvent == 0) {
      EXPECT_EQ(devices.LastEvent, 9);
      EXPECT_TRUE(senders.empty());
    } else {
      EXPECT_EQ(devices.LastEvent, c.lastEvent);
      EXPECT_EQ(senders, std::vector<TObject*>{&devices});
    }
  }
}

TEST(DeviceEvents, AnEventWithoutItsObjectOrListenerIsHarmless) {
  TWiaEventCallBack orphan(nullptr);
  EXPECT_EQ(orphan.ImageEventCallback(WIA_EVENT_ITEM_CREATED), 0);
  TPVWia devices(nullptr);
  TWiaEventCallBack callback(&devices);
  EXPECT_EQ(callback.ImageEventCallback(WIA_EVENT_ITEM_DELETED), 0);
  EXPECT_EQ(devices.LastEvent, 3);
}

// ---- The component ----

TEST(PictavoIOAcquisition, GettersMakeEachObjectOnceOnFirstUse) {
  TPictavoIO io(nullptr);
  EXPECT_EQ(io.WIA, nullptr);
  EXPECT_EQ(io.DirectShow, nullptr);
  TPVWia* devices = io.GetWIA();
  ASSERT_NE(devices, nullptr);
  EXPECT_EQ(devices->Owner, &io);
  EXPECT_EQ(io.GetWIA(), devices);
  TPVDirectShow* media = io.GetDirectShow();
  ASSERT_NE(media, nullptr);
  EXPECT_EQ(io.GetDirectShow(), media);
  EXPECT_EQ(media->NotifyWindow, nullptr);  // no view attached
  EXPECT_FALSE(media->Connected());
}

TEST(PictavoIOAcquisition, DeviceProgressGoesThroughTheComponent) {
  TPictavoIO io(nullptr);
  std::vector<std::pair<TObject*, int>> reports;
  io.ProgressMethod = [&](TObject* Sender, int Percent) { reports.emplace_back(Sender, Percent); };
  TPVWia* devices = io.GetWIA();
  ASSERT_TRUE(devices->ProgressCallback);
  EXPECT_TRUE(devices->ProgressCallback(42));
  io.Aborting = true;
  EXPECT_FALSE(devices->ProgressCallback(43));
  EXPECT_EQ(reports, (std::vector<std::pair<TObject*, int>>{{&io, 42}, {&io, 43}}));
}

TEST(PictavoIOAcquisition, TheMediaObjectTalksToTheAttachedViewsWindow) {
  FakePictavoView view;
  TPictavoIO io(nullptr);
  io.SetAttachedPictavo(&view);
  TPVDirectShow* media = io.GetDirectShow();
  EXPECT_EQ(media->NotifyWindow, &view);
  EXPECT_EQ(media->NewFrameMessage, PVM_DSNEWFRAME);
  EXPECT_EQ(media->EventMessage, PVM_DSEVENT);
  // Made before a view came: the view's window is registered again when asked.
  TPictavoIO later(nullptr);
  TPVDirectShow* early = later.GetDirectShow();
  later.SetAttachedPictavo(&view);
  EXPECT_EQ(early->NotifyWindow, nullptr);
  later.SyncDirectShowWindow();
  EXPECT_EQ(early->NotifyWindow, &view);
  EXPECT_EQ(early->EventMessage, 8026u);
  io.SetAttachedPictavo(nullptr);
  later.SetAttachedPictavo(nullptr);
}

TEST(PictavoIOAcquisition, SyncWithoutAMediaObjectMakesNone) {
  FakePictavoView view;
  TPictavoIO io(nullptr);
  io.SetAttachedPictavo(&view);
  io.SyncDirectShowWindow();
  EXPECT_EQ(io.DirectShow, nullptr);
  io.SetAttachedPictavo(nullptr);
}

TEST(PictavoIOAcquisition, CloseMediaFileDisconnectsAndFreesIt) {
  TPictavoIO io(nullptr);
  io.CloseMediaFile();  // nothing open
  EXPECT_EQ(io.MediaFile, nullptr);
  GraphJournal journal;
  journal.State = 1;
  io.MediaFile = std::make_unique<TPVDirectShow>();
  Connect(*io.MediaFile, journal);
  io.CloseMediaFile();
  EXPECT_EQ(io.MediaFile, nullptr);
  EXPECT_EQ(journal.Calls,
            (std::vector<std::string>{"state 100", "stop", "renderer released", "control released",
                                      "events released", "graph released"}));
}

}  // namespace
}  // namespace calmora::test
