// Liberation Sans, Serif and Mono were drawn with the metrics of Arial, Times New Roman and
// Courier New, so texts measured for those keep their widths; DejaVu Sans stands in for the
// wide sans-serif faces (Verdana, Tahoma).
#include "platform/font_names.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <map>
#include <mutex>

namespace calmora::platform {

namespace {

struct TFamilySubstitute {
  const char* Name;
  std::initializer_list<const char*> Candidates;
};

const TFamilySubstitute kSubstitutes[] = {
    {"arial", {"Liberation Sans", "DejaVu Sans"}},
    {"times new roman", {"Liberation Serif", "DejaVu Serif"}},
    {"courier new", {"Liberation Mono", "DejaVu Sans Mono"}},
    {"verdana", {"DejaVu Sans", "Liberation Sans"}},
    {"tahoma", {"DejaVu Sans", "Liberation Sans"}},
    {"ms sans serif", {"DejaVu Sans", "Liberation Sans"}},
};

const char* const kLastResort[] = {"DejaVu Sans", "Liberation Sans"};

QString ChooseFamily(const QString& name) {
  const QStringList installed = QFontDatabase::families();
  if (installed.contains(name, Qt::CaseInsensitive)) return name;
  const QString key = name.toLower();
  for (const TFamilySubstitute& substitute : kSubstitutes) {
    if (key != QLatin1String(substitute.Name)) continue;
    for (const char* candidate : substitute.Candidates)
      if (installed.contains(QLatin1String(candidate), Qt::CaseInsensitive))
        return QLatin1String(candidate);
  }
  for (const char* candidate : kLastResort)
    if (installed.contains(QLatin1String(candidate), Qt::CaseInsensitive))
      return QLatin1String(candidate);
  return name;
}

}  // namespace

bool FontsUsable() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

QString InstalledFamilyFor(const std::string& name) {
  // The font database is slow to ask and does not change while the program runs.
  static std::mutex lock;
  static std::map<std::string, QString> chosen;
  const std::lock_guard<std::mutex> guard(lock);
  auto found = chosen.find(name);
  if (found == chosen.end())
    found = chosen.emplace(name, ChooseFamily(QString::fromStdString(name))).first;
  return found->second;
}

QFont ToolkitFont(const TFont& font) {
  QFont result(InstalledFamilyFor(font.Name));
  result.setPixelSize(std::max(1, font.PixelHeight()));
  result.setBold(font.Bold);
  result.setItalic(font.Italic);
  result.setUnderline(font.Underline);
  result.setStrikeOut(font.StrikeOut);
  return result;
}

int32_t TFont::PixelHeight() const {
  // As the platform's MulDiv: to the nearest pixel, halves away from zero.
  return static_cast<int32_t>(std::lround(static_cast<double>(Size) * PixelsPerInch / 72.0));
}

}  // namespace calmora::platform
