// The acquisition unit's OLE flag. OLE is a Windows service with nothing to start on Linux;
// the flag and its once-only rule stay, so that the objects' life reads as on every platform.
#include "imaging/io/acquisition/wia_unit.h"

namespace calmora {

bool OleInitialised = false;
int32_t OleInitializeCalls = 0;
int32_t OleUninitializeCalls = 0;

void InitWiaUnit() { OleInitialised = false; }

void FinalizeWiaUnit() {
  if (!OleInitialised) return;
  ++OleUninitializeCalls;
  OleInitialised = false;
}

void InitializeOleOnce() {
  if (OleInitialised) return;
  ++OleInitializeCalls;
  OleInitialised = true;
}

}  // namespace calmora
