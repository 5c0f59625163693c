#include "imap/server_inventory.h"

#include <algorithm>
#include <charconv>

#include "imap/response_data.h"
#include "platform/ascii.h"

namespace quernel {
namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::optional<int> NumberIn(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

}  // namespace

std::string MessageIdOf(std::string_view header) {
  std::string value;
  bool inField = false;
  for (size_t start = 0; start < header.size();) {
    size_t end = header.find('\n', start);
    if (end == std::string_view::npos) end = header.size();
    std::string_view line = header.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    start = end + 1;
    if (line.empty()) break;  // end of the header
    if (line.front() == ' ' || line.front() == '\t') {
      if (inField) value += Trimmed(line);
      continue;
    }
    if (inField) break;
    if (StartsWithIgnoringCase(line, "message-id:")) {
      inField = true;
      value = Trimmed(line.substr(11));
    }
  }
  return value;
}

std::optional<int64_t> ParseInternalDate(std::string_view date) {
  date = Trimmed(date);
  // "dd-Mon-yyyy hh:mm:ss +zzzz", the day possibly one digit or space-led.
  static constexpr std::string_view kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
  const size_t dash = date.find('-');
  if (dash == std::string_view::npos || date.size() != dash + 24) return std::nullopt;
  const std::optional<int> day = NumberIn(Trimmed(date.substr(0, dash)));
  const size_t month = kMonths.find(date.substr(dash + 1, 3));
  const std::optional<int> year = NumberIn(date.substr(dash + 5, 4));
  const std::optional<int> hour = NumberIn(date.substr(dash + 10, 2));
  const std::optional<int> minute = NumberIn(date.substr(dash + 13, 2));
  const std::optional<int> second = NumberIn(date.substr(dash + 16, 2));
  const char sign = date[dash + 19];
  const std::optional<int> zone = NumberIn(date.substr(dash + 20, 4));
  if (!day || month == std::string_view::npos || month % 3 != 0 || !year || !hour || !minute || !second ||
      !zone || (sign != '+' && sign != '-') || date[dash + 4] != '-') {
    return std::nullopt;
  }
  const int64_t offset = (*zone / 100 * 60 + *zone % 100) * 60 * (sign == '-' ? -1 : 1);
  return DaysFromCivil(*year, static_cast<unsigned>(month / 3 + 1), static_cast<unsigned>(*day)) * 86400 +
         *hour * 3600 + *minute * 60 + *second - offset;
}

std::string MessageIdentity(std::string_view messageId, std::optional<int64_t> instant, uint64_t size) {
  if (!messageId.empty()) return "id:" + std::string(messageId);
  if (!instant) return "";
  return "at:" + std::to_string(*instant) + ":" + std::to_string(size);
}

ServerInventory ServerInventory::FromFetch(const std::vector<ImapResponse>& responses) {
  ServerInventory inventory;
  for (const ImapResponse& response : responses) {
    if (response.name != "FETCH") continue;
    const FetchedMessage message = ReadFetch(response);
    inventory.add(MessageIdentity(MessageIdOf(message.headerFields), ParseInternalDate(message.internalDate),
                                  message.size.value_or(0)),
                  message.uid);
  }
  return inventory;
}

void ServerInventory::add(const std::string& identity, uint32_t uid) {
  if (identity.empty()) return;
  ++copies_[identity];
  ++total_;
  noteSent(identity, uid);
}

void ServerInventory::noteSent(const std::string& identity, uint32_t uid) {
  if (identity.empty()) return;
  std::vector<uint32_t>& uids = uids_[identity];
  if (uid != 0) uids.push_back(uid);
}

bool ServerInventory::holdsUid(const std::string& identity, uint32_t uid) const {
  const auto found = uids_.find(identity);
  return found != uids_.end() && std::find(found->second.begin(), found->second.end(), uid) != found->second.end();
}

bool ServerInventory::take(const std::string& identity) {
  const auto found = copies_.find(identity);
  if (found == copies_.end() || found->second == 0) return false;
  --found->second;
  --total_;
  return true;
}

std::string WithCrlfLineEnds(std::string_view text) {
  std::string wire;
  wire.reserve(text.size() + text.size() / 32);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      wire += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      wire += "\r\n";
    } else {
      wire += c;
    }
  }
  return wire;
}

}  // namespace quernel
