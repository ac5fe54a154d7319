// Set-up and clean-up of the vector-object unit (clipboard format, editor shortcuts, class list).
#include "imaging/view/vect_unit.h"

#include "platform/clipboard_formats.h"

namespace calmora {

uint32_t VectClipboardFormat = 0;
std::array<platform::TShortCut, 12> TextEditorShortcuts{};
std::unique_ptr<std::vector<TPVVUserObjectClass>> UserObjectClasses;

void InitVectUnit() {
  VectClipboardFormat = platform::RegisterClipboardFormat("PICTAVO VECT");
  // The editors find each action by its place in this list, so the order is fixed.
  const char keys[12] = {'L', 'E', 'R', 'J', 'C', 'X', 'V', 'F', 'B', 'I', 'U', 'G'};
  for (size_t i = 0; i < TextEditorShortcuts.size(); ++i)
    TextEditorShortcuts[i] = platform::CtrlShortCut(keys[i]);
  UserObjectClasses = std::make_unique<std::vector<TPVVUserObjectClass>>();
}

void FinalizeVectUnit() { UserObjectClasses.reset(); }

}  // namespace calmora
