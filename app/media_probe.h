// ProbeMediaInfo: asks the engine about one file and fills a Tffinfo with its
// duration, bit rates and largest picture size.
#pragma once

#include <functional>
#include <string>

#include "app/tffinfo.h"

namespace calmora {

// ProbeText receives everything the engine printed; the batch loop shows it in the main
// window's hidden edit1. A file without a video stream fails with "No video stream!".
// `cancelled`, when given, is asked while the engine runs: true stops it and the probe
// fails with Code unchanged (a named pipe, say, would keep the engine waiting forever).
bool ProbeMediaInfo(std::string& Code, const std::string& FilePath, Tffinfo& info,
                    std::string& ProbeText, std::function<bool()> cancelled = {});

}  // namespace calmora
