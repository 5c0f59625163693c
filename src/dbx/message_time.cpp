#include "dbx/message_time.h"

#include <cstdint>
#include <limits>
#include <optional>

#include "platform/file_time.h"

namespace quernel {

namespace {

constexpr FileTimeTicks kFirstInvalidTicks = FileTimeTicks{1} << 63;

// The instant in Unix seconds, or nothing when the value counts as no date:
// all zero, 2^63 or more, or a local calendar year before 1900.
std::optional<int64_t> DatedInstant(FileTimeTicks ticks, const Calendar& calendar) {
  if (ticks == 0 || ticks >= kFirstInvalidTicks) return std::nullopt;
  const int64_t seconds = UnixSecondsOfFileTime(ticks);
  const std::optional<std::tm> local = calendar.toLocal(seconds);
  if (!local || local->tm_year < 0) return std::nullopt;  // tm_year counts from 1900
  return seconds;
}

bool FitsMessageTime(int64_t seconds) {
  return seconds >= 0 && seconds <= std::numeric_limits<MessageTime>::max();
}

MessageTime Start1980Local(const Calendar& calendar) {
  std::tm fields{};
  fields.tm_year = 80;
  fields.tm_mon = 0;
  fields.tm_mday = 1;
  fields.tm_isdst = -1;
  const std::optional<int64_t> instant = calendar.fromLocal(fields);
  return instant && FitsMessageTime(*instant) ? static_cast<MessageTime>(*instant) : 0;
}

}  // namespace

MessageTime MessageTimeFromFileTime(FileTimeTicks ticks, const Calendar& calendar) {
  const std::optional<int64_t> seconds = DatedInstant(ticks, calendar);
  if (!seconds) return 0;
  return FitsMessageTime(*seconds) ? static_cast<MessageTime>(*seconds) : Start1980Local(calendar);
}

MessageTime FileTimeToMailboxTime(FileTimeTicks ticks, const Calendar& calendar) {
  const std::optional<int64_t> seconds = DatedInstant(ticks, calendar);
  if (!seconds) return 0;
  return FitsMessageTime(*seconds) ? static_cast<MessageTime>(*seconds) : -1;
}

}  // namespace quernel
