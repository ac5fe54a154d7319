// Access to the compiled-in pictures. The resource file lives in a static library, so its
// registration must be referenced explicitly or the linker drops it.
#include "app/app_resources.h"

#include <QString>

static void RegisterFrontEndResources() { Q_INIT_RESOURCE(resources); }

namespace calmora {

namespace {

void EnsureRegistered() {
  static const bool kRegistered = (RegisterFrontEndResources(), true);
  (void)kRegistered;
}

}  // namespace

QIcon Glyph(const char* name) {
  EnsureRegistered();
  return QIcon(QStringLiteral(":/calmora/resources/%1.png").arg(QString::fromLatin1(name)));
}

QPixmap SplashPicture() {
  EnsureRegistered();
  return QPixmap(QStringLiteral(":/calmora/resources/splash.png"));
}

}  // namespace calmora
