// The library's diagnostic log: LogDebugLine appends one dated line to the file that
// DebugLogFileName names. It sits this low because bitmap and DIB code of every layer write to
// it; the I/O unit's set-up leaves it off.
#pragma once

#include <string>

namespace calmora {

// The log file; empty (the start value) keeps the log off. Nothing in the library sets it:
// a developer or a test does.
extern std::string DebugLogFileName;

// Appends "<date> <time> : <message>" as one line (date yyyy-mm-dd, time hh:mm:ss, local time)
// to DebugLogFileName and flushes it, so the line survives a crash that follows. Nothing while
// the name is empty or the file cannot be opened; safe from several threads.
void LogDebugLine(const std::string& message);

// "<date> <time> : <message>" with the current local date and time, as LogDebugLine writes
// it (without the line end); the scanner log writes its lines in the same form.
std::string DatedLogLine(const std::string& message);

}  // namespace calmora
