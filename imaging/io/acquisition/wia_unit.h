// Set-up and clean-up of the acquisition unit: its OLE flag, which makes the first acquisition
// object initialise OLE for the process and the unit's clean-up undo it, once each.
// Only the library's static set-up calls InitWiaUnit and FinalizeWiaUnit, once each, in its
// fixed order of units.
#pragma once

#include <cstdint>

namespace calmora {

void InitWiaUnit();
void FinalizeWiaUnit();

// Called by every acquisition object as it is made: initialises OLE unless the flag says it is.
void InitializeOleOnce();

// Set once OLE was initialised, cleared by the unit's set-up and clean-up.
extern bool OleInitialised;
// Linux has no OLE: initialising and uninitialising only count their calls (tests read them).
extern int32_t OleInitializeCalls;
extern int32_t OleUninitializeCalls;

}  // namespace calmora
