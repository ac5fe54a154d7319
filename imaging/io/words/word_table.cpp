// The dialogs' word table: its fill, setter and lookup, and the row of the system's language.
#include "imaging/io/words/word_table.h"

#include <cstdlib>
#include <string_view>

#include "imaging/io/words/msg_word_rows.h"

namespace calmora {

namespace {

// Read once, at start-up, as the dialogs expect a language that does not change under them.
TMsgLanguage SystemLanguage = msEnglish;

struct TLanguageCode {
  std::string_view Code;
  TMsgLanguage Language;
};

constexpr TLanguageCode kLanguageCodes[] = {
    {"cs", msCzech},   {"da", msDanish},   {"de", msGerman},     {"el", msGreek},
    {"es", msSpanish}, {"fi", msFinnish},  {"fr", msFrench},     {"it", msItalian},
    {"ja", msJapanese}, {"ko", msKorean},  {"nl", msDutch},      {"pl", msPolish},
    {"pt", msPortuguese}, {"ru", msRussian}, {"sv", msSwedish},  {"tr", msTurkish},
    {"fa", msFarsi},
};

// The locale the messages of a POSIX program follow: the first of these that is set.
std::string MessagesLocaleName() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return {};
}

bool IsValidEntry(uint8_t language, uint8_t index) {
  return language < kMsgLanguageCount && index < kMsgWordCount;
}

}  // namespace

TMsgLanguage MsgLanguageOfLocale(const std::string& LocaleName) {
  // language[_REGION][.codeset][@modifier]
  const std::string_view name(LocaleName);
  const std::string_view language = name.substr(0, name.find_first_of("_.@"));
  if (language == "zh") {
    const size_t regionStart = name.find('_');
    const std::string_view region =
        regionStart == std::string_view::npos
            ? std::string_view()
            : name.substr(regionStart + 1, name.find_first_of(".@", regionStart) - regionStart - 1);
    if (region == "TW") return msChineseTraditional;
    if (region == "CN") return msChinese;
    return msEnglish;
  }
  for (const TLanguageCode& code : kLanguageCodes)
    if (code.Code == language) return code.Language;
  return msEnglish;
}

TMsgLanguage SystemMsgLanguage() { return SystemLanguage; }

void SetMsgWord(uint8_t Language, uint8_t Index, const std::u16string& Text) {
  if (IsValidEntry(Language, Index)) MsgWordTable[Language][Index] = Text;
}

std::u16string GetMsgWord(uint8_t Index, uint8_t Language) {
  if (!IsValidEntry(Language, Index)) return {};
  if (Language == msSystem) return MsgWordTable[SystemLanguage][Index];
  const std::u16string& word = MsgWordTable[Language][Index];
  return word.empty() ? MsgWordTable[msEnglish][Index] : word;
}

void FillWordTable() {
  SystemLanguage = MsgLanguageOfLocale(MessagesLocaleName());
  for (const TMsgWordRowSource& row : MsgWordRowSources()) {
    for (int index = 0; index < kMsgWordCount; ++index)
      SetMsgWord(row.Language, static_cast<uint8_t>(index), row.Words[index]);
  }
}

}  // namespace calmora
