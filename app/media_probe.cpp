// ProbeMediaInfo: one engine run with only an input file, its description parsed.
#include "app/media_probe.h"

#include "app/engine_runner.h"
#include "app/probe_parser.h"
#include "platform/command_line.h"

namespace calmora {

bool ProbeMediaInfo(std::string& Code, const std::string& FilePath, Tffinfo& info,
                    std::string& ProbeText) {
  // Without an output file the engine describes the input and ends.
  ProbeTextCollector collector(ProbeText);
  const EngineRunResult run =
      RunEngine(" -i " + platform::QuoteArgument(FilePath), kProbeCodes, collector);
  if (run.outcome == EngineRunOutcome::kFailed) {
    Code = run.code;
    return false;
  }
  // The probe never stops early and always ends in a failure status; the text decides.
  ParseProbeText(ProbeText, info);
  if (!HasUsableDuration(info)) {
    Code = "No duration!";
    return false;
  }
  return true;
}

}  // namespace calmora
