// The dialogs' word table: the rows the fill stores, the lookup's fallbacks, the setter, and the
// row msSystem follows for the locale found at start-up.
#include "imaging/io/words/word_table.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/support/scoped_override.h"

namespace calmora {
namespace {

class WordTableTest : public ::testing::Test {
 protected:
  // Each test starts from a freshly filled table and leaves the process's table as it found it.
  void SetUp() override {
    saved_ = MsgWordTable;
    MsgWordTable = TMsgWordTable();
    FillWordTable();
  }
  void TearDown() override { MsgWordTable = saved_; }

 private:
  TMsgWordTable saved_;
};

struct ExampleRow {
  TMsgLanguage Language;
  const char16_t* Words[6];  // words 0, 4, 37, 47, 58, 120
};

TEST_F(WordTableTest, RowsHoldTheKnownTranslations) {
  const ExampleRow rows[] = {
      {msGerman, {u"Vorschau", u"Abbrechen", u"Parameter-Vorschau", u"Komprimierung", u"Farben", u"Anwenden"}},
      {msDutch, {u"Voorbeeld", u"Annuleren", u"Parameters Voorbeeld", u"Inpakken", u"Kleuren", u"Toepassen"}},
      {msChinese, {u"预览", u"取消", u"参数预览", u"压缩", u"颜色", u"应用"}},
      {msChineseTraditional, {u"預覽", u"取消", u"參數預覽", u"壓縮", u"顏色", u"應用"}},
      {msEnglish, {u"Preview", u"Cancel", u"Parameters Preview", u"Compression", u"Colors", u"Apply"}},
  };
  const uint8_t indexes[] = {0, 4, 37, 47, 58, 120};
  for (const ExampleRow& row : rows) {
    for (size_t i = 0; i < std::size(indexes); ++i)
      EXPECT_EQ(GetMsgWord(indexes[i], row.Language), row.Words[i])
          << "language " << int{row.Language} << ", word " << int{indexes[i]};
  }
  EXPECT_EQ(GetMsgWord(123, msGerman), u"Rate");
  EXPECT_EQ(GetMsgWord(123, msDutch), u"Rate");
  EXPECT_EQ(GetMsgWord(128, msEnglish),
            u"Automatically updates your preview with the changes you have selected");
  EXPECT_EQ(GetMsgWord(145, msEnglish), u"Fit");
  EXPECT_EQ(GetMsgWord(4, msPolish), u"Anuluj");
}

TEST_F(WordTableTest, EveryLanguageRowIsFullButPolishWord123) {
  for (int language = msEnglish; language <= msKorean; ++language) {
    int sameAsEnglish = 0;
    for (int index = 0; index < kMsgWordCount; ++index) {
      const std::u16string& word = MsgWordTable[language][index];
      if (language == msPolish && index == 123) {
        EXPECT_TRUE(word.empty());
        continue;
      }
      EXPECT_FALSE(word.empty()) << "language " << language << ", word " << index;
      sameAsEnglish += word == MsgWordTable[msEnglish][index];
    }
    // A translated row keeps the English word only where the language uses it (OK, RGB, dpi...).
    if (language != msEnglish) {
      EXPECT_LT(sameAsEnglish, 30) << "language " << language;
    }
  }
  for (int index = 0; index < kMsgWordCount; ++index) {
    EXPECT_TRUE(MsgWordTable[msSystem][index].empty());
    EXPECT_TRUE(MsgWordTable[msUser][index].empty());
  }
}

TEST_F(WordTableTest, AnEmptyEntryFallsBackToEnglish) {
  EXPECT_EQ(GetMsgWord(123, msPolish), u"Rate");
  EXPECT_EQ(GetMsgWord(3, msUser), u"OK");
  EXPECT_EQ(GetMsgWord(0, msUser), u"Preview");
  SetMsgWord(msUser, 3, u"Fine");
  EXPECT_EQ(GetMsgWord(3, msUser), u"Fine");
  EXPECT_EQ(GetMsgWord(4, msUser), u"Cancel");
}

TEST_F(WordTableTest, OutOfRangeStoresNothingAndAnswersEmpty) {
  const TMsgWordTable before = MsgWordTable;
  SetMsgWord(22, 0, u"nowhere");
  SetMsgWord(255, 0, u"nowhere");
  SetMsgWord(msEnglish, 146, u"nowhere");
  SetMsgWord(msEnglish, 255, u"nowhere");
  EXPECT_EQ(MsgWordTable, before);
  EXPECT_EQ(GetMsgWord(146, msEnglish), u"");
  EXPECT_EQ(GetMsgWord(255, msGerman), u"");
  EXPECT_EQ(GetMsgWord(0, 22), u"");
  EXPECT_EQ(GetMsgWord(0, 255), u"");
}

struct LocaleCase {
  const char* Name;
  TMsgLanguage Language;
};

TEST(MsgLanguageOfLocale, PicksTheRowByLanguageAndChineseByRegion) {
  const LocaleCase cases[] = {
      {"pl_PL.UTF-8", msPolish}, {"de_DE@euro", msGerman}, {"de", msGerman},
      {"pt_BR.UTF-8", msPortuguese}, {"fa_IR", msFarsi}, {"el_GR.UTF-8", msGreek},
      {"cs_CZ", msCzech}, {"da_DK", msDanish}, {"es_MX", msSpanish}, {"fi_FI", msFinnish},
      {"fr_CA", msFrench}, {"it_IT", msItalian}, {"ja_JP.UTF-8", msJapanese},
      {"ko_KR.eucKR", msKorean}, {"nl_BE", msDutch}, {"ru_RU", msRussian}, {"sv_SE", msSwedish},
      {"tr_TR", msTurkish}, {"en_GB.UTF-8", msEnglish}, {"hu_HU", msEnglish}, {"C", msEnglish},
      {"C.UTF-8", msEnglish}, {"POSIX", msEnglish}, {"", msEnglish},
      {"zh_TW.UTF-8", msChineseTraditional}, {"zh_TW", msChineseTraditional},
      {"zh_CN.GB18030", msChinese}, {"zh_CN@pinyin", msChinese}, {"zh_HK", msEnglish},
      {"zh_SG", msEnglish}, {"zh", msEnglish}, {"plx_PL", msEnglish}, {"p", msEnglish},
  };
  for (const LocaleCase& localeCase : cases)
    EXPECT_EQ(MsgLanguageOfLocale(localeCase.Name), localeCase.Language) << localeCase.Name;
}

// The start-up locale, as the fill reads it from the environment, with msSystem's answers.
struct SystemCase {
  std::optional<std::string> All, Messages, Lang;
  const char16_t* Word4;
  const char16_t* Word123;
};

TEST_F(WordTableTest, SystemFollowsTheStartUpLocaleAsIs) {
  const SystemCase cases[] = {
      {std::nullopt, std::nullopt, "pl_PL.UTF-8", u"Anuluj", u""},
      {std::nullopt, std::nullopt, "hu_HU.UTF-8", u"Cancel", u"Rate"},
      {std::nullopt, std::nullopt, "zh_HK.UTF-8", u"Cancel", u"Rate"},
      {std::nullopt, std::nullopt, "zh_TW.UTF-8", u"取消", u"速率"},
      {std::nullopt, std::nullopt, "zh_CN.UTF-8", u"取消", u"速率"},
      {std::nullopt, std::nullopt, "C", u"Cancel", u"Rate"},
      {std::nullopt, std::nullopt, std::nullopt, u"Cancel", u"Rate"},
      {std::nullopt, "de_DE.UTF-8", "pl_PL.UTF-8", u"Abbrechen", u"Rate"},
      {"pl_PL.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8", u"Anuluj", u""},
      {"", "", "fr_FR.UTF-8", u"Annuler", u"Fréquence"},  // empty counts as not set
  };
  test::ScopedEnvironmentVariable all("LC_ALL", std::nullopt);
  test::ScopedEnvironmentVariable messages("LC_MESSAGES", std::nullopt);
  test::ScopedEnvironmentVariable lang("LANG", std::nullopt);
  for (const SystemCase& systemCase : cases) {
    all.Set(systemCase.All);
    messages.Set(systemCase.Messages);
    lang.Set(systemCase.Lang);
    FillWordTable();
    const std::string name = systemCase.Lang.value_or("(no LANG)");
    EXPECT_EQ(GetMsgWord(4, msSystem), systemCase.Word4) << name;
    EXPECT_EQ(GetMsgWord(123, msSystem), systemCase.Word123) << name;
  }
  // Read once: a later change of the environment does not move msSystem.
  lang.Set("de_DE.UTF-8");
  EXPECT_EQ(GetMsgWord(4, msSystem), u"Annuler");
}

}  // namespace
}  // namespace calmora
