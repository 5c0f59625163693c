#include "dbx/header_date.h"

#include <array>
#include <cctype>
#include <string>
#include <vector>

namespace quernel::dbx {

namespace {

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yoe = year - era * 400;
  const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// The value without comments, split at blanks and commas, with "10:00:00"
// split further at its colons into "10", ":", "00"...
std::vector<std::string> Tokens(std::string_view value) {
  std::vector<std::string> tokens;
  std::string current;
  int depth = 0;
  auto flush = [&] {
    if (!current.empty()) tokens.push_back(current);
    current.clear();
  };
  for (char c : value) {
    if (c == '(') ++depth;
    if (depth > 0) {
      if (c == ')') --depth;
      flush();
      continue;
    }
    if (c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n') {
      flush();
    } else if (c == ':') {
      flush();
      tokens.push_back(":");
    } else {
      current += c;
    }
  }
  flush();
  return tokens;
}

std::optional<int> Number(const std::string& token, size_t maxDigits) {
  if (token.empty() || token.size() > maxDigits) return std::nullopt;
  int n = 0;
  for (char c : token) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

std::optional<int> Month(std::string token) {
  static constexpr std::array<const char*, 12> kNames = {"jan", "feb", "mar", "apr", "may", "jun",
                                                         "jul", "aug", "sep", "oct", "nov", "dec"};
  if (token.size() < 3) return std::nullopt;
  for (char& c : token) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (size_t m = 0; m < kNames.size(); ++m) {
    if (token.compare(0, 3, kNames[m]) == 0) return static_cast<int>(m) + 1;
  }
  return std::nullopt;
}

// The zone's offset from UTC in minutes; 0 for anything not understood.
int ZoneMinutes(const std::string& token) {
  if (token.size() == 5 && (token[0] == '+' || token[0] == '-')) {
    const std::optional<int> hhmm = Number(token.substr(1), 4);
    if (hhmm) return (token[0] == '-' ? -1 : 1) * (*hhmm / 100 * 60 + *hhmm % 100);
  }
  static constexpr std::array<std::pair<const char*, int>, 8> kNames = {{
      {"EST", -5}, {"EDT", -4}, {"CST", -6}, {"CDT", -5},
      {"MST", -7}, {"MDT", -6}, {"PST", -8}, {"PDT", -7},
  }};
  for (const auto& [name, hours] : kNames) {
    if (token == name) return hours * 60;
  }
  return 0;
}

int FullYear(const std::string& token, int year) {
  if (token.size() == 2) return year < 50 ? 2000 + year : 1900 + year;
  if (token.size() == 3) return 1900 + year;
  return year;
}

}  // namespace

std::optional<int64_t> ParseHeaderDate(std::string_view value) {
  std::vector<std::string> t = Tokens(value);
  if (!t.empty() && !Number(t[0], 2)) t.erase(t.begin());  // the day name
  // day month year hh : mm [: ss] [zone]
  if (t.size() < 6 || t[4] != ":") return std::nullopt;
  const std::optional<int> day = Number(t[0], 2), month = Month(t[1]), year = Number(t[2], 4);
  const std::optional<int> hour = Number(t[3], 2), minute = Number(t[5], 2);
  if (!day || !month || !year || !hour || !minute) return std::nullopt;
  size_t next = 6;
  std::optional<int> second = 0;
  if (t.size() > 7 && t[6] == ":") {
    second = Number(t[7], 2);
    next = 8;
  }
  if (!second || *day < 1 || *day > 31 || *hour > 23 || *minute > 59 || *second > 60) return std::nullopt;
  const int zone = next < t.size() ? ZoneMinutes(t[next]) : 0;
  const int64_t days = DaysFromCivil(FullYear(t[2], *year), *month, *day);
  return days * 86400 + *hour * 3600 + *minute * 60 + *second - int64_t{zone} * 60;
}

}  // namespace quernel::dbx
