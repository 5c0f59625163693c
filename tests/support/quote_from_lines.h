#pragma once
// quoteFromLines: a quoted copy of a whole text, for tests, fuzzers and the
// quoting benchmark. The writer itself sends the text in pieces around the
// positions FindQuotePositions gives and never builds this copy.

#include <string>
#include <string_view>

#include "writers/from_quoting.h"

namespace quernel::testing {

std::string quoteFromLines(std::string_view text, QuoteRule rule);

}  // namespace quernel::testing
