#include "dbx/record_agreement.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ascii.h"

namespace quernel::dbx {

namespace {

constexpr int64_t kDateTolerance = 24 * 60 * 60;

enum class Comparison { Unsure, Agrees, Disagrees };

bool IsPlainAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }) &&
         s.find("=?") == std::string_view::npos;
}

// Runs of white space as one space, none at either end.
std::string SingleSpaced(std::string_view s) {
  std::string out;
  for (char c : s) {
    const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
    if (!blank) {
      out += c;
    } else if (!out.empty() && out.back() != ' ') {
      out += ' ';
    }
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

Comparison Subjects(std::string_view stored, std::string_view header) {
  if (stored.empty() || header.empty() || !IsPlainAscii(stored) || !IsPlainAscii(header)) return Comparison::Unsure;
  const std::string a = SingleSpaced(stored), b = SingleSpaced(header);
  const std::string_view shorter = a.size() <= b.size() ? a : b;
  const std::string_view longer = a.size() <= b.size() ? b : a;
  return !shorter.empty() && longer.ends_with(shorter) ? Comparison::Agrees : Comparison::Disagrees;
}

Comparison Addresses(std::string_view stored, std::string_view header) {
  if (stored.empty() || header.empty() || !IsPlainAscii(stored) || !IsPlainAscii(header)) return Comparison::Unsure;
  return EqualsIgnoringCase(stored, header) ? Comparison::Agrees : Comparison::Disagrees;
}

Comparison Dates(MessageTime stored, const std::optional<int64_t>& header) {
  if (stored == 0 || !header) return Comparison::Unsure;
  const int64_t apart = *header > stored ? *header - stored : stored - *header;
  return apart <= kDateTolerance ? Comparison::Agrees : Comparison::Disagrees;
}

}  // namespace

std::optional<int> RecordAgreement(const MessageProperties& record, const HeaderFields& header) {
  int agreeing = 0;
  for (const Comparison c : {Subjects(record.subject, header.subject),
                             Addresses(record.senderAddress, header.senderAddress),
                             Dates(record.sendTime, header.date)}) {
    if (c == Comparison::Disagrees) return std::nullopt;
    agreeing += c == Comparison::Agrees;
  }
  return agreeing;
}

}  // namespace quernel::dbx
