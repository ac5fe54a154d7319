// The engine check's chunk handler, apart from the process so it can be fed by hand.
#pragma once

#include <string>
#include <string_view>

#include "app/engine_runner.h"
#include "app/engine_text.h"

namespace calmora {

// Watches the engine's output for its version banner.
class EngineBannerWatcher : public EngineRunHandler {
 public:
  bool Chunk(std::string_view chunk) override;
  bool Found() const { return found_; }

 private:
  std::string previous_;
  bool found_ = false;
};

}  // namespace calmora
