// The imaging library's static set-up: marker, use count and lock, and the two fixed sequences
// of unit set-up and clean-up routines.
#include "imaging/core/static_setup.h"

#include <atomic>
#include <iterator>
#include <mutex>
#include <utility>

#include "imaging/codecs/jpeg2000/jpeg2000_setup.h"
#include "imaging/codecs/tiff/ccitt_trees.h"
#include "imaging/io/io_unit.h"
#include "imaging/io/wia_unit.h"
#include "imaging/proc/proc_unit.h"
#include "imaging/view/gdiplus_unit.h"
#include "imaging/view/preset_images.h"
#include "imaging/view/text_control_unit.h"
#include "imaging/view/vect_unit.h"
#include "imaging/view/view_unit.h"

namespace calmora {

namespace {

constexpr const char* kMarkerText = "STATICINIT";

struct TSetupStep {
  const char* Name;
  void (*Run)();
};

// The order matters: later units read what earlier ones set (the view unit's set-up reads
// the platform flags, the I/O unit installs what the codecs use).
constexpr TSetupStep kSetupSteps[] = {
    {"InitGdiPlusUnit", InitGdiPlusUnit},
    {"InitDefsUnit", InitDefsUnit},
    {"InitUtilsUnit", InitUtilsUnit},
    {"InitJPEG2000Codec", InitJPEG2000Codec},
    {"InitVectUnit", InitVectUnit},
    {"InitIOUnit", InitIOUnit},
    {"InitProcUnit", InitProcUnit},
    {"InitViewUnit", InitViewUnit},
    {"BuildCCITTDecodeTrees", BuildCCITTDecodeTrees},
    {"InitTextControlUnit", InitTextControlUnit},
    {"InitWiaUnit", InitWiaUnit},
    {"InitPresetImagesUnit", InitPresetImagesUnit},
};

// Exactly the reverse of the set-up.
constexpr TSetupStep kCleanupSteps[] = {
    {"FinalizePresetImagesUnit", FinalizePresetImagesUnit},
    {"FinalizeWiaUnit", FinalizeWiaUnit},
    {"FinalizeTextControlUnit", FinalizeTextControlUnit},
    {"FreeCCITTDecodeTrees", FreeCCITTDecodeTrees},
    {"FinalizeViewUnit", FinalizeViewUnit},
    {"FinalizeProcUnit", FinalizeProcUnit},
    {"FinalizeIOUnit", FinalizeIOUnit},
    {"FinalizeVectUnit", FinalizeVectUnit},
    {"CleanupJPEG2000Codec", CleanupJPEG2000Codec},
    {"FinalizeUtilsUnit", FinalizeUtilsUnit},
    {"FinalizeDefsUnit", FinalizeDefsUnit},
    {"FinalizeGdiPlusUnit", FinalizeGdiPlusUnit},
};
static_assert(std::size(kSetupSteps) == 12 && std::size(kCleanupSteps) == 12);

// A std::mutex needs no run-time initialisation, so the marker can be tested under the lock
// too: a second thread never reads the marker while the first writes it.
std::mutex StaticsLock;
std::string Marker;  // "STATICINIT" while set up
int UseCount = 0;
TStaticSetupTrace Trace;

// Starts of the foundation unit's hook; only the first start and the last stop count.
std::atomic<int> StartCount{0};

void RunSteps(const TSetupStep (&Steps)[12]) {
  for (const TSetupStep& Step : Steps) {
    if (Trace) Trace(Step.Name);
    Step.Run();
  }
}

}  // namespace

void InitLibraryStatics() {
  std::lock_guard<std::mutex> Guard(StaticsLock);
  if (Marker != kMarkerText) {
    Marker = kMarkerText;
    UseCount = 0;
  }
  if (UseCount == 0) RunSteps(kSetupSteps);
  ++UseCount;
}

void FinalizeLibraryStatics() {
  std::lock_guard<std::mutex> Guard(StaticsLock);
  if (Marker != kMarkerText) return;  // never set up, or already cleaned up
  --UseCount;
  if (UseCount == 0) {
    RunSteps(kCleanupSteps);
    Marker.clear();
  }
}

void StartImagingLibrary() {
  if (StartCount.fetch_add(1) == 0) InitLibraryStatics();
}

void StopImagingLibrary() {
  if (StartCount.load() <= 0) return;
  if (StartCount.fetch_sub(1) != 1) return;
  FinalizeLibraryStatics();
  // The last stop leaves the library not set up, whatever other callers still count.
  std::lock_guard<std::mutex> Guard(StaticsLock);
  Marker.clear();
}

std::string LibraryStaticsMarker() {
  std::lock_guard<std::mutex> Guard(StaticsLock);
  return Marker;
}

int LibraryStaticsUseCount() {
  std::lock_guard<std::mutex> Guard(StaticsLock);
  return UseCount;
}

void SetStaticSetupTrace(TStaticSetupTrace NewTrace) {
  std::lock_guard<std::mutex> Guard(StaticsLock);
  Trace = std::move(NewTrace);
}

}  // namespace calmora
