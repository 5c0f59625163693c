// The ">" quoting of mbox bodies. Only line starts are examined: the
// exact-case scan finds each "From " and looks back to its line start, the
// case-blind one jumps from one line feed to the next with memchr. The writer
// sends the text between two insertions straight from where it was read,
// with a ">" piece between them.

#include "writers/from_quoting.h"

#include <cstring>

namespace quernel {
namespace {

bool IsFromLine(std::string_view text, size_t pos, bool ignoreCase) {
  static constexpr std::string_view kFrom = "From ";
  if (text.size() - pos < kFrom.size()) return false;
  if (!ignoreCase) return text.compare(pos, kFrom.size(), kFrom) == 0;
  for (size_t k = 0; k < 4; ++k) {
    // Folding bit 0x20 maps exactly the ASCII letters onto their lower case
    // here, because the expected bytes are all letters.
    if ((static_cast<unsigned char>(text[pos + k]) | 0x20) !=
        static_cast<unsigned char>(kFrom[k] | 0x20)) {
      return false;
    }
  }
  return text[pos + 4] == ' ';
}

// True when a line starts at `pos`, or (mboxrd) a run of ">" that starts a
// line ends there.
bool StartsLine(std::string_view text, size_t pos, bool mboxrd) {
  if (mboxrd) {
    while (pos > 0 && text[pos - 1] == '>') --pos;
  }
  return pos == 0 || text[pos - 1] == '\n';
}

// The exact-case search: body lines outnumber "From " by far, so the scan
// looks for "From " itself and checks where its line starts. The runs of ">"
// it steps back over end at distinct "From ", so no byte is stepped over twice.
template <typename Visitor>
void ForEachExactQuotePosition(std::string_view text, bool mboxrd, Visitor atQuote) {
  static constexpr std::string_view kFrom = "From ";
  for (size_t pos = text.find(kFrom); pos != std::string_view::npos;
       pos = text.find(kFrom, pos + kFrom.size())) {
    if (StartsLine(text, pos, mboxrd)) atQuote(pos);
  }
}

// Calls `atQuote(pos)` for every position where a ">" goes, in order.
template <typename Visitor>
void ForEachQuotePosition(std::string_view text, bool mboxrd, bool ignoreCase, Visitor atQuote) {
  if (!ignoreCase) return ForEachExactQuotePosition(text, mboxrd, atQuote);
  const char* const data = text.data();
  const size_t size = text.size();
  size_t lineStart = 0;
  while (lineStart < size) {
    size_t pos = lineStart;
    if (mboxrd) {
      while (pos < size && data[pos] == '>') ++pos;
    }
    if (IsFromLine(text, pos, ignoreCase)) atQuote(pos);
    const void* lineFeed = std::memchr(data + pos, '\n', size - pos);
    if (lineFeed == nullptr) return;
    lineStart = static_cast<size_t>(static_cast<const char*>(lineFeed) - data) + 1;
  }
}

}  // namespace

void FindQuotePositions(std::string_view text, QuoteRule rule, std::vector<size_t>& positions) {
  const bool mboxrd = rule.variant == MboxVariant::Mboxrd;
  ForEachQuotePosition(text, mboxrd, rule.ignoreCase,
                       [&](size_t pos) { positions.push_back(pos); });
}

}  // namespace quernel
