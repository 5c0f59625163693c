#include "imap/command.h"

#include <cstdio>

namespace quernel {
namespace {

bool CanBeQuoted(std::string_view text, bool utf8) {
  if (text.size() > 1024) return false;
  for (const char c : text) {
    const auto byte = static_cast<uint8_t>(c);
    if (byte == 0 || c == '\r' || c == '\n' || (byte >= 0x80 && !utf8)) return false;
  }
  return true;
}

// Days since 1970-01-01 to the civil date (proleptic Gregorian).
void CivilFromDays(int64_t days, int64_t& year, unsigned& month, unsigned& day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned shifted = (5 * dayOfYear + 2) / 153;
  day = dayOfYear - (153 * shifted + 2) / 5 + 1;
  month = shifted < 10 ? shifted + 3 : shifted - 9;
  year = static_cast<int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

}  // namespace

ImapCommand::ImapCommand(std::string_view tag, std::string_view name, LiteralMode literals)
    : literals_(literals), chunks_(1) {
  chunks_[0].append(tag).append(" ").append(name);
}

void ImapCommand::separate() { chunks_.back() += ' '; }

ImapCommand& ImapCommand::atom(std::string_view atom) {
  separate();
  chunks_.back() += atom;
  return *this;
}

ImapCommand& ImapCommand::string(std::string_view text, bool utf8) {
  if (!CanBeQuoted(text, utf8)) return literal(text);
  separate();
  std::string& chunk = chunks_.back();
  chunk += '"';
  for (const char c : text) {
    if (c == '"' || c == '\\') chunk += '\\';
    chunk += c;
  }
  chunk += '"';
  return *this;
}

ImapCommand& ImapCommand::literal(std::string_view bytes) {
  separate();
  chunks_.back().append("{").append(std::to_string(bytes.size()));
  chunks_.back().append(literals_ == LiteralMode::NonSynchronizing ? "+}\r\n" : "}\r\n");
  chunks_.emplace_back(bytes);
  return *this;
}

std::vector<std::string> ImapCommand::finish() {
  chunks_.back() += "\r\n";
  return std::move(chunks_);
}

std::string FormatInternalDate(int64_t unixSeconds) {
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  int64_t days = unixSeconds / 86400;
  int64_t seconds = unixSeconds % 86400;
  if (seconds < 0) {
    seconds += 86400;
    --days;
  }
  int64_t year = 0;
  unsigned month = 0, day = 0;
  CivilFromDays(days, year, month, day);
  char text[40];
  std::snprintf(text, sizeof text, "%02u-%s-%04lld %02lld:%02lld:%02lld +0000", day, kMonths[month - 1],
                static_cast<long long>(year), static_cast<long long>(seconds / 3600),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  return text;
}

}  // namespace quernel
