// Verdana is not packaged for Linux; DejaVu Sans was drawn after it and has the same wide
// shapes, so it keeps the windows' fixed layouts from clipping text.
#include "platform/ui_font.h"

#include <QFontDatabase>
#include <QStringList>

namespace calmora::platform {

namespace {

QString FamilyInstalled() {
  static const QString family = [] {
    const QStringList installed = QFontDatabase::families();
    for (const char* name : {"Verdana", "DejaVu Sans", "Liberation Sans"}) {
      if (installed.contains(QString::fromLatin1(name), Qt::CaseInsensitive)) {
        return QString::fromLatin1(name);
      }
    }
    return QString::fromLatin1("Sans Serif");
  }();
  return family;
}

}  // namespace

QFont UiFont(int pixel_height, bool bold) {
  QFont font(FamilyInstalled());
  font.setPixelSize(pixel_height);
  font.setBold(bold);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

}  // namespace calmora::platform
