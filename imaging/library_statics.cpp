// The two fixed sequences of unit set-up and clean-up routines, and the program's start and
// stop of the library.
#include "imaging/library_statics.h"

#include <atomic>
#include <iterator>

#include "imaging/codecs/jpeg2000/jpeg2000_codec.h"
#include "imaging/codecs/tiff/tiff_codec.h"
#include "imaging/base/defs.h"
#include "imaging/io/io_unit.h"
#include "imaging/io/acquisition/wia_unit.h"
#include "imaging/proc/proc_unit.h"
#include "imaging/utils_unit.h"
#include "imaging/view/gdiplus_unit.h"
#include "imaging/view/preset_images.h"
#include "imaging/view/text_control_unit.h"
#include "imaging/view/vect_unit.h"
#include "imaging/view/view_unit.h"

namespace calmora {

namespace {

// The order matters: later units read what earlier ones set (the view unit's set-up reads
// the platform flags, the I/O unit installs what the codecs use).
constexpr TStaticSetupStep kSetupSteps[] = {
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
constexpr TStaticSetupStep kCleanupSteps[] = {
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

constexpr TStaticSetupSequence kSequence{kSetupSteps, kCleanupSteps};

// Starts of the foundation unit's hook; only the first start and the last stop count.
std::atomic<int> StartCount{0};

}  // namespace

void InitLibraryStatics() { EnterLibraryStatics(kSequence); }

void FinalizeLibraryStatics() { LeaveLibraryStatics(kSequence); }

void StartImagingLibrary() {
  if (StartCount.fetch_add(1) == 0) InitLibraryStatics();
}

void StopImagingLibrary() {
  if (StartCount.load() <= 0) return;
  if (StartCount.fetch_sub(1) != 1) return;
  FinalizeLibraryStatics();
  // The last stop leaves the library not set up, whatever other callers still count.
  ForgetLibraryStatics();
}

}  // namespace calmora
