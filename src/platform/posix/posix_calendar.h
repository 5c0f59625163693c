#pragma once
// Local time through the C library's localtime_r and mktime.

#include "platform/calendar.h"

namespace quernel {

class PosixCalendar final : public Calendar {
 public:
  std::optional<std::tm> toLocal(int64_t unixSeconds) const override;
  std::optional<int64_t> fromLocal(std::tm fields) const override;
  bool isDateFormatFlag(char c) const override { return c == '-' || c == '0' || c == '^' || c == '#'; }
};

}  // namespace quernel
