// The scanner log: lines of the scanner code, dated like the debug log's, appended to the file
// TwainLogFileName names. The file stays open between lines and is closed by the next line or
// by the I/O unit's clean-up.
#pragma once

#include <string>

namespace calmora {

// Nothing while TwainLogFileName is empty or the file cannot be opened. Otherwise the file is
// opened again for appending under the current name and one "<date> <time> : <message>" line
// is written and flushed. Safe from several threads.
void LogTwainLine(const std::string& message);

// Closes the log file when a line left it open.
void CloseTwainLog();

// Whether a line left the log file open (tests read it).
bool TwainLogOpen();

}  // namespace calmora
