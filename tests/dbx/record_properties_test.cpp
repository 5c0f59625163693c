#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "dbx/layout.h"
#include "reader_harness.h"

namespace quernel::testing {
namespace {

TestMessage FullMessage() {
  TestMessage m;
  m.text = "Subject: hello\r\n\r\nbody\r\n";
  m.subject = "hello";
  m.senderName = "Ben Okafor";
  m.senderAddress = "ben@example.org";
  m.recipientName = "Anna Lindqvist";
  m.recipientAddress = "anna@example.com";
  return m;
}

TEST(RecordPropertiesTest, EveryPropertyLandsInItsAccessor) {
  DbxBuilder builder;
  builder.add(FullMessage());
  ReaderOver opened(builder.build().bytes);
  const MailboxReader& r = opened.reader;
  ASSERT_EQ(r.messageCount(), 1);
  EXPECT_EQ(r.subject(0), "hello");
  EXPECT_EQ(r.senderName(0), "Ben Okafor");
  EXPECT_EQ(r.senderAddress(0), "ben@example.org");
  EXPECT_EQ(r.recipientName(0), "Anna Lindqvist");
  EXPECT_EQ(r.recipientAddress(0), "anna@example.com");
}

TEST(RecordPropertiesTest, AbsentAndIgnoredIdsGiveEmptyValues) {
  DbxBuilder builder;
  TestMessage m;
  m.text = "x";
  m.extraProperties = {{0x88, std::string("\x10\0\0", 3)},   // subject id with the direct bit
                       {0x8D, std::string("\x01\0\0", 3)},   // sender name, direct bit
                       {0x05, std::string("data\0", 5)}};  // an id quernel does not use
  builder.add(m);
  ReaderOver opened(builder.build().bytes);
  const MailboxReader& r = opened.reader;
  EXPECT_EQ(r.subject(0), "");
  EXPECT_EQ(r.senderName(0), "");
  EXPECT_EQ(r.sendTime(0), 0);
  EXPECT_EQ(r.receiveTime(0), 0);
  EXPECT_EQ(r.messageFlags(0), MessageFlags());
}

TEST(RecordPropertiesTest, FlagsComeFromEitherPropertyAndTheLaterOneWins) {
  auto u32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
  const struct {
    const char* name;
    std::vector<std::pair<uint8_t, std::string>> properties;
    uint32_t expected;
  } cases[] = {
      {"absent", {}, 0},
      {"direct u24", {{dbx::kPropFlagsDirect, u32(0x1800A1)}}, 0x1800A1},
      {"indirect u32", {{dbx::kPropFlagsIndirect, u32(0x81080020)}}, 0x81080020},
      {"direct then indirect", {{dbx::kPropFlagsDirect, u32(0x80)}, {dbx::kPropFlagsIndirect, u32(0x20)}}, 0x20},
      {"indirect then direct", {{dbx::kPropFlagsIndirect, u32(0x20)}, {dbx::kPropFlagsDirect, u32(0x80)}}, 0x80},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestMessage m = WithSubject("s");
    m.extraProperties = c.properties;
    DbxBuilder builder;
    builder.add(m);
    ReaderOver opened(builder.build().bytes);
    EXPECT_EQ(opened.reader.messageFlags(0).bits(), c.expected);
    EXPECT_EQ(opened.reader.subject(0), "s");
  }
}

// Flags only add to the output: where they cannot be read the message has
// none, and the mailbox converts as it did before they were read.
TEST(RecordPropertiesTest, FlagsBeyondTheEndAreNoFlags) {
  DbxBuilder builder;
  TestMessage m = WithSubject("kept");
  m.flags = 0x80000080;  // beyond 24 bits: stored indirectly, as the first property
  builder.add(m);
  BuiltMailbox built = builder.build();
  const uint64_t flagsEntry = built.recordOffsets[0] + dbx::kRecordProperties;
  ASSERT_EQ(static_cast<uint8_t>(built.bytes[flagsEntry]), dbx::kPropFlagsIndirect);
  ASSERT_EQ(ReaderOver(built.bytes).reader.messageFlags(0).bits(), 0x80000080u);
  PutU32(built.bytes, flagsEntry, 0xFFFFFF00 | dbx::kPropFlagsIndirect);
  ReaderOver opened(built.bytes);
  EXPECT_EQ(opened.reader.messageFlags(0), MessageFlags());
  EXPECT_EQ(opened.reader.subject(0), "kept");
}

TEST(RecordPropertiesTest, LaterEntryOfTheSameIdWins) {
  DbxBuilder builder;
  TestMessage m = WithSubject("first");
  m.extraProperties = {{dbx::kPropSubject, std::string("second\0", 7)}};
  builder.add(m);
  EXPECT_EQ(ReaderOver(builder.build().bytes).reader.subject(0), "second");
}

TEST(RecordPropertiesTest, LongStringsAreReturnedWhole) {
  for (size_t length : {size_t{254}, size_t{255}, size_t{256}, size_t{300}, size_t{200000}}) {
    std::string subject;
    for (size_t k = 0; k < length; ++k) subject += static_cast<char>('a' + k % 26);
    DbxBuilder builder;
    builder.add(WithSubject(subject));
    ReaderOver opened(builder.build().bytes);
    EXPECT_EQ(opened.reader.subject(0), subject) << length;
  }
}

// Their code page is decided where names are made, not by the reader.
TEST(RecordPropertiesTest, StringsAreReturnedAsStored) {
  DbxBuilder builder;
  TestMessage m = WithSubject("Gr\xFC\xDF" "e aus M\xFC" "nchen \x80 \x93quoted\x94");
  m.senderName = "Ren\xE9";
  m.senderAddress = "\x81\x8D\x8F\x90\x9D\xFF";
  builder.add(m);
  ReaderOver opened(builder.build().bytes);
  EXPECT_EQ(opened.reader.subject(0), "Gr\xFC\xDF" "e aus M\xFC" "nchen \x80 \x93quoted\x94");
  EXPECT_EQ(opened.reader.senderName(0), "Ren\xE9");
  EXPECT_EQ(opened.reader.senderAddress(0), "\x81\x8D\x8F\x90\x9D\xFF");
}

TEST(RecordPropertiesTest, StringReachingTheEndOfTheFileEndsThere) {
  DbxBuilder builder;
  TestMessage m;
  m.subject = "cut off here";
  builder.add(m);
  const BuiltMailbox built = builder.build();
  // The record's subject is its last data, just before the tree: drop the
  // tree and the subject's end, and put a one-node tree in the header's
  // unused space instead.
  std::string bytes = built.bytes.substr(0, built.nodeOffsets[0]);
  ASSERT_EQ(bytes.substr(bytes.size() - 5), std::string("here\0", 5));
  bytes.resize(bytes.size() - 3);
  const uint32_t node = 0x1000;   // inside the header's unused space
  PutU32(bytes, dbx::kHeaderRootNode, node);
  PutU8(bytes, node + dbx::kNodeEntryCount, 1);
  PutU32(bytes, node + dbx::kNodeEntries + dbx::kEntryValue, built.recordOffsets[0]);
  ReaderOver opened(bytes);
  EXPECT_EQ(opened.reader.subject(0), "cut off he");
}

TEST(RecordPropertiesTest, PropertyDataBeyondTheEndIsDefective) {
  DbxBuilder builder;
  TestMessage m;
  m.extraProperties = {{dbx::kPropSubject, std::string()}};  // data at the data area's end
  builder.add(m);
  BuiltMailbox built = builder.build();
  const uint64_t entry = built.recordOffsets[0] + dbx::kRecordProperties;
  PutU32(built.bytes, entry, 0xFFFFFF00 | dbx::kPropSubject);  // value far beyond the end
  EXPECT_EQ(OpeningFails(built.bytes), std::optional(FileErrorCause::OffsetOutOfRange));
  PutU32(built.bytes, entry, 0xFFFFFF00 | dbx::kPropReceiveTime);
  EXPECT_EQ(OpeningFails(built.bytes), std::optional(FileErrorCause::OffsetOutOfRange));
}

TEST(RecordPropertiesTest, RecordBeyondTheEndHasNoProperties) {
  DbxBuilder builder;
  const uint32_t m = builder.add(WithSubject("real"));
  TreeShape root;
  root.entries = {{m, {}}, {m, {}}};
  BuiltMailbox built = builder.tree(root).build();
  PutU32(built.bytes, built.nodeOffsets[0] + dbx::kNodeEntries + dbx::kNodeEntrySize, 0xFFFFFFF0);
  ReaderOver opened(built.bytes);
  ASSERT_EQ(opened.reader.messageCount(), 2);
  EXPECT_EQ(opened.reader.subject(0), "real");
  EXPECT_EQ(opened.reader.subject(1), "");
  EXPECT_EQ(opened.reader.messageText(1), "");
}

TEST(RecordPropertiesTest, RecordsThatHoldNothingShareWithoutMixingUpTheOthers) {
  // Tree order: a, beyond the end, b, an empty record, beyond the end again
  // (another offset), a again.
  DbxBuilder builder;
  const uint32_t a = builder.add(WithSubject("a", "text a"));
  const uint32_t b = builder.add(WithSubject("b", "text b"));
  TestMessage nothing;
  nothing.textLink = TextLink::None;
  const uint32_t empty = builder.add(nothing);
  TreeShape root;
  for (uint32_t m : {a, a, b, empty, a, a}) root.entries.push_back({m, {}});
  BuiltMailbox built = builder.tree(root).build();
  const uint64_t entries = built.nodeOffsets[0] + dbx::kNodeEntries;
  PutU32(built.bytes, entries + dbx::kNodeEntrySize * 1, 0xFFFFFF00);
  PutU32(built.bytes, entries + dbx::kNodeEntrySize * 4, 0xFFFFFFF0);
  ReaderOver opened(built.bytes);
  ASSERT_EQ(opened.reader.messageCount(), 6);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"a", "text a"}, {"", ""}, {"b", "text b"}, {"", ""}, {"", ""}, {"a", "text a"}};
  for (int32_t i = 0; i < 6; ++i) {
    EXPECT_EQ(opened.reader.subject(i), expected[i].first) << i;
    EXPECT_EQ(opened.reader.messageText(i), expected[i].second) << i;
  }
}

