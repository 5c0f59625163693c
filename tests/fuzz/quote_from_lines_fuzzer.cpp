// Fuzz target: the mbox ">" quoting. The first byte chooses the rule (bit
// 0x02 mboxrd, bit 0x08 ignore case, the other bits unused, as the committed
// seeds have them); the rest is the message text. The result is compared
// with a plain line-by-line version of the rule.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/quote_from_lines.h"

namespace {

bool StartsWithFrom(std::string_view line, bool ignoreCase) {
  if (line.size() < 5 || line[4] != ' ') return false;
  for (size_t k = 0; k < 4; ++k) {
    char c = line[k];
    if (ignoreCase && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != (ignoreCase ? "from"[k] : "From"[k])) return false;
  }
  return true;
}

std::string ReferenceQuoting(std::string_view text, bool mboxrd, bool ignoreCase) {
  std::string out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    end = end == std::string_view::npos ? text.size() : end + 1;
    std::string_view line = text.substr(start, end - start);
    size_t quotes = 0;
    if (mboxrd) {
      while (quotes < line.size() && line[quotes] == '>') ++quotes;
    }
    out.append(line.substr(0, quotes));
    if (StartsWithFrom(line.substr(quotes), ignoreCase)) out += '>';
    out.append(line.substr(quotes));
    start = end;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool mboxrd = (data[0] & 0x02) != 0;
  const bool ignoreCase = (data[0] & 0x08) != 0;
  const quernel::QuoteRule rule{mboxrd ? quernel::MboxVariant::Mboxrd : quernel::MboxVariant::Mboxo,
                                ignoreCase};
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  if (quernel::testing::quoteFromLines(text, rule) != ReferenceQuoting(text, mboxrd, ignoreCase)) {
    __builtin_trap();
  }
  return 0;
}
