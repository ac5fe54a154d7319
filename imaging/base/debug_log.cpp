// LogDebugLine: the file is opened for each line and closed again, so a line is on disk as
// soon as the call returns and a changed DebugLogFileName takes effect at the next line.
#include "imaging/base/debug_log.h"

#include <cstdio>
#include <ctime>
#include <mutex>

namespace calmora {

std::string DebugLogFileName;

namespace {

std::mutex LogMutex;

}  // namespace

std::string DatedLogLine(const std::string& message) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  return std::string(stamp) + " : " + message;
}

void LogDebugLine(const std::string& message) {
  const std::lock_guard<std::mutex> lock(LogMutex);
  if (DebugLogFileName.empty()) return;
  std::FILE* file = std::fopen(DebugLogFileName.c_str(), "a");
  if (!file) return;
  std::fprintf(file, "%s\n", DatedLogLine(message).c_str());
  std::fclose(file);
}

}  // namespace calmora
