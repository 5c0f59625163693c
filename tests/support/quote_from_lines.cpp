#include "support/quote_from_lines.h"

#include <vector>

namespace quernel::testing {

std::string quoteFromLines(std::string_view text, QuoteRule rule) {
  std::vector<size_t> positions;
  FindQuotePositions(text, rule, positions);
  std::string quoted;
  quoted.reserve(text.size() + positions.size());
  size_t copiedUpTo = 0;
  for (size_t pos : positions) {
    quoted.append(text, copiedUpTo, pos - copiedUpTo);
    quoted.push_back('>');
    copiedUpTo = pos;
  }
  quoted.append(text, copiedUpTo);
  return quoted;
}

}  // namespace quernel::testing
