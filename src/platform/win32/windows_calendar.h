#pragma once
// Local time from the C runtime where it can, from Windows itself before
// 1970 and after 3000; the runtime's strftime takes "#" as its only flag.

#include "platform/calendar.h"

namespace quernel {

class WindowsCalendar final : public Calendar {
 public:
  std::optional<std::tm> toLocal(int64_t unixSeconds) const override;
  std::optional<int64_t> fromLocal(std::tm fields) const override;
  bool isDateFormatFlag(char c) const override { return c == '#'; }
};

}  // namespace quernel
