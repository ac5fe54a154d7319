// Which word list fills which row of the dialogs' word table.
#include "imaging/io/words/msg_word_rows.h"

namespace calmora {

namespace {

const TMsgWordRowSource kRowSources[] = {
    {msEnglish, kEnglishWords},       {msItalian, kItalianWords},
    {msGerman, kGermanWords},         {msSpanish, kSpanishWords},
    {msFrench, kFrenchWords},         {msPortuguese, kPortugueseWords},
    {msGreek, kGreekWords},           {msRussian, kRussianWords},
    {msDutch, kDutchWords},           {msSwedish, kSwedishWords},
    {msPolish, kPolishWords},         {msJapanese, kJapaneseWords},
    {msCzech, kCzechWords},           {msFinnish, kFinnishWords},
    {msFarsi, kFarsiWords},           {msChinese, kChineseWords},
    {msChineseTraditional, kChineseTraditionalWords},
    {msDanish, kDanishWords},         {msTurkish, kTurkishWords},
    {msKorean, kKoreanWords},
};

}  // namespace

std::span<const TMsgWordRowSource> MsgWordRowSources() { return kRowSources; }

}  // namespace calmora
