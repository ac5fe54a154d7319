// TfIOPreviews' captions in the dialogs' language: which word of the word table each control
// shows, and how it is dressed (":" after labels, blanks around group titles).
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <initializer_list>

#include "imaging/io/previews/io_previews.h"
#include "imaging/io/words/word_table.h"

namespace calmora {
namespace {

enum class Dress { kPlain, kColon, kGroup };

struct CaptionRow {
  uint8_t word;
  Dress dress;
  std::initializer_list<const char*> controls;
};

const CaptionRow kCaptionRows[] = {
    {1, Dress::kColon, {"Label1"}},
    {2, Dress::kColon, {"Label2"}},
    {3, Dress::kPlain, {"Button1"}},
    {4, Dress::kPlain, {"Button2"}},
    {0, Dress::kPlain, {"Button3"}},
    {5, Dress::kPlain, {"chkLockPreview"}},
    {120, Dress::kPlain, {"Button4"}},
    {38, Dress::kColon, {"Label23", "Label72"}},
    {39, Dress::kColon, {"Label26"}},
    {40, Dress::kColon, {"Label27"}},
    {49, Dress::kColon, {"Label57", "Label71", "Label7"}},
    {42, Dress::kPlain, {"CheckBox2"}},
    {46, Dress::kPlain, {"CheckBox3"}},
    {43, Dress::kColon,
     {"Label3", "Label73", "Label67", "Label9", "Label77", "Label22", "Label83", "Label39",
      "Label45", "Label50", "Label58"}},
    {44, Dress::kColon,
     {"Label24", "Label75", "Label69", "Label17", "Label79", "Label29", "Label85", "Label41",
      "Label47", "Label52", "Label60"}},
    {45, Dress::kGroup, {"GroupBox5", "GroupBox2", "GroupBox3"}},
    {123, Dress::kColon, {"Label66"}},
    {47, Dress::kColon, {"Label5", "Label81", "Label37", "Label43", "Label56", "CheckBox1"}},
    {48, Dress::kColon, {"Label6", "Label20"}},
    {50, Dress::kGroup, {"GroupBox1"}},
    {51, Dress::kColon, {"Label12", "Label64"}},
    {52, Dress::kColon, {"Label13", "Label65"}},
    {53, Dress::kColon, {"Label14"}},
    {54, Dress::kColon, {"Label15"}},
    {55, Dress::kPlain, {"Label16"}},
    {56, Dress::kColon, {"Label8"}},
    {57, Dress::kColon, {"Label10"}},
    {58, Dress::kColon,
     {"Label19", "Label82", "Label21", "Label87", "Label38", "Label44", "Label49", "Label62"}},
    {59, Dress::kColon, {"CheckBox4"}},
    {60, Dress::kColon, {"Label34"}},
    {61, Dress::kColon, {"CheckBox5"}},
    {61, Dress::kPlain, {"CheckBox6"}},
    {62, Dress::kColon, {"Label35", "Label54", "Label63"}},
    {63, Dress::kColon, {"Label31"}},
    {64, Dress::kColon, {"Label32"}},
    {65, Dress::kColon, {"Label33"}},
    {66, Dress::kColon, {"Label55"}},
};

QString Dressed(const std::u16string& word, Dress dress) {
  const QString text = QString::fromStdU16String(word);
  switch (dress) {
    case Dress::kColon:
      return text + ":";
    case Dress::kGroup:
      return " " + text + " ";
    case Dress::kPlain:
      break;
  }
  return text;
}

void SetCaption(QWidget& control, const QString& caption) {
  if (auto* label = qobject_cast<QLabel*>(&control)) {
    label->setText(caption);
  } else if (auto* button = qobject_cast<QAbstractButton*>(&control)) {
    button->setText(caption);
  } else if (auto* group = qobject_cast<QGroupBox*>(&control)) {
    group->setTitle(caption);
  }
}

}  // namespace

void TfIOPreviews::SetLanguage(TMsgLanguage Language) {
  setWindowTitle(QString::fromStdU16String(GetMsgWord(37, Language)));
  for (const CaptionRow& row : kCaptionRows) {
    const QString caption = Dressed(GetMsgWord(row.word, Language), row.dress);
    for (const char* name : row.controls) {
      if (auto* control = findChild<QWidget*>(QString::fromUtf8(name))) SetCaption(*control, caption);
    }
  }
  CancelText = u"&" + GetMsgWord(4, Language);
}

}  // namespace calmora
