#include <gtest/gtest.h>

#include "dbx/layout.h"
#include "reader_harness.h"
#include "salvage_harness.h"

namespace quernel::testing {
namespace {

// 2005-11-01 10:00:00 +0100 and 10:05:00 +0100, MailText's Date and Received.
constexpr MessageTime kMailTextDate = 1130835600;
constexpr MessageTime kMailTextReceived = 1130835900;

void ExpectRecordFields(const MailboxReader::Properties& fields, const TestMessage& m) {
  EXPECT_EQ(fields.subject, m.subject.value_or(""));
  EXPECT_EQ(fields.senderName, m.senderName.value_or(""));
  EXPECT_EQ(fields.senderAddress, m.senderAddress.value_or(""));
  EXPECT_EQ(fields.recipientAddress, m.recipientAddress.value_or(""));
  EXPECT_EQ(fields.receiveTime, 1130850000);
  EXPECT_EQ(fields.sendTime, 1130836000);
}

TEST(SalvageTest, IntactMailboxHoldsNothingMore) {
  DbxBuilder builder;
  for (size_t size : {10, 700, 2000}) builder.add(RecordedMessage("intact", size));
  const BuiltMailbox built = builder.build();
  ReaderOver opened(built.bytes);
  SalvageOver salvaged(built.bytes, IndexedStarts(opened.reader));
  EXPECT_TRUE(salvaged.salvage.messages().empty());
  EXPECT_EQ(salvaged.salvage.offsetShift(), 0);
}

// Every message comes back byte for byte, named from its record, also when
// older copies of the record lie beside it.
TEST(SalvageTest, LostIndexGivesEveryMessageWithItsRecord) {
  const std::vector<size_t> bodies = {1, 512, 1900, 40};
  DbxBuilder builder;
  std::vector<TestMessage> messages;
  for (size_t k = 0; k < bodies.size(); ++k) {
    messages.push_back(RecordedMessage("message " + std::to_string(k), bodies[k]));
    messages.back().olderRecords = static_cast<uint32_t>(k % 3);
    builder.add(messages.back());
  }
  BuiltMailbox destroyed = builder.build();
  DestroyIndex(destroyed);
  BuiltMailbox cut = builder.build();
  PutU32(cut.bytes, dbx::kHeaderRootNode, static_cast<uint32_t>(cut.bytes.size() + 100));
  ASSERT_TRUE(OpeningFails(cut.bytes));
  for (const BuiltMailbox* built : {&destroyed, &cut}) {
    SalvageOver salvaged(built->bytes);
    const std::vector<FoundMessage>& found = salvaged.salvage.messages();
    ASSERT_EQ(found.size(), messages.size());
    for (size_t k = 0; k < found.size(); ++k) {
      EXPECT_EQ(found[k].kind, FoundKind::Recovered);
      EXPECT_EQ(salvaged.salvage.text(found[k]), messages[k].text) << k;
      EXPECT_EQ(found[k].recordOffset, built->recordOffsets[k]) << "the current record, not a copy";
      ExpectRecordFields(salvaged.salvage.fields(found[k]), messages[k]);
    }
  }
}

TEST(SalvageTest, MessagesTheIndexDoesNotListAreRecoveredOnce) {
  DbxBuilder builder;
  std::vector<TestMessage> messages;
  for (size_t k = 0; k < 5; ++k) {
    messages.push_back(RecordedMessage("m" + std::to_string(k), 300 * k));
    messages.back().inIndex = k % 2 == 0;
    messages.back().olderRecords = k == 3 ? 2 : 0;
    builder.add(messages.back());
  }
  const BuiltMailbox built = builder.build();
  ReaderOver opened(built.bytes);
  ASSERT_EQ(opened.reader.messageCount(), 3);
  SalvageOver salvaged(built.bytes, IndexedStarts(opened.reader));
  EXPECT_EQ(FoundTexts(salvaged.salvage, FoundKind::Recovered),
            (std::vector<std::string>{messages[1].text, messages[3].text}));
  EXPECT_EQ(salvaged.salvage.count(FoundKind::Deleted), 0u);
}

// Older copies of a record name the message when the current one is gone;
// however many there are, the message comes back once.
TEST(SalvageTest, OlderRecordCopiesNameOneMessage) {
  for (const uint32_t copies : {1u, 40u}) {
    DbxBuilder builder;
    TestMessage m = RecordedMessage("copied", 100);
    m.inIndex = false;
    m.olderRecords = copies;
    builder.add(m);
    BuiltMailbox built = builder.build();
    PutU32(built.bytes, built.recordOffsets[0], 0);  // the current record is overwritten
    SalvageOver salvaged(built.bytes);
    ASSERT_EQ(salvaged.salvage.messages().size(), 1u);
    const FoundMessage& found = salvaged.salvage.messages()[0];
    EXPECT_EQ(found.recordOffset, built.olderRecordOffsets[0][copies - 1]);
    ExpectRecordFields(salvaged.salvage.fields(found), m);
  }
}

TEST(SalvageTest, RecordStringsAreTheStoredBytes) {
  DbxBuilder builder;
  TestMessage m = RecordedMessage("caf\xE9", 10);  // Windows-1252 e acute
  m.inIndex = false;
  builder.add(m);
  SalvageOver salvaged(builder.build().bytes);
  ASSERT_EQ(salvaged.salvage.messages().size(), 1u);
  EXPECT_EQ(salvaged.salvage.fields(salvaged.salvage.messages()[0]).subject, "caf\xE9");
}

TestMessage Deleted(std::string text, uint32_t olderRecords = 0) {
  TestMessage m;
  m.text = std::move(text);
  m.deleted = true;
  m.olderRecords = olderRecords;
  return m;
}

// Free chains are cut where a chunk ends in zero padding, whatever follows
// (a message's other blocks are always full); a message whose length is a
// multiple of 512 leaves none and stays joined to the next.
TEST(SalvageTest, DeletedMessagesComeBackAsFound) {
  struct Case {
    std::vector<std::string> texts;
    bool linked;
    std::vector<std::string> expected;
  };
  const std::string a = MailText("first", 700), b = MailText("second", 1200), c = MailText("third", 3);
  std::string exact = MailText("exact", 0);
  exact.resize(1024, 'e');
  const std::vector<Case> cases = {
      {{a}, false, {AsDeleted(a)}},
      {{a, b, c}, false, {AsDeleted(a), AsDeleted(b), AsDeleted(c)}},
      {{a, b, c}, true, {AsDeleted(a), AsDeleted(b), AsDeleted(c)}},
      {{exact, b, c}, true, {AsDeleted(exact + b), AsDeleted(c)}},
      {{"x"}, false, {std::string(dbx::kFirstChunkFiller)}},
      {{"no header", std::string(600, 'n')}, true, {AsDeleted("no header"), AsDeleted(std::string(600, 'n'))}},
  };
  for (const Case& k : cases) {
    DbxBuilder builder;
    builder.add(RecordedMessage("live", 50));
    for (const std::string& text : k.texts) builder.add(Deleted(text));
    if (k.linked) builder.linkDeleted();
    const BuiltMailbox built = builder.build();
    ReaderOver opened(built.bytes);
    SalvageOver salvaged(built.bytes, IndexedStarts(opened.reader));
    EXPECT_EQ(FoundTexts(salvaged.salvage, FoundKind::Deleted), k.expected) << k.texts.size() << k.linked;
    EXPECT_EQ(salvaged.salvage.count(FoundKind::Recovered), 0u);
  }
}

// Without a record, the header lines name and date a message. A deleted
// message's first line loses its first 4 bytes: here the Received line, so
// its receive time falls back to the Date line.
TEST(SalvageTest, MessagesWithoutRecordAreNamedFromTheirHeaderLines) {
  DbxBuilder builder;
  TestMessage unlinked = RecordedMessage("record without text link", 100);
  unlinked.textLink = TextLink::None;
  unlinked.inIndex = false;
  builder.add(unlinked);
  builder.add(Deleted(MailText("no record left", 100)));
  TestMessage withCopy = RecordedMessage("from the copy", 100);
  withCopy.deleted = true;
  withCopy.olderRecords = 1;
  builder.add(withCopy);
  const BuiltMailbox built = builder.build();
  SalvageOver salvaged(built.bytes);
  const std::vector<FoundMessage>& found = salvaged.salvage.messages();
  ASSERT_EQ(found.size(), 3u);
  const std::vector<std::pair<std::string, MessageTime>> expected = {
      {"record without text link", kMailTextReceived}, {"no record left", kMailTextDate}};
  for (size_t k = 0; k < expected.size(); ++k) {
    EXPECT_FALSE(found[k].recordOffset);
    const MailboxReader::Properties fields = salvaged.salvage.fields(found[k]);
    EXPECT_EQ(fields.subject, expected[k].first);
    EXPECT_EQ(fields.senderName, "Ben Okafor");
    EXPECT_EQ(fields.senderAddress, "ben@example.org");
    EXPECT_EQ(fields.recipientName, "");
    EXPECT_EQ(fields.recipientAddress, "anna@example.com");
    EXPECT_EQ(fields.sendTime, kMailTextDate);
    EXPECT_EQ(fields.receiveTime, expected[k].second);
  }
  EXPECT_EQ(found[2].recordOffset, built.olderRecordOffsets[2][0]);
  ExpectRecordFields(salvaged.salvage.fields(found[2]), withCopy);
}

// A message written anew leaves its old blocks freed: the same text found
// live (listed or not) and freed is kept once, as live. A freed text that
// differs from the live one in any byte that survived is kept.
TEST(SalvageTest, FreedCopyOfALiveMessageIsKeptOnce) {
  const std::string text = MailText("moved", 1400);
  std::string changed = text;
  changed[1200] = '#';
  struct Case {
    bool liveListed;
    std::string freedText;
    size_t deleted;
  };
  for (const Case& c : {Case{true, text, 0}, Case{false, text, 0}, Case{true, changed, 1},
                        Case{true, text.substr(0, 1024), 1}}) {
    DbxBuilder builder;
    builder.add(Deleted(c.freedText));
    TestMessage live = RecordedMessage("moved", 1400);
    live.inIndex = c.liveListed;
    builder.add(live);
    const BuiltMailbox built = builder.build();
    ReaderOver opened(built.bytes);
    SalvageOver salvaged(built.bytes, IndexedStarts(opened.reader));
    EXPECT_EQ(salvaged.salvage.count(FoundKind::Deleted), c.deleted) << c.liveListed << c.freedText.size();
    EXPECT_EQ(salvaged.salvage.count(FoundKind::Recovered), c.liveListed ? 0u : 1u);
  }
}

// A file cut from a disk image or with bytes in front: the objects' own
// offsets give the shift, and every message comes back whole.
TEST(SalvageTest, ShiftedFilesAreScannedWhereTheirOffsetsSay) {
  DbxBuilder builder;
  std::vector<TestMessage> messages;
  for (size_t size : {100, 1500}) {
    messages.push_back(RecordedMessage("shifted", size));
    builder.add(messages.back());
  }
  builder.add(Deleted(MailText("deleted", 600)));
  const BuiltMailbox built = builder.build();
  const std::vector<std::pair<std::string, int64_t>> cases = {
      {built.bytes.substr(4096), 4096},
      {std::string(1000, '\0') + built.bytes, -1000},
      {std::string(3, 'x') + built.bytes, -3},
  };
  for (const auto& [bytes, shift] : cases) {
    SalvageOver salvaged(bytes);
    EXPECT_EQ(salvaged.salvage.offsetShift(), shift);
    const std::vector<FoundMessage>& found = salvaged.salvage.messages();
    ASSERT_EQ(found.size(), 3u) << shift;
    for (size_t k = 0; k < 2; ++k) {
      EXPECT_EQ(salvaged.salvage.text(found[k]), messages[k].text);
      EXPECT_EQ(found[k].recordOffset, built.recordOffsets[k]);
      ExpectRecordFields(salvaged.salvage.fields(found[k]), messages[k]);
    }
    EXPECT_EQ(salvaged.salvage.text(found[2]), AsDeleted(MailText("deleted", 600)));
  }
}

// The readable part of a defective indexed chain goes to the damaged set,
// and the blocks after the defect, which begin right after it, with it: so
// that every byte is kept, none twice, and no piece passes for a message.
TEST(SalvageTest, DamagedChainKeepsItsReadablePartAndLosesNothing) {
  const std::string text = MailText("damaged", 1100);  // three blocks
  struct Case {
    const char* what;
    uint32_t next;  // block 1's next offset; 0 for its own
  };
  for (const Case& c : {Case{"points to itself", 0}, Case{"beyond the end", 0xFFFFFF00u},
                        Case{"back to the first", 1}}) {
    DbxBuilder builder;
    TestMessage m = RecordedMessage("damaged", 1100);
    builder.add(m);
    BuiltMailbox built = builder.build();
    const std::vector<uint32_t>& blocks = built.blockOffsets[0];
    ASSERT_EQ(blocks.size(), 3u);
    const uint32_t next = c.next == 0 ? blocks[1] : c.next == 1 ? blocks[0] : c.next;
    PutU32(built.bytes, blocks[1] + dbx::kBlockNext, next);
    ReaderOver opened(built.bytes);
    ASSERT_TRUE(FileErrorOf([&] { opened.reader.messageText(0); })) << c.what;
    SalvageOver salvaged(built.bytes, IndexedStarts(opened.reader));
    for (int twice = 0; twice < 2; ++twice) {
      salvaged.salvage.addDamaged(opened.reader.textStart(0), opened.reader.recordOffset(0), {});
    }
    EXPECT_EQ(FoundTexts(salvaged.salvage, FoundKind::Damaged), std::vector<std::string>{text}) << c.what;
    EXPECT_EQ(salvaged.salvage.count(FoundKind::Recovered), 0u) << c.what;
  }
}

}  // namespace
}  // namespace quernel::testing
