// Texts the file does not hold whole: a chain that breaks, that leads where
// no block begins, or that runs past the end of the file. What is left of
// them is damaged, never recovered; and a record that describes another
// message does not name one.

#include <gtest/gtest.h>

#include "dbx/layout.h"
#include "dbx/message_flags.h"
#include "reader_harness.h"
#include "salvage_harness.h"

namespace quernel::testing {
namespace {

using dbx::kBlockNext;

constexpr uint32_t kStateBits = MessageFlags::kRead | MessageFlags::kAnswered | MessageFlags::kMarked;

// Message 1 ("broken", five blocks) of three has its first block's link
// changed: into the zero padding of message 0's block, where no block
// begins, or past the end of the file. Listed or not, the default reading
// refuses it, and the salvage keeps it whole in the damaged set: its first
// block, and the blocks that follow it in the file, which begin without
// header lines and are no message of their own. Its record's state bits
// stay with it.
TEST(SalvageIncompleteTest, BrokenChainIsDamagedWithTheBlocksAfterIt) {
  struct Case {
    const char* what;
    bool inIndex;
    bool intoPadding;
  };
  for (const Case& c : {Case{"into padding", true, true}, Case{"past the end", true, false},
                        Case{"unlisted, into padding", false, true}, Case{"unlisted, past the end", false, false}}) {
    DbxBuilder builder;
    builder.add(RecordedMessage("before", 10));
    TestMessage broken = RecordedMessage("broken", 2000);
    broken.inIndex = c.inIndex;
    broken.flags = kStateBits;
    builder.add(broken);
    builder.add(RecordedMessage("after", 10));
    BuiltMailbox built = builder.build();
    const uint32_t first = built.blockOffsets[1][0];
    PutU32(built.bytes, first + kBlockNext, c.intoPadding ? built.blockOffsets[0][0] + 0x180 : 0x7FFFFFF0);
    ReaderOver opened(built.bytes);
    SalvageOver salvaged(built.bytes, IndexedStarts(opened.reader));
    if (c.inIndex) {
      ASSERT_TRUE(FileErrorOf([&] { opened.reader.messageText(1); })) << c.what;
      salvaged.salvage.addDamaged(first, opened.reader.recordOffset(1), opened.reader.properties(1));
    }
    EXPECT_EQ(FoundTexts(salvaged.salvage, FoundKind::Damaged), std::vector<std::string>{broken.text}) << c.what;
    EXPECT_EQ(salvaged.salvage.count(FoundKind::Recovered), 0u) << c.what;
    ASSERT_EQ(salvaged.salvage.messages().size(), 1u) << c.what;
    const MailboxReader::Properties fields = salvaged.salvage.fields(salvaged.salvage.messages()[0]);
    EXPECT_EQ(fields.subject, "broken") << c.what;
    EXPECT_EQ(fields.flags, kStateBits) << c.what;
  }
}

// A chain whose first block is gone and that nothing names is a piece of a
// message: damaged, on its own, with no name to take.
TEST(SalvageIncompleteTest, HeadlessChainIsAFragment) {
  DbxBuilder builder;
  builder.add(RecordedMessage("listed", 10));
  TestMessage lost = RecordedMessage("lost", 1500);
  lost.inIndex = false;
  builder.add(lost);
  BuiltMailbox built = builder.build();
  PutU32(built.bytes, built.blockOffsets[1][0], 0);  // no block begins there any more
  PutU32(built.bytes, built.recordOffsets[1], 0);    // nor a record
  SalvageOver salvaged(built.bytes, IndexedStarts(ReaderOver(built.bytes).reader));
  EXPECT_EQ(FoundTexts(salvaged.salvage, FoundKind::Damaged), std::vector<std::string>{lost.text.substr(512)});
  EXPECT_EQ(salvaged.salvage.count(FoundKind::Recovered), 0u);
  EXPECT_EQ(salvaged.salvage.fields(salvaged.salvage.messages()[0]).subject, "");
}

// A file cut short inside the last message's chain (in a block's text or in
// a block header): the messages before come back whole as recovered, the
// cut one as damaged, named from its header lines.
TEST(SalvageIncompleteTest, MessageCutByTheEndOfTheFileIsDamaged) {
  DbxBuilder builder;
  std::vector<TestMessage> messages;
  for (const char* subject : {"first", "second", "cut"}) {
    messages.push_back(RecordedMessage(subject, 2000));
    builder.add(messages.back());
  }
  const BuiltMailbox built = builder.build();
  const uint32_t third = built.blockOffsets[2][3];
  for (const uint32_t cut : {third + 0x100, third + 8}) {
    SalvageOver salvaged(built.bytes.substr(0, cut));
    EXPECT_EQ(FoundTexts(salvaged.salvage, FoundKind::Recovered),
              (std::vector<std::string>{messages[0].text, messages[1].text}));
    const std::vector<std::string> damaged = FoundTexts(salvaged.salvage, FoundKind::Damaged);
    ASSERT_EQ(damaged.size(), 1u) << cut;
    EXPECT_GE(damaged[0].size(), 1536u);
    EXPECT_TRUE(messages[2].text.starts_with(damaged[0])) << cut;
    EXPECT_EQ(salvaged.salvage.fields(salvaged.salvage.messages().back()).subject, "cut");
  }
}

// Message "mine" lost its index entry; a stale copy of the record of
// "old message" (rewritten elsewhere) still names mine's first block, and
// lies further into the file than mine's own record. The record that agrees
// with the text's header lines names it, with its state bits; without one,
// its header lines do.
TEST(SalvageIncompleteTest, RecordOfAnotherMessageDoesNotNameIt) {
  for (const bool ownRecord : {true, false}) {
    DbxBuilder builder;
    TestMessage mine = RecordedMessage("mine", 300);
    mine.inIndex = false;
    mine.flags = kStateBits;
    builder.add(mine);
    TestMessage old = RecordedMessage("old message", 300);
    old.text = "From: ann@example.org\r\nSubject: old message\r\nDate: Mon, 1 Jan 2001 10:00:00 +0000\r\n\r\nold";
    old.senderAddress = "ann@example.org";
    old.sendTime = FileTimeFromUnix(978343200);
    old.textLink = TextLink::Direct;
    old.olderRecords = 1;
    builder.add(old);
    BuiltMailbox built = builder.build();
    const uint32_t stale = built.olderRecordOffsets[1][0];
    for (uint32_t entry = stale + dbx::kRecordProperties;; entry += 4) {
      if (static_cast<uint8_t>(built.bytes[entry]) != dbx::kPropTextDirect) continue;
      PutU32(built.bytes, entry, built.blockOffsets[0][0] << 8 | dbx::kPropTextDirect);
      break;
    }
    if (!ownRecord) PutU32(built.bytes, built.recordOffsets[0], 0);
    SalvageOver salvaged(built.bytes, IndexedStarts(ReaderOver(built.bytes).reader));
    ASSERT_EQ(salvaged.salvage.messages().size(), 1u) << ownRecord;
    const FoundMessage& found = salvaged.salvage.messages()[0];
    EXPECT_EQ(found.kind, FoundKind::Recovered);
    EXPECT_EQ(found.recordOffset, ownRecord ? std::optional<uint32_t>(built.recordOffsets[0]) : std::nullopt);
    const MailboxReader::Properties fields = salvaged.salvage.fields(found);
    EXPECT_EQ(fields.subject, "mine");
    EXPECT_EQ(fields.sendTime, ownRecord ? 1130836000 : 1130835600);  // the record's, or the Date line's
    EXPECT_EQ(fields.flags, ownRecord ? kStateBits : 0u);
  }
}

}  // namespace
}  // namespace quernel::testing
