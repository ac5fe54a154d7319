// The words of each language's row of the dialogs' word table, as the fill stores them: one
// list of 146 words per language, in the order of the English row's indexes.
#pragma once

#include <array>
#include <span>

#include "imaging/base/defs.h"

namespace calmora {

using TMsgWordList = std::array<const char16_t*, kMsgWordCount>;

struct TMsgWordRowSource {
  TMsgLanguage Language;
  const TMsgWordList& Words;
};

// Rows msEnglish to msKorean, in the order of the languages.
std::span<const TMsgWordRowSource> MsgWordRowSources();

extern const TMsgWordList kEnglishWords;
extern const TMsgWordList kItalianWords;
extern const TMsgWordList kGermanWords;
extern const TMsgWordList kSpanishWords;
extern const TMsgWordList kFrenchWords;
extern const TMsgWordList kPortugueseWords;
extern const TMsgWordList kGreekWords;
extern const TMsgWordList kRussianWords;
extern const TMsgWordList kDutchWords;
extern const TMsgWordList kSwedishWords;
extern const TMsgWordList kPolishWords;
extern const TMsgWordList kJapaneseWords;
extern const TMsgWordList kCzechWords;
extern const TMsgWordList kFinnishWords;
extern const TMsgWordList kFarsiWords;
extern const TMsgWordList kChineseWords;
extern const TMsgWordList kChineseTraditionalWords;
extern const TMsgWordList kDanishWords;
extern const TMsgWordList kTurkishWords;
extern const TMsgWordList kKoreanWords;

}  // namespace calmora
