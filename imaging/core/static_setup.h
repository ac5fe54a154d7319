// The mechanism of the imaging library's one-time static set-up: marker, use count and lock
// around a sequence of unit routines. The sequence itself names units of every layer, so the
// library's top layer holds it (imaging/library_statics.h) and hands it in here.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace calmora {

struct TStaticSetupStep {
  const char* Name;
  void (*Run)();
};

// The unit set-ups in their fixed order and the clean-ups, as a rule in the reverse order.
struct TStaticSetupSequence {
  std::span<const TStaticSetupStep> Setup;
  std::span<const TStaticSetupStep> Cleanup;
};

// Raises the use count by one; the set-up steps run when the count leaves 0.
void EnterLibraryStatics(const TStaticSetupSequence& sequence);
// Lowers the use count; the clean-up steps run when it returns to 0. Returns at once when the
// set-up never ran or the clean-up has already finished.
void LeaveLibraryStatics(const TStaticSetupSequence& sequence);
// Clears the marker whatever the use count, so the library counts as not set up.
void ForgetLibraryStatics();

// State of the set-up, for diagnostics and tests: the marker text ("STATICINIT" while set up,
// empty otherwise) and the use count.
std::string LibraryStaticsMarker();
int LibraryStaticsUseCount();

// Called with the routine's name just before the set-up or the clean-up runs each unit
// routine; empty by default. It lets a test see the order of the steps. It runs under the
// set-up's lock, so it must not call back into the functions above.
using TStaticSetupTrace = std::function<void(std::string_view stepName)>;
void SetStaticSetupTrace(TStaticSetupTrace trace);

}  // namespace calmora
