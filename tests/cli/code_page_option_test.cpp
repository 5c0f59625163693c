#include "cli/code_page_option.h"

#include <gtest/gtest.h>

namespace quernel {
namespace {

TEST(ParseCodePageOption, TakesEverySupportedPageAndRefusesOthers) {
  using Outcome = CodePageOption::Outcome;
  const struct {
    std::string_view argument;
    Outcome outcome;
    int codePage;
  } cases[] = {
      {"-cp1251", Outcome::Valid, 1251}, {"-CP932", Outcome::Valid, 932},
      {"-cp874", Outcome::Valid, 874},   {"-cp1258", Outcome::Valid, 1258},
      {"-cp", Outcome::Invalid, 0},      {"-cp437", Outcome::Invalid, 0},
      {"-cp1259", Outcome::Invalid, 0},  {"-cp1251x", Outcome::Invalid, 0},
      {"-cp+1251", Outcome::Invalid, 0}, {"-cp99999999999", Outcome::Invalid, 0},
      {"-c", Outcome::NotThisOption, 0}, {"-mbx", Outcome::NotThisOption, 0},
      {"cp1251", Outcome::NotThisOption, 0},
      // Digit strings far beyond an int, and one of exactly the 5 digits allowed.
      {"-cp9999999999", Outcome::Invalid, 0}, {"-cp99999999999999999999999", Outcome::Invalid, 0},
      {"-cp01251", Outcome::Valid, 1251},     {"-cp012510", Outcome::Invalid, 0},
  };
  for (const auto& c : cases) {
    const CodePageOption option = ParseCodePageOption(c.argument);
    EXPECT_EQ(option.outcome, c.outcome) << c.argument;
    EXPECT_EQ(option.codePage, c.codePage) << c.argument;
    EXPECT_EQ(option.failureLine.empty(), c.outcome != Outcome::Invalid) << c.argument;
  }
}

TEST(ParseCodePageOption, NamesTheSupportedPagesInTheFailureLine) {
  EXPECT_EQ(ParseCodePageOption("-cp437").failureLine,
            "Unknown code page in -cp437! Use 874, 932, 936, 949, 950 or 1250 to 1258.\n");
}

}  // namespace
}  // namespace quernel
