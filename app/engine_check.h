// CheckEngine: runs the bundled engine once without arguments and confirms
// that it answers with its version banner.
#pragma once

#include <string>

namespace calmora {

// True when the engine started and printed its banner; otherwise Code holds
// the failing step's code ("001".."007").
bool CheckEngine(std::string& Code);

}  // namespace calmora
