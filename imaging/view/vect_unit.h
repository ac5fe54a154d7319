// Set-up and clean-up of the vector-object unit (clipboard format, editor shortcuts, class list),
// and the unit's globals. Only the library's static set-up calls the two routines, once each,
// in its fixed order of units.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/defs.h"
#include "platform/shortcuts.h"

namespace calmora {

void InitVectUnit();
void FinalizeVectUnit();

// The id registered for "PICTAVO VECT"; nothing reads it.
extern uint32_t VectClipboardFormat;
// The text editors' shortcuts, Ctrl with L, E, R, J, C, X, V, F, B, I, U, G in this order.
extern std::array<platform::TShortCut, 12> TextEditorShortcuts;

// A user object class registered by name: it makes new instances for vector-object streams
// that name it. Nothing in the library registers one.
struct TPVVUserObjectClass {
  std::string Name;
  std::function<std::unique_ptr<TObject>()> Create;
};
// The registry of user object classes; it exists from the unit's set-up to its clean-up.
extern std::unique_ptr<std::vector<TPVVUserObjectClass>> UserObjectClasses;

}  // namespace calmora
