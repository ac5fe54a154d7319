// The scanner log's one open file. Each line reopens it, so a changed TwainLogFileName takes
// effect at the next line and every line is on disk when the call returns.
#include "imaging/io/acquisition/scanner_log.h"

#include <cstdio>
#include <mutex>

#include "imaging/base/debug_log.h"
#include "imaging/io/io_unit.h"

namespace calmora {

namespace {

std::mutex LogMutex;
std::FILE* LogFile = nullptr;

void CloseLocked() {
  if (LogFile == nullptr) return;
  std::fclose(LogFile);
  LogFile = nullptr;
}

}  // namespace

void LogTwainLine(const std::string& message) {
  const std::lock_guard<std::mutex> lock(LogMutex);
  if (TwainLogFileName.empty()) return;
  CloseLocked();
  LogFile = std::fopen(TwainLogFileName.c_str(), "a");
  if (LogFile == nullptr) return;
  std::fprintf(LogFile, "%s\n", DatedLogLine(message).c_str());
  std::fflush(LogFile);
}

void CloseTwainLog() {
  const std::lock_guard<std::mutex> lock(LogMutex);
  CloseLocked();
}

bool TwainLogOpen() {
  const std::lock_guard<std::mutex> lock(LogMutex);
  return LogFile != nullptr;
}

}  // namespace calmora
