// Loading and freeing the internet library of internet_library.h.
#include "platform/internet_library.h"

#include <curl/curl.h>

#include <atomic>

namespace calmora::platform {
namespace {

std::atomic<bool> LibraryAbsent{false};
std::atomic<bool> LibraryLoaded{false};

// What LoadInternetLibrary hands out: libcurl has no module handle of its own, so the handle
// is this marker, compared on the way back so that a foreign pointer frees nothing.
char LibraryMarker;

}  // namespace

int32_t InternetStallMilliseconds = 30000;
std::string InternetExtraAuthorityFile;

void* LoadInternetLibrary() {
  if (LibraryAbsent) return nullptr;
  if (LibraryLoaded) return &LibraryMarker;
  if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) return nullptr;
  LibraryLoaded = true;
  return &LibraryMarker;
}

void FreeInternetLibrary(void* module) {
  if (module != &LibraryMarker || !LibraryLoaded) return;
  LibraryLoaded = false;
  curl_global_cleanup();
}

bool InternetLibraryLoaded() { return LibraryLoaded; }

void SetInternetLibraryAbsent(bool absent) { LibraryAbsent = absent; }

}  // namespace calmora::platform
