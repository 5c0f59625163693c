#include "platform/host.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace quernel {
namespace {

TEST(HostPaths, UseTheSlash) {
  EXPECT_EQ(SystemHost().paths.separator(), '/');
  EXPECT_TRUE(SystemHost().paths.endsWithSeparator("out/"));
  EXPECT_FALSE(SystemHost().paths.endsWithSeparator("out"));
  EXPECT_FALSE(SystemHost().paths.endsWithSeparator("out\\"));
  EXPECT_FALSE(SystemHost().paths.endsWithSeparator(""));
  EXPECT_EQ(SystemHost().paths.join("out", "Inbox.mbx"), "out/Inbox.mbx");
  EXPECT_EQ(SystemHost().paths.join("out/", "Inbox.mbx"), "out/Inbox.mbx");
  EXPECT_EQ(SystemHost().paths.join("/", "Inbox.mbx"), "/Inbox.mbx");
  EXPECT_EQ(SystemHost().paths.directoryPart("/home/me/mail/Inbox.dbx"), "/home/me/mail");
  EXPECT_EQ(SystemHost().paths.directoryPart("/Inbox.dbx"), "");
  EXPECT_EQ(SystemHost().paths.directoryPart("Inbox.dbx"), "Inbox.dbx");  // no separator: the whole path
  EXPECT_EQ(SystemHost().paths.fileNamePart("/home/me/mail/Inbox.dbx"), "Inbox.dbx");
  EXPECT_EQ(SystemHost().paths.fileNamePart("c:Inbox.dbx"), "c:Inbox.dbx");  // ":" is an ordinary character
  EXPECT_EQ(SystemHost().paths.fileNamePart("a\\b.dbx"), "a\\b.dbx");
  EXPECT_EQ(SystemHost().paths.fileNamePart("dir/"), "");
  EXPECT_EQ(SystemHost().positionals, PositionalStyle::ManyInputsThenOutput);
}

TEST(HostCharacters, NamesAreShownAndScannedAsTheyAre) {
  EXPECT_EQ(SystemHost().text.displayForm("Grüße.dbx"), "Grüße.dbx");
  const std::string name = "é\\x";
  for (size_t pos = 0; pos < name.size(); ++pos) EXPECT_EQ(SystemHost().text.characterStep(name, pos), 1u);
}

class LocalTime : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* zone = std::getenv("TZ");
    if (zone != nullptr) saved_ = zone;
    setenv("TZ", "Europe/Berlin", 1);
    InitializeHost();
  }
  void TearDown() override {
    if (saved_) {
      setenv("TZ", saved_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> saved_;
};

struct LocalInstant {
  int64_t unixSeconds;
  int year, month, day, hour, minute, second, isDst;
};

TEST_F(LocalTime, RoundTripsSummerAndWinterInBerlin) {
  const LocalInstant cases[] = {
      {1120209000, 2005, 7, 1, 11, 10, 0, 1},    // 2005-07-01 09:10 UTC, CEST
      {1105532400, 2005, 1, 12, 13, 20, 0, 0},   // 2005-01-12 12:20 UTC, CET
      {-1, 1970, 1, 1, 0, 59, 59, 0},            // mktime's failure value, valid here
      {-631152000, 1950, 1, 1, 1, 0, 0, 0},
      {2208988800, 2040, 1, 1, 1, 0, 0, 0},      // beyond 32-bit time
  };
  for (const LocalInstant& c : cases) {
    const std::optional<std::tm> fields = SystemHost().calendar.toLocal(c.unixSeconds);
    ASSERT_TRUE(fields) << c.unixSeconds;
    EXPECT_EQ(fields->tm_year + 1900, c.year);
    EXPECT_EQ(fields->tm_mon + 1, c.month);
    EXPECT_EQ(fields->tm_mday, c.day);
    EXPECT_EQ(fields->tm_hour, c.hour);
    EXPECT_EQ(fields->tm_min, c.minute);
    EXPECT_EQ(fields->tm_sec, c.second);
    EXPECT_EQ(fields->tm_isdst, c.isDst);
    std::tm asked = *fields;
    asked.tm_isdst = c.isDst == 1 ? 0 : 1;  // a wrong hint must not matter
    EXPECT_EQ(SystemHost().calendar.fromLocal(asked), c.unixSeconds);
  }
}

TEST_F(LocalTime, NormalisesFieldsAndRejectsTheUnrepresentable) {
  std::tm fields{};
  fields.tm_year = 2005 - 1900;
  fields.tm_mon = 12;  // month 13 is January of the next year
  fields.tm_mday = 1;
  EXPECT_EQ(SystemHost().calendar.fromLocal(fields), 1136070000);  // 2006-01-01 00:00 CET

  // Its year does not fit the calendar fields' int.
  EXPECT_EQ(SystemHost().calendar.toLocal(INT64_MAX), std::nullopt);
}

}  // namespace
}  // namespace quernel
