// The internet library (libcurl): loaded once for the program and freed at its end, with a test
// switch that makes it look absent, and the test hooks of the downloads made through it.
#pragma once

#include <cstdint>
#include <string>

namespace calmora::platform {

// Sets the library up for the program: a non-null module handle when it can be used, null
// when it is absent (or the test switch says so). Call it once, before any download and
// before other threads start; FreeInternetLibrary releases the handle it gave.
void* LoadInternetLibrary();
void FreeInternetLibrary(void* module);
// True between a LoadInternetLibrary that succeeded and its FreeInternetLibrary.
bool InternetLibraryLoaded();

// Test switch: while set, LoadInternetLibrary answers null as if the library were missing.
void SetInternetLibraryAbsent(bool absent);

// Milliseconds a download may go without connecting or without receiving a byte before it is
// given up; 30 s unless a test shortens it.
extern int32_t InternetStallMilliseconds;
// A PEM file of one more certificate authority that https downloads trust beside the system's;
// empty (the default) trusts the system's alone. Only tests set it.
extern std::string InternetExtraAuthorityFile;

}  // namespace calmora::platform
