// Set-up and clean-up of the text editor unit (its clipboard format), and the format's id.
// Only the library's static set-up calls these, once each, in its fixed order of units.
#pragma once

#include <cstdint>

namespace calmora {

void InitTextControlUnit();
void FinalizeTextControlUnit();

// The id registered for "PICTAVO TEXTMEMO": the memo editor's characters with their formats.
extern uint32_t TextMemoClipboardFormat;

}  // namespace calmora
