// ProbeMediaInfo: asks the engine about one file and fills a Tffinfo with its
// duration, bit rates and largest picture size.
#pragma once

#include <string>

#include "app/tffinfo.h"

namespace calmora {

// ProbeText is the probe's text buffer (the main window's edit1 text in the original design).
bool ProbeMediaInfo(std::string& Code, const std::string& FilePath, Tffinfo& info,
                    std::string& ProbeText);

}  // namespace calmora
