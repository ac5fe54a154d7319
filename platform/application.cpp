// The application object over QApplication. The loop ends when the main window has
// really closed (a close that the window refuses keeps the program running).
#include "platform/application.h"

#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <climits>
#include <stdexcept>

namespace calmora::platform {

namespace {

Application* TheApplication = nullptr;

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (length <= 0) return {};
  return std::string(buffer, static_cast<size_t>(length));
}

// Ends the message loop once the watched window has closed and stayed hidden.
class MainWindowWatcher : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Close) {
      QPointer<QWidget> window = qobject_cast<QWidget*>(watched);
      // The close handler runs after this filter; look at the outcome afterwards.
      QTimer::singleShot(0, this, [window] {
        if (!window || !window->isVisible()) QCoreApplication::exit(0);
      });
    }
    return false;
  }
};

}  // namespace

Application::Application(int& argc, char** argv) {
  if (TheApplication != nullptr) throw std::logic_error("the application object exists already");
  toolkit_ = std::make_unique<QApplication>(argc, argv);
  // The loop's end is decided by the main window alone, not by hidden or modal windows.
  QApplication::setQuitOnLastWindowClosed(false);
  TheApplication = this;
}

Application::~Application() { TheApplication = nullptr; }

Application* Application::Instance() { return TheApplication; }

void Application::Initialize() {
  // The toolkit's application is complete once constructed; nothing more to prepare here.
}

void Application::SetTitle(const std::string& title) {
  title_ = title;
  QCoreApplication::setApplicationName(QString::fromStdString(title));
}

std::string Application::Title() const { return title_.empty() ? ExecutableName() : title_; }

void Application::SetMainWindow(QWidget* window) { mainWindow_ = window; }

int Application::Run() {
  if (mainWindow_ == nullptr) return 0;
  MainWindowWatcher watcher;
  mainWindow_->installEventFilter(&watcher);
  QObject::connect(mainWindow_, &QObject::destroyed, &watcher, [] { QCoreApplication::exit(0); });
  mainWindow_->show();
  int code = QApplication::exec();
  if (mainWindow_ != nullptr) mainWindow_->removeEventFilter(&watcher);
  return code;
}

std::string Application::ExecutableFolder() {
  std::string path = ExecutablePath();
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return path.substr(0, slash);
}

std::string Application::ExecutableName() {
  std::string path = ExecutablePath();
  return path.substr(path.rfind('/') + 1);
}

}  // namespace calmora::platform
