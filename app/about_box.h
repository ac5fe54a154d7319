// Tabout: the about box with the program's name, its web page and support address (both
// open with the desktop's default handler), the maker's notice and a legal line.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace calmora {

inline constexpr const char* kWebPage = "https://calmora.example.org";
inline constexpr const char* kSupportMail = "support@calmora.example.org";

class Tabout : public QDialog {
  Q_OBJECT

 public:
  explicit Tabout(QWidget* parent = nullptr);

  void Label5Click();   // the web page
  void Label2Click();   // a new mail to the support address
  void Button1Click();  // "OK"

  QLabel* Label8 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label1 = nullptr;
  QPushButton* Button1 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormShow();
};

}  // namespace calmora
