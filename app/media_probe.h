// ProbeMediaInfo: asks the engine about one file and fills a Tffinfo with its
// duration, bit rates and largest picture size.
#pragma once

#include <string>

#include "app/tffinfo.h"

namespace calmora {

// ProbeText receives everything the engine printed; the batch loop shows it in the main
// window's hidden edit1.
bool ProbeMediaInfo(std::string& Code, const std::string& FilePath, Tffinfo& info,
                    std::string& ProbeText);

}  // namespace calmora
