#pragma once
// Conversions between Unix time and FILETIME ticks (100 ns since 1601).

#include <cstdint>
#include <optional>

#include "platform/file_system.h"

namespace quernel {

// Seconds from 1601-01-01 to 1970-01-01.
inline constexpr int64_t kSecondsFrom1601To1970 = 11644473600;

// The ticks of a Unix instant; nothing before 1601 or beyond what 64 bits hold.
std::optional<FileTimeTicks> FileTimeFromUnix(int64_t seconds, uint32_t nanoseconds = 0);

// The Unix second in which `ticks` falls (rounded towards the past).
int64_t UnixSecondsOfFileTime(FileTimeTicks ticks);

}  // namespace quernel
