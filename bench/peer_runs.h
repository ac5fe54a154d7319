// What the benchmarks that time outside programs on our pixels share: a command's wall time,
// shell quoting, and a pv24RGB bitmap written as a binary PPM for the peers to read.
#pragma once

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"

namespace calmora::bench {

inline std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// Runs a shell command, its output discarded; its wall time in seconds, or -1 when it failed.
inline double TimedRun(const std::string& command) {
  const auto start = std::chrono::steady_clock::now();
  const int status = std::system((command + " >/dev/null 2>&1").c_str());
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  return status == 0 ? elapsed.count() : -1;
}

// Rows turned from blue-green-red into the file's red-green-blue.
inline bool SavePPM(const TPVBitmap& bitmap, const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << bitmap.Width << " " << bitmap.Height << "\n255\n";
  std::vector<char> row(static_cast<size_t>(bitmap.Width) * 3);
  for (int32_t y = 0; y < bitmap.Height; ++y) {
    const uint8_t* line = bitmap.GetScanline(y);
    for (int32_t x = 0; x < bitmap.Width; ++x) {
      row[3 * x] = static_cast<char>(line[3 * x + 2]);
      row[3 * x + 1] = static_cast<char>(line[3 * x + 1]);
      row[3 * x + 2] = static_cast<char>(line[3 * x]);
    }
    out.write(row.data(), static_cast<std::streamsize>(row.size()));
  }
  return static_cast<bool>(out);
}

}  // namespace calmora::bench
