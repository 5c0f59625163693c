#pragma once
// The date of an Internet message header ("Tue, 1 Nov 2005 10:00:00 +0100").

#include <cstdint>
#include <optional>
#include <string_view>

namespace quernel::dbx {

// Seconds since 1970-01-01 00:00:00 UTC of a Date header value, or nothing
// when it is not a date. Accepts what mail programs wrote over the years: an
// optional day name, two-digit years (below 50: 20xx), missing seconds, zone
// names of North America as well as numeric zones, comments. A missing or
// unknown zone counts as UTC. No time zone of the machine is involved.
std::optional<int64_t> ParseHeaderDate(std::string_view value);

}  // namespace quernel::dbx
