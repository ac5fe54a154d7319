// The imaging library's one-time static set-up and its clean-up: the only place where the
// units' set-up routines run, in one fixed order, and their clean-ups in the reverse order.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace calmora {

// May be called any number of times; the unit set-ups run on the first call only, and each
// call raises the use count by one.
void InitLibraryStatics();
// Lowers the use count; the unit clean-ups run when it returns to 0. Returns at once when
// the set-up never ran or the clean-up has already finished.
void FinalizeLibraryStatics();

// The program's entry into the library: main calls StartImagingLibrary once after creating
// the Qt application object (the toolkit must exist before the units set themselves up) and
// StopImagingLibrary once before it returns. Only the first start and the last stop reach the
// static set-up.
void StartImagingLibrary();
void StopImagingLibrary();

// Set-up routines of the two foundation units.
void InitDefsUnit();      // grey weights and the dialogs' background style
void FinalizeDefsUnit();  // nothing to release
void InitUtilsUnit();     // platform code, word table, file threshold, colour system, cosine table
void FinalizeUtilsUnit(); // releases the colour-system library when it was loaded

// State of the set-up, for diagnostics and tests: the marker text ("STATICINIT" while set up,
// empty otherwise) and the use count.
std::string LibraryStaticsMarker();
int LibraryStaticsUseCount();

// Called with the routine's name just before the set-up or the clean-up runs each unit
// routine; empty by default. It lets a test see the order of the steps. It runs under the
// set-up's lock, so it must not call back into the functions above.
using TStaticSetupTrace = std::function<void(std::string_view StepName)>;
void SetStaticSetupTrace(TStaticSetupTrace Trace);

}  // namespace calmora
