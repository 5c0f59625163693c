#include "naming/date_format.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "platform/host.h"
#include "support/local_zone.h"

namespace quernel {
namespace {

using testing::LocalZone;

// Thursday 2003-03-06 09:05:07 in Berlin (CET, UTC+1).
constexpr MessageTime kMarchMorning = 1046937907;
// Monday 2024-07-01 14:00:00 in Berlin (CEST, UTC+2).
constexpr MessageTime kSummerAfternoon = 1719835200;

struct ConversionCase {
  const char* format;
  const char* expected;
};

void PrintTo(const ConversionCase& c, std::ostream* out) { *out << "\"" << c.format << "\""; }

class DateFormatTest : public ::testing::TestWithParam<ConversionCase> {
 protected:
  LocalZone zone_{"Europe/Berlin"};
};

TEST_P(DateFormatTest, FormatsInTheDefaultLocale) {
  EXPECT_EQ(FormatMessageTime(kMarchMorning, GetParam().format, SystemHost().calendar), GetParam().expected)
      << "format " << GetParam().format;
}

INSTANTIATE_TEST_SUITE_P(
    Conversions, DateFormatTest,
    ::testing::Values(
        ConversionCase{"%a", "Thu"}, ConversionCase{"%A", "Thursday"},
        ConversionCase{"%b", "Mar"}, ConversionCase{"%B", "March"}, ConversionCase{"%d", "06"},
        ConversionCase{"%H", "09"}, ConversionCase{"%I", "09"}, ConversionCase{"%j", "065"},
        ConversionCase{"%m", "03"}, ConversionCase{"%M", "05"}, ConversionCase{"%p", "AM"},
        ConversionCase{"%S", "07"}, ConversionCase{"%U", "09"}, ConversionCase{"%w", "4"},
        ConversionCase{"%W", "09"}, ConversionCase{"%x", "03/06/03"},
        ConversionCase{"%X", "09:05:07"}, ConversionCase{"%y", "03"},
        ConversionCase{"%Y", "2003"}, ConversionCase{"%z", "+0100"}, ConversionCase{"%Z", "CET"},
        ConversionCase{"%%", "%"}, ConversionCase{"%c", "03/06/03 09:05:07"},
        ConversionCase{"%Y-%m-%d", "2003-03-06"},
        ConversionCase{"on %d.%m. at %H h", "on 06.03. at 09 h"},
        // A flag that the C library takes reaches it with its letter.
        ConversionCase{"%#Y", "2003"}, ConversionCase{"%-d", "6"}, ConversionCase{"%^a", "THU"},
        ConversionCase{"%0m", "03"}, ConversionCase{"%-c", "03/06/03 09:05:07"},
        // Conversions quernel does not list give no text, whatever the
        // library would make of them; the letter after "%" is consumed.
        ConversionCase{"[%e]", "[]"}, ConversionCase{"[%s]", "[]"}, ConversionCase{"[%n]", "[]"},
        ConversionCase{"%D", ""}, ConversionCase{"%#q", ""}, ConversionCase{"%-e", ""},
        // "E", "O" and widths are not flags here but unknown conversions:
        // what follows them is plain text.
        ConversionCase{"%Ey", "y"}, ConversionCase{"%Od", "d"}, ConversionCase{"%5d", "d"},
        // A format ending in a lone "%" (or a flag without its letter).
        ConversionCase{"%", ""}, ConversionCase{"%Y-%", ""}, ConversionCase{"%Y%#", ""},
        ConversionCase{"", ""}));

TEST(DateFormat, FollowsDaylightSavingTime) {
  LocalZone zone("Europe/Berlin");
  EXPECT_EQ(FormatMessageTime(kSummerAfternoon, "%H:%M %Z %z %a %j %U %W", SystemHost().calendar),
            "14:00 CEST +0200 Mon 183 26 27");
  EXPECT_EQ(FormatMessageTime(kSummerAfternoon, "%I %p", SystemHost().calendar), "02 PM");
}

TEST(DateFormat, UsesTheZoneInForce) {
  LocalZone zone("America/New_York");
  EXPECT_EQ(FormatMessageTime(0, "%Y-%m-%d %H:%M:%S", SystemHost().calendar), "1969-12-31 19:00:00");
}

TEST(DateFormat, NegativeTimeGivesNoDate) {
  LocalZone zone("Europe/Berlin");
  EXPECT_EQ(FormatMessageTime(-1, "%Y", SystemHost().calendar), "");
  EXPECT_EQ(FormatMessageTime(-1, "text", SystemHost().calendar), "");
  EXPECT_EQ(FormatMessageTime(0, "%Y-%m-%d %H", SystemHost().calendar), "1970-01-01 01");
}

TEST(DateFormat, ResultsLongerThan127BytesGiveNoDate) {
  LocalZone zone("Europe/Berlin");
  const std::string literal127(127, 'x');
  EXPECT_EQ(FormatMessageTime(kMarchMorning, literal127, SystemHost().calendar), literal127);
  EXPECT_EQ(FormatMessageTime(kMarchMorning, literal127 + "y", SystemHost().calendar), "");
  // 123 literal bytes and a four-digit year make 127; one more digit is too many.
  const std::string literal123(123, 'x');
  EXPECT_EQ(FormatMessageTime(kMarchMorning, literal123 + "%Y", SystemHost().calendar), literal123 + "2003");
  EXPECT_EQ(FormatMessageTime(kMarchMorning, literal123 + "%Y%w", SystemHost().calendar), "");
  // Many conversions that each fit but together do not.
  std::string manyWeekdays;
  for (int i = 0; i < 20; ++i) manyWeekdays += "%A";  // 20 x "Thursday"
  EXPECT_EQ(FormatMessageTime(kMarchMorning, manyWeekdays, SystemHost().calendar), "");
}

}  // namespace
}  // namespace quernel
