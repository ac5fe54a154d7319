// The main block. The splash is on screen for as long as the engine check takes; the check
// pumps messages so that it keeps painting.
#include "app/main_block.h"

#include <string>

#include "app/engine_check.h"
#include "app/splash_window.h"
#include "platform/application.h"
#include "platform/message_box.h"

namespace calmora {

FrontEndWindows CreateFrontEndWindows() {
  FrontEndWindows windows;
  windows.main = std::make_unique<Tmain>();
  windows.options = std::make_unique<Toptions>();
  windows.about = std::make_unique<Tabout>();
  windows.progress = std::make_unique<Tprogress>(windows.main.get(), windows.options.get());
  windows.main->SetCompanions(windows.options.get(), windows.about.get(), windows.progress.get());
  return windows;
}

int RunMainBlock(platform::Application& application) {
  auto splash = std::make_unique<Tflash>();
  splash->ShowNow();

  std::string code;
  if (!CheckEngine(code)) {
    // The splash stays up until the program ends.
    platform::ShowMessage("Client program error! " + code);
    return 0;
  }

  application.Initialize();
  application.SetTitle("Calmora");
  FrontEndWindows windows = CreateFrontEndWindows();
  application.SetMainWindow(windows.main.get());
  splash->close();
  splash.reset();
  const int exit_code = application.Run();
  application.SetMainWindow(nullptr);
  return exit_code;
}

}  // namespace calmora
