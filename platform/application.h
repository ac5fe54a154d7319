// The application object: owns the toolkit's application, the title, the main window and
// the message loop that runs until the main window closes.
#pragma once

#include <memory>
#include <string>

class QApplication;
class QWidget;

namespace calmora::platform {

class Application {
 public:
  // Creates the toolkit's application; exactly one may exist at a time.
  Application(int& argc, char** argv);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The one application object, or null before it is created.
  static Application* Instance();

  // The start-up's "initialise the application" step; safe to call more than once.
  void Initialize();

  void SetTitle(const std::string& title);
  // The title set last; before any, the executable's file name.
  std::string Title() const;

  void SetMainWindow(QWidget* window);
  QWidget* MainWindow() const { return mainWindow_; }

  // Shows the main window and runs the message loop until it closes; gives the exit code.
  int Run();

  // Folder of the running executable, without a trailing "/" (empty when unknown).
  static std::string ExecutableFolder();
  // File name of the running executable.
  static std::string ExecutableName();

 private:
  std::unique_ptr<QApplication> toolkit_;
  std::string title_;
  QWidget* mainWindow_ = nullptr;
};

}  // namespace calmora::platform
