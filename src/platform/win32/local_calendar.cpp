// Local time on Windows. The C runtime converts instants from 1970 to 3000
// only; older and later ones (which the mailbox dates' "before 1900" rule
// needs) are broken down by Windows itself, with the same time-zone rules.

#include <time.h>

#include "platform/win32/windows_calendar.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/windows_api.h"

namespace quernel {

namespace {

constexpr int64_t kTicksPerMinute = 600000000;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DayOfYear(const SYSTEMTIME& date) {
  static constexpr int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  const bool afterLeapDay = date.wMonth > 2 && IsLeapYear(date.wYear);
  return kDaysBeforeMonth[date.wMonth - 1] + date.wDay - 1 + (afterLeapDay ? 1 : 0);
}

// True when `offsetMinutes` (local minus UTC) is the zone's daylight offset.
bool IsDaylightOffset(int64_t offsetMinutes) {
  TIME_ZONE_INFORMATION zone;
  if (GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) return false;
  return offsetMinutes != -static_cast<int64_t>(zone.Bias + zone.StandardBias);
}

std::optional<std::tm> CalendarFromWindows(int64_t unixSeconds) {
  const std::optional<FILETIME> utc = WindowsFileTimeOfUnix(unixSeconds);
  if (!utc) return std::nullopt;
  SYSTEMTIME utcFields, local;
  FILETIME localTime;
  if (!FileTimeToSystemTime(&*utc, &utcFields) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &utcFields, &local) ||
      !SystemTimeToFileTime(&local, &localTime)) {
    return std::nullopt;
  }
  const int64_t offsetTicks = static_cast<int64_t>(TicksOf(localTime) - TicksOf(*utc));
  std::tm fields{};
  fields.tm_year = local.wYear - 1900;
  fields.tm_mon = local.wMonth - 1;
  fields.tm_mday = local.wDay;
  fields.tm_hour = local.wHour;
  fields.tm_min = local.wMinute;
  fields.tm_sec = local.wSecond;
  fields.tm_wday = local.wDayOfWeek;
  fields.tm_yday = DayOfYear(local);
  fields.tm_isdst = IsDaylightOffset(offsetTicks / kTicksPerMinute) ? 1 : 0;
  return fields;
}

}  // namespace

std::optional<std::tm> WindowsCalendar::toLocal(int64_t unixSeconds) const {
  const __time64_t instant = unixSeconds;
  std::tm fields{};
  if (_localtime64_s(&fields, &instant) == 0) return fields;
  return CalendarFromWindows(unixSeconds);
}

// _mktime64 gives -1 for every time it cannot represent, and the runtime
// represents nothing before 1970, so -1 is always a failure here.
std::optional<int64_t> WindowsCalendar::fromLocal(std::tm fields) const {
  fields.tm_isdst = -1;
  const __time64_t instant = _mktime64(&fields);
  if (instant == -1) return std::nullopt;
  return static_cast<int64_t>(instant);
}

}  // namespace quernel