TEST(RecordPropertiesTest, TextStartCutOffByTheEndOfTheFileMeansNoText) {
  // Message 1 names its first block through a u32 whose low two bytes are
  // message 0's first block. Its record is moved to the end of the file and
  // cut inside that u32: zeros in place of the missing bytes would give it
  // message 0's text.
  DbxBuilder builder;
  builder.add(WithSubject("zero", "text of message zero"));
  const uint32_t block = builder.build().blockOffsets[0][0];
  ASSERT_LT(block, 0x10000u);
  TestMessage linked;
  linked.textLink = TextLink::None;
  std::string start;
  PutU32(start, 0, block | 0x7F7F0000);
  linked.extraProperties = {{dbx::kPropTextIndirect, start}};
  builder.add(linked);
  BuiltMailbox built = builder.build();
  const uint32_t record = built.recordOffsets[1];
  const uint32_t length = 0x0C + 4 + 4;  // one property entry and its four bytes of data
  const uint32_t moved = static_cast<uint32_t>(built.bytes.size());
  built.bytes += built.bytes.substr(record, length);
  PutU32(built.bytes, built.nodeOffsets[0] + dbx::kNodeEntries + dbx::kNodeEntrySize, moved);
  for (uint32_t held = 1; held < 4; ++held) {
    ReaderOver opened(built.bytes.substr(0, moved + 0x0C + 4 + held));
    EXPECT_EQ(opened.reader.messageText(1), "") << held;
    EXPECT_EQ(opened.reader.messageText(0), "text of message zero") << held;
  }
}

