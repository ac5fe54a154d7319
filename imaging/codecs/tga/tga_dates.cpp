// The extension area's date and time against the library's date values: days since 30
// December 1899, the time of day as the fraction.
#include <chrono>
#include <cmath>

#include "imaging/codecs/tga/tga_codec.h"

namespace calmora {

namespace {
// 25569 days lie between 30 December 1899 and 1 January 1970.
constexpr int64_t kDaysBefore1970 = 25569;
constexpr int64_t kMillisecondsPerDay = 86400000;
}  // namespace

bool TGAPartsToDateTime(const TTGADateParts& Parts, double& Value) {
  if (Parts.Hour < 0 || Parts.Hour > 23 || Parts.Minute < 0 || Parts.Minute > 59 ||
      Parts.Second < 0 || Parts.Second > 59 || Parts.Month < 1 || Parts.Month > 12 ||
      Parts.Day < 1 || Parts.Day > 31) {
    return false;
  }
  const std::chrono::year_month_day date{std::chrono::year{Parts.Year},
                                         std::chrono::month{static_cast<unsigned>(Parts.Month)},
                                         std::chrono::day{static_cast<unsigned>(Parts.Day)}};
  if (!date.ok()) return false;  // 31 April, 29 February of a common year
  const int64_t days = std::chrono::sys_days{date}.time_since_epoch().count() + kDaysBefore1970;
  const double seconds = Parts.Hour * 3600.0 + Parts.Minute * 60.0 + Parts.Second;
  Value = static_cast<double>(days) + seconds / 86400.0;
  return true;
}

TTGADateParts TGADateTimeToParts(double Value) {
  TTGADateParts parts;
  if (!std::isfinite(Value) || std::fabs(Value) > 3.0e6) return parts;
  // Rounded to the millisecond first, so a value meant as hh:mm:ss does not fall a second short.
  const auto total = static_cast<int64_t>(std::llround(Value * kMillisecondsPerDay));
  int64_t days = total / kMillisecondsPerDay;
  int64_t milliseconds = total % kMillisecondsPerDay;
  if (milliseconds < 0) {
    milliseconds += kMillisecondsPerDay;
    --days;
  }
  const std::chrono::year_month_day date{
      std::chrono::sys_days{std::chrono::days{days - kDaysBefore1970}}};
  parts.Year = static_cast<int32_t>(date.year());
  parts.Month = static_cast<int32_t>(static_cast<unsigned>(date.month()));
  parts.Day = static_cast<int32_t>(static_cast<unsigned>(date.day()));
  const int64_t seconds = milliseconds / 1000;
  parts.Hour = static_cast<int32_t>(seconds / 3600);
  parts.Minute = static_cast<int32_t>(seconds / 60 % 60);
  parts.Second = static_cast<int32_t>(seconds % 60);
  return parts;
}

}  // namespace calmora
