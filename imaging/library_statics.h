// The imaging library's one-time static set-up and its clean-up: the only place where the
// units' set-up routines run, in one fixed order, and their clean-ups in the reverse order.
// It sits on top of every layer because its sequence names a unit of each.
#pragma once

#include "imaging/core/static_setup.h"

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

}  // namespace calmora
