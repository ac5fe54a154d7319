// CheckEngine: runs the bundled engine once without arguments and confirms
// that it answers with its version banner.
#pragma once

#include <string>

namespace calmora {

// True when the engine started and printed its banner. False otherwise: Code holds the
// failing step's code ("001" to "004"), or keeps the caller's value when the engine
// simply ended without the banner.
bool CheckEngine(std::string& Code);

}  // namespace calmora
