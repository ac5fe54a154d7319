// The program's main block: splash, engine check, then the four windows and the message
// loop; without a working engine one message and the end.
#pragma once

#include <memory>

#include "app/about_box.h"
#include "app/main_window.h"
#include "app/options_dialog.h"
#include "app/progress_window.h"

namespace calmora {

namespace platform {
class Application;
}

// The four windows of the front end, created in the start-up order and linked together.
// They are destroyed in the reverse order.
struct FrontEndWindows {
  std::unique_ptr<Tmain> Main;
  std::unique_ptr<Toptions> Options;
  std::unique_ptr<Tabout> About;
  std::unique_ptr<Tprogress> Progress;
};

FrontEndWindows CreateFrontEndWindows();

// Runs the main block on an existing application object; gives the program's exit code.
int RunMainBlock(platform::Application& application);

}  // namespace calmora
