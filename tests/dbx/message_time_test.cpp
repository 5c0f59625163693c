#include <gtest/gtest.h>

#include "dbx/message_time.h"
#include "platform/host.h"
#include "reader_harness.h"
#include "support/local_zone.h"

namespace quernel::testing {
namespace {

class MessageTimeTest : public ::testing::Test {
 protected:
  LocalZone zone_{"Europe/Berlin"};
};

// 1980-01-01 00:00:00 in Berlin (CET, UTC+1).
constexpr MessageTime kStart1980Berlin = 315529200;

struct TimeCase {
  const char* name;
  FileTimeTicks ticks;
  MessageTime message;
  MessageTime mailboxFile;
};

TEST_F(MessageTimeTest, FileTimesBecomeExactInstants) {
  const std::vector<TimeCase> cases = {
      {"all zero", 0, 0, 0},
      {"1601, the FILETIME epoch plus a second", 10000000, 0, 0},
      {"1899-12-31 22:00 UTC, still 1899 in Berlin", FileTimeFromUnix(-2208996000), 0, 0},
      {"1950", FileTimeFromUnix(-631152000), kStart1980Berlin, -1},
      {"1969-12-31 23:59:59 UTC", FileTimeFromUnix(-1), kStart1980Berlin, -1},
      {"the epoch", FileTimeFromUnix(0), 0, 0},
      {"summer 2005, CEST", FileTimeFromUnix(1118736751), 1118736751, 1118736751},
      {"winter 2006, CET", FileTimeFromUnix(1137396600), 1137396600, 1137396600},
      {"sub-second ticks are dropped", FileTimeFromUnix(1137396600) + 9999999, 1137396600, 1137396600},
      {"last 32-bit second", FileTimeFromUnix(2147483647), 2147483647, 2147483647},
      {"first second beyond", FileTimeFromUnix(2147483648), kStart1980Berlin, -1},
      {"2040", FileTimeFromUnix(2208988800), kStart1980Berlin, -1},
      {"2^63 - 1 ticks, year 30828", 0x7FFFFFFFFFFFFFFF, kStart1980Berlin, -1},
      {"2^63 ticks", 0x8000000000000000, 0, 0},
      {"all ones", 0xFFFFFFFFFFFFFFFF, 0, 0},
  };
  for (const TimeCase& c : cases) {
    EXPECT_EQ(MessageTimeFromFileTime(c.ticks, SystemHost().calendar), c.message) << c.name;
    EXPECT_EQ(FileTimeToMailboxTime(c.ticks, SystemHost().calendar), c.mailboxFile) << c.name;
  }
}

TEST_F(MessageTimeTest, DoesNotDependOnTheSeasonOfConversion) {
  // The same instants give the same values in any zone: the result is the
  // instant itself, not shifted by the zone's current offset.
  const MessageTime summer = MessageTimeFromFileTime(FileTimeFromUnix(1122136802), SystemHost().calendar);
  const MessageTime winter = MessageTimeFromFileTime(FileTimeFromUnix(1131653144), SystemHost().calendar);
  LocalZone elsewhere("America/Sao_Paulo");
  EXPECT_EQ(MessageTimeFromFileTime(FileTimeFromUnix(1122136802), SystemHost().calendar), summer);
  EXPECT_EQ(MessageTimeFromFileTime(FileTimeFromUnix(1131653144), SystemHost().calendar), winter);
  EXPECT_EQ(summer, 1122136802);
  EXPECT_EQ(winter, 1131653144);
}

TEST_F(MessageTimeTest, RecordDatesReachTheAccessors) {
  DbxBuilder builder;
  TestMessage m;
  m.text = "x";
  m.sendTime = FileTimeFromUnix(1118736751);
  m.receiveTime = FileTimeFromUnix(-631152000);
  builder.add(m);
  TestMessage undated;
  undated.text = "y";
  undated.sendTime = 0;
  builder.add(undated);
  ReaderOver opened(builder.build().bytes);
  EXPECT_EQ(opened.reader.sendTime(0), 1118736751);
  EXPECT_EQ(opened.reader.receiveTime(0), kStart1980Berlin);
  EXPECT_EQ(opened.reader.sendTime(1), 0);
  EXPECT_EQ(opened.reader.receiveTime(1), 0);
}

}  // namespace
}  // namespace quernel::testing
