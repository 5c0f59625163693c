#pragma once
// Local time as the host's C library and time zone give it, and the flags
// its strftime accepts. Reads the process's time-zone setting at each call
// (after InitializeHost); holds no state of its own; not thread-safe, like
// the C library's time functions it uses.

#include <cstdint>
#include <ctime>
#include <optional>

namespace quernel {

class Calendar {
 public:
  virtual ~Calendar() = default;

  // The local calendar fields of the instant `unixSeconds` (64-bit), or
  // nothing when the host cannot represent it; nothing else is changed.
  virtual std::optional<std::tm> toLocal(int64_t unixSeconds) const = 0;

  // The instant of local calendar fields (normalised, daylight saving left
  // to the host: tm_isdst is ignored), or nothing when it cannot be
  // represented.
  virtual std::optional<int64_t> fromLocal(std::tm fields) const = 0;

  // True for a flag character that the host's strftime accepts between "%"
  // and a conversion letter ("-", "0", "^" and "#" in glibc; only "#" in the
  // Windows runtimes, which abort on the others).
  virtual bool isDateFormatFlag(char c) const = 0;
};

}  // namespace quernel
