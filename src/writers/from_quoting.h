#pragma once
// The ">" quoting of mbox message texts: which lines a variant quotes.

#include <cstddef>
#include <string_view>
#include <vector>

namespace quernel {

enum class MboxVariant { Mboxo, Mboxrd };

// mboxo quotes the lines that begin with "From "; mboxrd also those that
// begin with a run of ">" followed by "From ". With ignoreCase the four
// letters of "From" compare without regard to ASCII letter case; the space
// after them is required either way.
struct QuoteRule {
  MboxVariant variant = MboxVariant::Mboxo;
  bool ignoreCase = false;
};

// Appends to `positions`, in order, the offsets in `text` before which
// `rule` inserts a ">". At most one per line, and only at its start (behind
// the run of ">" in mboxrd).
void FindQuotePositions(std::string_view text, QuoteRule rule, std::vector<size_t>& positions);

}  // namespace quernel
