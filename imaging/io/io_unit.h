// Set-up and clean-up of the I/O unit: the process-wide settings every codec and I/O component
// reads. Only the library's static set-up calls these, once each, in its fixed order of units.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "imaging/core/static_setup.h"

namespace calmora {

void InitIOUnit();
void FinalizeIOUnit();

// The steps of each, in the order they run (what a test compares the order with).
std::span<const TStaticSetupStep> IOUnitSetupSteps();
std::span<const TStaticSetupStep> IOUnitCleanupSteps();

// The scanner's log file; empty: no log.
extern std::string TwainLogFileName;
// The relative flag of the read-ahead stream that TIFF, DICOM and camera-raw loads put around
// the caller's stream.
extern bool BufferedStreamRelative;
// Largest width or height, in pixels, a metafile import renders.
extern int32_t MetafileMaxSize;

}  // namespace calmora
