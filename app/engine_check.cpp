// CheckEngine: the start-up test that the engine is there and is the expected program.
#include "app/engine_check.h"

#include "app/engine_check_handler.h"
#include "app/engine_runner.h"

namespace calmora {

bool EngineBannerWatcher::Chunk(std::string_view chunk) {
  // The banner may arrive split over two reads, so each read is judged together with
  // the one before it.
  std::string joined = previous_;
  joined.append(chunk);
  if (ContainsText(TrimText(joined), "ffmpeg version")) {
    found_ = true;
    return false;  // nothing more to learn; the clean-up stops the engine
  }
  previous_.assign(chunk);
  return true;
}

bool CheckEngine(std::string& Code) {
  EngineBannerWatcher watcher;
  const EngineRunResult run = RunEngine("", kEngineCheckCodes, watcher);
  if (run.Outcome == EngineRunOutcome::kFailed) {
    Code = run.Code;
    return false;
  }
  return watcher.Found();
}

}  // namespace calmora
