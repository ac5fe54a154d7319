// Verdana is not packaged for Linux; DejaVu Sans was drawn after it and has the same wide
// shapes, so it keeps the windows' fixed layouts from clipping text.
#include "platform/ui_font.h"

#include <QFontDatabase>
#include <QStringList>

namespace calmora::platform {

namespace {

QString FamilyInstalled() {
  static const QString kFamily = [] {
    const QStringList installed = QFontDatabase::families();
    for (const char* name : {"Verdana", "DejaVu Sans", "Liberation Sans"}) {
      if (installed.contains(QString::fromLatin1(name), Qt::CaseInsensitive)) {
        return QString::fromLatin1(name);
      }
    }
    return QString::fromLatin1("Sans Serif");
  }();
  return kFamily;
}

}  // namespace

QFont UiFont(int pixelHeight, bool bold) {
  QFont font(FamilyInstalled());
  font.setPixelSize(pixelHeight);
  font.setBold(bold);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

}  // namespace calmora::platform
