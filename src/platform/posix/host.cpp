// Host conventions on Linux and other POSIX systems: "/" paths, UTF-8 names,
// the letters of Windows-1252 for letter case.

#include "platform/host.h"

#include <time.h>

#include <limits>

#include "platform/utf8.h"
#include "platform/windows1252.h"

namespace quernel {

void InitializeHost() { tzset(); }

char PathSeparator() { return '/'; }

bool EndsWithSeparator(std::string_view directory) {
  return !directory.empty() && directory.back() == '/';
}

std::string DirectoryPart(std::string_view path) {
  const size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(0, slash));
}

std::string FileNamePart(std::string_view path) {
  const size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

char MaildirInfoSeparator() { return ':'; }

PositionalStyle PositionalArgumentStyle() { return PositionalStyle::ManyInputsThenOutput; }

std::string DisplayForm(std::string_view name) { return std::string(name); }

size_t CharacterStep(std::string_view, size_t) { return 1; }

size_t CharacterPrefixLength(std::string_view text, size_t limit) {
  return Utf8PrefixLength(text, limit);
}

void ChangeLetterCase(std::string& s, bool toUpper) { ChangeWindows1252LetterCase(s, toUpper); }

size_t ExtraControlSequenceAt(std::string_view s, size_t pos) { return Utf8C1ControlLength(s, pos); }

std::optional<std::tm> ToLocalCalendar(int64_t unixSeconds) {
  if (unixSeconds < std::numeric_limits<time_t>::min() ||
      unixSeconds > std::numeric_limits<time_t>::max()) {
    return std::nullopt;
  }
  const time_t instant = static_cast<time_t>(unixSeconds);
  std::tm fields{};
  if (localtime_r(&instant, &fields) == nullptr) return std::nullopt;
  return fields;
}

namespace {

bool SameCalendarTime(const std::tm& a, const std::tm& b) {
  return a.tm_year == b.tm_year && a.tm_mon == b.tm_mon && a.tm_mday == b.tm_mday &&
         a.tm_hour == b.tm_hour && a.tm_min == b.tm_min && a.tm_sec == b.tm_sec;
}

}  // namespace

std::optional<int64_t> FromLocalCalendar(std::tm fields) {
  fields.tm_isdst = -1;
  const time_t instant = mktime(&fields);
  if (instant != static_cast<time_t>(-1)) return static_cast<int64_t>(instant);
  // -1 is both the failure value and the last second of 1969 UTC: only the
  // latter gives back, as local time, the fields mktime normalised.
  const std::optional<std::tm> lastSecondOf1969 = ToLocalCalendar(-1);
  if (lastSecondOf1969 && SameCalendarTime(*lastSecondOf1969, fields)) return -1;
  return std::nullopt;
}

bool IsDateFormatFlag(char c) { return c == '-' || c == '0' || c == '^' || c == '#'; }

}  // namespace quernel
