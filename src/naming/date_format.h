#pragma once
// Formats a MessageTime in local time with a strftime-like format, walking the
// format itself so that only the supported conversions reach the C library.

#include <string>
#include <string_view>

#include "dbx/message_time.h"
#include "platform/calendar.h"

namespace quernel {

// The local time of `time` formatted with `format`. Empty when the time is
// negative or cannot be converted, when the result would exceed 127 bytes,
// and when the format ends in a lone "%". `calendar` gives the local time
// and the flags its strftime accepts.
std::string FormatMessageTime(MessageTime time, std::string_view format, const Calendar& calendar);

}  // namespace quernel
