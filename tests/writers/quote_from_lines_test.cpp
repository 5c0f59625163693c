#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>

#include "support/quote_from_lines.h"

namespace quernel::testing {
namespace {

constexpr QuoteRule kO{MboxVariant::Mboxo, false};
constexpr QuoteRule kRd{MboxVariant::Mboxrd, false};
constexpr QuoteRule kOIc{MboxVariant::Mboxo, true};
constexpr QuoteRule kRdIc{MboxVariant::Mboxrd, true};

struct QuoteCase {
  const char* name;
  std::string text;
  QuoteRule rule;
  std::string expected;
};

class QuoteFromLinesTest : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(QuoteFromLinesTest, QuotesExactlyTheVariantsLines) {
  const QuoteCase& c = GetParam();
  EXPECT_EQ(quoteFromLines(c.text, c.rule), c.expected);
}

const QuoteCase kCases[] = {
    {"Empty", "", kRd, ""},
    {"NothingToQuote", "Subject: x\r\n\r\nbody\r\n", kO, "Subject: x\r\n\r\nbody\r\n"},
    {"FirstBytes", "From me\r\n", kO, ">From me\r\n"},
    {"BodyLineMboxo", "a\r\nFrom x\r\nb", kO, "a\r\n>From x\r\nb"},
    {"BodyLineMboxrd", "a\r\nFrom x\r\nb", kRd, "a\r\n>From x\r\nb"},
    {"QuotedLineMboxoUnchanged", "a\n>From x\n", kO, "a\n>From x\n"},
    {"QuotedLineMboxrd", "a\n>From x\n", kRd, "a\n>>From x\n"},
    {"TwiceQuotedMboxrd", ">>From x", kRd, ">>>From x"},
    {"OnlyQuoteMarks", ">>>\n>\n", kRd, ">>>\n>\n"},
    {"QuoteMarksThenText", ">> From\n>Fromage \n", kRd, ">> From\n>Fromage \n"},
    {"LowerCaseWithoutIc", "from x\n", kO, "from x\n"},
    {"LowerCaseMboxoIc", "from x\nFROM y\nfRoM z\n", kOIc, ">from x\n>FROM y\n>fRoM z\n"},
    {"LowerCaseMboxrdIc", ">from x\n", kRdIc, ">>from x\n"},
    {"IcStillNeedsSpace", "FROM:\nfrom\t\n", kOIc, "FROM:\nfrom\t\n"},
    {"IcFoldsOnlyLetters", "Fr\x0fm x\n", kOIc, "Fr\x0fm x\n"},
    {"Fromage", "Fromage\n", kO, "Fromage\n"},
    {"FromTab", "From\tx\n", kO, "From\tx\n"},
    {"FromColonHeader", "From: a@b\r\n", kRd, "From: a@b\r\n"},
    {"OnlyFromAtEnd", "x\nFrom", kO, "x\nFrom"},
    {"FromSpaceAtEnd", "x\nFrom ", kO, "x\n>From "},
    {"CrDoesNotEndALine", "x\rFrom y", kO, "x\rFrom y"},
    {"LastByteLineFeed", "x\n", kO, "x\n"},
    {"MidLineNotExamined", "say From x\n", kO, "say From x\n"},
    {"ManyLines", "From a\nFrom b\n\nFrom c", kO, ">From a\n>From b\n\n>From c"},
    {"EmptyLinesBetween", "\n\n\nFrom \n", kRd, "\n\n\n>From \n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, QuoteFromLinesTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The quoted text's last byte is the original's, which the writer relies on.
TEST(QuoteFromLines, KeepsTheLastByteAndAddsOneMarkPerQuotedLine) {
  std::string text;
  for (int i = 0; i < 1000; ++i) text += (i % 3 == 0) ? ">From x\r\n" : "From y\r\nplain\r\n";
  text += "end";
  const std::string quoted = quoteFromLines(text, kRd);
  EXPECT_EQ(quoted.back(), 'd');
  EXPECT_EQ(quoted.size(), text.size() + 1000);
}

// The rule as stated, line by line, to hold the fast scans against.
std::string QuotedLineByLine(const std::string& text, bool mboxrd) {
  std::string out;
  size_t lineStart = 0;
  while (lineStart < text.size()) {
    size_t lineEnd = text.find('\n', lineStart);
    lineEnd = lineEnd == std::string::npos ? text.size() : lineEnd + 1;
    const std::string line = text.substr(lineStart, lineEnd - lineStart);
    const size_t marks = mboxrd ? line.find_first_not_of('>') : 0;
    if (marks != std::string::npos && line.compare(marks, 5, "From ") == 0) out += '>';
    out += line;
    lineStart = lineEnd;
  }
  return out;
}

// Texts made of the bytes that matter ("From ", ">", line feeds) in every
// order, so that "From " turns up at line starts, behind runs of ">", in
// mid-line, right after another "From " and at the very end.
TEST(QuoteFromLines, AgreesWithTheLineByLineRuleOnRandomTexts) {
  const std::string pieces[] = {"From ", ">", "\n", "\r\n", "x", "From", "F", " "};
  std::mt19937 random(42);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int length = static_cast<int>(random() % 24);
    for (int k = 0; k < length; ++k) text += pieces[random() % std::size(pieces)];
    for (bool mboxrd : {false, true}) {
      ASSERT_EQ(quoteFromLines(text, mboxrd ? kRd : kO), QuotedLineByLine(text, mboxrd))
          << (mboxrd ? "mboxrd: " : "mboxo: ") << text;
    }
  }
}

}  // namespace
}  // namespace quernel::testing
