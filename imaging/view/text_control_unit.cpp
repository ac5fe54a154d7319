// Set-up and clean-up of the text editor unit (its clipboard format).
#include "imaging/view/text_control_unit.h"

#include "platform/clipboard_formats.h"

namespace calmora {

uint32_t TextMemoClipboardFormat = 0;

void InitTextControlUnit() {
  TextMemoClipboardFormat = platform::RegisterClipboardFormat("PICTAVO TEXTMEMO");
}

// A registered format lasts as long as the process: nothing to release.
void FinalizeTextControlUnit() {}

}  // namespace calmora
