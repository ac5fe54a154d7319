// ProbeMediaInfo: one engine run with only an input file, its description parsed.
#include "app/media_probe.h"

#include <utility>

#include "app/engine_runner.h"
#include "app/probe_parser.h"
#include "platform/command_line.h"

namespace calmora {

bool ProbeMediaInfo(std::string& Code, const std::string& FilePath, Tffinfo& info,
                    std::string& ProbeText, std::function<bool()> cancelled) {
  // Without an output file the engine describes the input and ends.
  ProbeTextCollector collector(ProbeText, std::move(cancelled));
  const EngineRunResult run =
      RunEngine(" -i " + platform::QuoteArgument(FilePath), kProbeCodes, collector);
  if (run.Outcome == EngineRunOutcome::kFailed) {
    Code = run.Code;
    return false;
  }
  if (run.Outcome == EngineRunOutcome::kStoppedBeforePoll) return false;
  // Only Cancel stops the probe early; it always ends in a failure status, so the text
  // decides.
  ParseProbeText(ProbeText, info);
  if (!HasUsableDuration(info)) {
    Code = "No duration!";
    return false;
  }
  // Audio alone would pass through the passes as a plain copy reported as stabilised.
  if (!DescribesVideoStream(ProbeText, FilePath)) {
    Code = "No video stream!";
    return false;
  }
  return true;
}

}  // namespace calmora
