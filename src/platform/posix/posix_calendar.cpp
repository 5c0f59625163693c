#include "platform/posix/posix_calendar.h"

#include <time.h>

#include <limits>

namespace quernel {

std::optional<std::tm> PosixCalendar::toLocal(int64_t unixSeconds) const {
  if (unixSeconds < std::numeric_limits<time_t>::min() ||
      unixSeconds > std::numeric_limits<time_t>::max()) {
    return std::nullopt;
  }
  const time_t instant = static_cast<time_t>(unixSeconds);
  std::tm fields{};
  if (localtime_r(&instant, &fields) == nullptr) return std::nullopt;
  return fields;
}

namespace {

bool SameCalendarTime(const std::tm& a, const std::tm& b) {
  return a.tm_year == b.tm_year && a.tm_mon == b.tm_mon && a.tm_mday == b.tm_mday &&
         a.tm_hour == b.tm_hour && a.tm_min == b.tm_min && a.tm_sec == b.tm_sec;
}

}  // namespace

std::optional<int64_t> PosixCalendar::fromLocal(std::tm fields) const {
  fields.tm_isdst = -1;
  const time_t instant = mktime(&fields);
  if (instant != static_cast<time_t>(-1)) return static_cast<int64_t>(instant);
  // -1 is both the failure value and the last second of 1969 UTC: only the
  // latter gives back, as local time, the fields mktime normalised.
  const std::optional<std::tm> lastSecondOf1969 = toLocal(-1);
  if (lastSecondOf1969 && SameCalendarTime(*lastSecondOf1969, fields)) return -1;
  return std::nullopt;
}

}  // namespace quernel
