// Tabout: layout, the year in the notice line, and the two links.
#include "app/about_box.h"

#include <QDate>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QShowEvent>
#include <string>

#include "platform/shell.h"
#include "platform/ui_font.h"
#include "platform/window_placement.h"

namespace calmora {

namespace {

QLabel* Label(QWidget* parent, const QString& text, int left, int top) {
  auto* label = new QLabel(text, parent);
  label->move(left, top);
  label->adjustSize();
  return label;
}

QLabel* Link(QWidget* parent, const char* text, int left, int top) {
  QLabel* label = Label(parent, QString::fromLatin1(text), left, top);
  QFont font = label->font();
  font.setUnderline(true);
  label->setFont(font);
  label->adjustSize();
  label->setCursor(Qt::PointingHandCursor);
  return label;
}

}  // namespace

Tabout::Tabout(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setFont(platform::UiFont(11));
  setFixedSize(387, 140);

  Label8 = Label(this, QStringLiteral("Calmora"), 7, 11);
  QFont bold = Label8->font();
  bold.setBold(true);
  Label8->setFont(bold);
  Label8->adjustSize();
  Label5 = Link(this, kWebPage, 7, 27);
  Label2 = Link(this, kSupportMail, 7, 44);
  Label3 = Label(this, QString(), 8, 64);
  Label1 = Label(this, QStringLiteral("Free software, provided without any warranty."), 7, 81);
  Label1->setWordWrap(true);
  Label1->setFixedWidth(373);
  Label1->adjustSize();
  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button1->setGeometry(291, 106, 81, 25);
  Button1->setDefault(true);

  Label5->installEventFilter(this);
  Label2->installEventFilter(this);
  connect(Button1, &QPushButton::clicked, this, &Tabout::Button1Click);
}

void Tabout::FormShow() {
  Label3->setText(QStringLiteral("Copyright (c) Calmora developers ") +
                  QDate::currentDate().toString(QStringLiteral("yyyy")));
  Label3->adjustSize();
}

void Tabout::Label5Click() { platform::OpenWithDefaultHandler(kWebPage); }

void Tabout::Label2Click() {
  platform::OpenWithDefaultHandler(std::string("mailto:") + kSupportMail);
}

void Tabout::Button1Click() { close(); }

void Tabout::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  platform::CentreOnScreen(*this);
  if (!event->spontaneous()) FormShow();
}

bool Tabout::eventFilter(QObject* watched, QEvent* event) {
  // A click is a left button released over the label it was pressed on.
  if (event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    auto* label = static_cast<QWidget*>(watched);
    if (mouse->button() == Qt::LeftButton && label->rect().contains(mouse->position().toPoint())) {
      if (watched == Label5) Label5Click();
      if (watched == Label2) Label2Click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace calmora