TEST(RecordPropertiesTest, DistinctRecordsSharingOneLongStringAreDefective) {
  // Records that all point their subject at the same long run of bytes would
  // cost time and memory out of proportion to the file.
  DbxBuilder builder;
  for (int i = 0; i < 40; ++i) builder.add(WithSubject("x"));
  const uint32_t big = builder.add(WithSubject(std::string(60000, 's')));
  BuiltMailbox built = builder.build();
  // Each record holds a text link then the subject; the subject's data
  // follows the link's four bytes.
  auto dataArea = [&](uint32_t message) {
    return built.recordOffsets[message] + dbx::kRecordProperties + dbx::kPropertyEntrySize * 2;
  };
  const uint64_t bigSubject = dataArea(big) + 4;
  ASSERT_EQ(ReaderOver(built.bytes).reader.subject(big).size(), 60000u);
  for (uint32_t i = 0; i < big; ++i) {
    const uint64_t value = bigSubject - dataArea(i);
    PutU32(built.bytes, built.recordOffsets[i] + dbx::kRecordProperties + dbx::kPropertyEntrySize,
           static_cast<uint32_t>(value << 8 | dbx::kPropSubject));
  }
  EXPECT_EQ(OpeningFails(built.bytes), std::optional(FileErrorCause::Unspecified));
}

}  // namespace
}  // namespace quernel::testing
