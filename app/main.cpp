// Calmora's entry: the application object first (the imaging library's set-up needs the
// toolkit), then the library's one-time set-up, then the front end's main block.
#include "app/main_block.h"
#include "imaging/library_statics.h"
#include "platform/application.h"

int main(int argc, char** argv) {
  calmora::platform::Application application(argc, argv);
  calmora::StartImagingLibrary();
  const int exitCode = calmora::RunMainBlock(application);
  calmora::StopImagingLibrary();
  return exitCode;
}
