#include "platform/file_time.h"

#include <limits>

namespace quernel {

namespace {

constexpr uint64_t kTicksPerSecond = 10'000'000;

}  // namespace

std::optional<FileTimeTicks> FileTimeFromUnix(int64_t seconds, uint32_t nanoseconds) {
  if (seconds < -kSecondsFrom1601To1970 ||
      seconds > std::numeric_limits<int64_t>::max() - kSecondsFrom1601To1970) {
    return std::nullopt;
  }
  const uint64_t since1601 = static_cast<uint64_t>(seconds + kSecondsFrom1601To1970);
  const uint64_t extraTicks = nanoseconds / 100;
  if (since1601 > (std::numeric_limits<uint64_t>::max() - extraTicks) / kTicksPerSecond) {
    return std::nullopt;
  }
  return since1601 * kTicksPerSecond + extraTicks;
}

int64_t UnixSecondsOfFileTime(FileTimeTicks ticks) {
  return static_cast<int64_t>(ticks / kTicksPerSecond) - kSecondsFrom1601To1970;
}

}  // namespace quernel
