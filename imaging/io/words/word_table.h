// The dialogs' word table: the fill run once at start-up, the setter and the lookup with its
// fallbacks. The table's storage is the process-wide MsgWordTable of the shared definitions.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/base/defs.h"

namespace calmora {

// Stores every language's words (rows msEnglish to msKorean) and maps msSystem to the row of
// the locale in effect now.
void FillWordTable();

// Stores the text at that row and index; a language or an index out of range stores nothing.
void SetMsgWord(uint8_t Language, uint8_t Index, const std::u16string& Text);

// The word to show: the row's entry, or the English one when it is empty. msSystem reads the
// row of the start-up locale and answers its entry as it is, empty too. A language or index out
// of range answers an empty text.
std::u16string GetMsgWord(uint8_t Index, uint8_t Language);

// The row of a POSIX locale name ("pl_PL.UTF-8", "zh_TW", "C"): the language code picks the
// row; Chinese needs its region (TW traditional, CN simplified); anything else is English.
TMsgLanguage MsgLanguageOfLocale(const std::string& LocaleName);

// The row msSystem reads, as FillWordTable last mapped it.
TMsgLanguage SystemMsgLanguage();

}  // namespace calmora
