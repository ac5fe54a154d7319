// The static set-up's mechanism: marker, use count and lock around the sequences of unit
// routines it is handed.
#include "imaging/core/static_setup.h"

#include <mutex>
#include <utility>

namespace calmora {

namespace {

constexpr const char* kMarkerText = "STATICINIT";

// A std::mutex needs no run-time initialisation, so the marker can be tested under the lock
// too: a second thread never reads the marker while the first writes it.
std::mutex StaticsLock;
std::string Marker;  // "STATICINIT" while set up
int UseCount = 0;
TStaticSetupTrace Trace;

void RunSteps(std::span<const TStaticSetupStep> steps) {
  for (const TStaticSetupStep& step : steps) {
    if (Trace) Trace(step.Name);
    step.Run();
  }
}

}  // namespace

void EnterLibraryStatics(const TStaticSetupSequence& sequence) {
  std::lock_guard<std::mutex> guard(StaticsLock);
  if (Marker != kMarkerText) {
    Marker = kMarkerText;
    UseCount = 0;
  }
  if (UseCount == 0) RunSteps(sequence.Setup);
  ++UseCount;
}

void LeaveLibraryStatics(const TStaticSetupSequence& sequence) {
  std::lock_guard<std::mutex> guard(StaticsLock);
  if (Marker != kMarkerText) return;  // never set up, or already cleaned up
  --UseCount;
  if (UseCount == 0) {
    RunSteps(sequence.Cleanup);
    Marker.clear();
  }
}

void ForgetLibraryStatics() {
  std::lock_guard<std::mutex> guard(StaticsLock);
  Marker.clear();
}

std::string LibraryStaticsMarker() {
  std::lock_guard<std::mutex> guard(StaticsLock);
  return Marker;
}

int LibraryStaticsUseCount() {
  std::lock_guard<std::mutex> guard(StaticsLock);
  return UseCount;
}

void SetStaticSetupTrace(TStaticSetupTrace newTrace) {
  std::lock_guard<std::mutex> guard(StaticsLock);
  Trace = std::move(newTrace);
}

}  // namespace calmora
