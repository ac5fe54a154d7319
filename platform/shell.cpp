// The desktop's default handlers through QDesktopServices.
#include "platform/shell.h"

#include <QDesktopServices>
#include <QUrl>
#include <utility>

namespace calmora::platform {

namespace {

ShellHook& Hook() {
  static ShellHook hook;
  return hook;
}

}  // namespace

ShellHook SetShellHook(ShellHook hook) { return std::exchange(Hook(), std::move(hook)); }

bool OpenWithDefaultHandler(const std::string& url) {
  if (Hook()) return Hook()(url);
  return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

}  // namespace calmora::platform
