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
  windows.Main = std::make_unique<Tmain>();
  windows.Options = std::make_unique<Toptions>();
  windows.About = std::make_unique<Tabout>();
  windows.Progress = std::make_unique<Tprogress>(windows.Main.get(), windows.Options.get());
  windows.Main->SetCompanions(windows.Options.get(), windows.About.get(), windows.Progress.get());
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
  application.SetMainWindow(windows.Main.get());
  splash->close();
  splash.reset();
  const int exitCode = application.Run();
  application.SetMainWindow(nullptr);
  return exitCode;
}

}  // namespace calmora
