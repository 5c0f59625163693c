#pragma once
// MessageTime: every date quernel takes from a mailbox, as a signed 32-bit
// count of seconds since 1970-01-01 00:00:00 UTC; 0 stands for "no date".

#include <cstdint>

#include "platform/calendar.h"
#include "platform/file_system.h"

namespace quernel {

using MessageTime = int32_t;

// The instant a stored FILETIME denotes, exactly (no detour through the
// current time-zone offset). 0 for an all-zero value, for values of 2^63 and
// more, and for instants whose local calendar year is before 1900. An instant
// outside the 32-bit range gives 1980-01-01 00:00:00 local time. Local time
// is `calendar`'s, the host's.
MessageTime MessageTimeFromFileTime(FileTimeTicks ticks, const Calendar& calendar);

// The same for the mailbox file's own time, except that an instant outside
// the 32-bit range gives -1.
MessageTime FileTimeToMailboxTime(FileTimeTicks ticks, const Calendar& calendar);

}  // namespace quernel
