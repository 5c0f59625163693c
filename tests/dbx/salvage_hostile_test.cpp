// Salvage of files cut short, chains that cross or loop, and bytes crafted
// to look like blocks: it ends, writes nothing twice and invents nothing.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "dbx/layout.h"
#include "reader_harness.h"
#include "salvage_harness.h"

namespace quernel::testing {
namespace {

using dbx::kBlockNext;
using dbx::kFreeChunkNext;

TestMessage Unlisted(std::string text) {
  TestMessage m;
  m.text = std::move(text);
  m.inIndex = false;
  return m;
}

// A text whose block k (of 512 bytes) is made of the letter first + k.
std::string Lettered(char first, size_t blocks, size_t lastBlock = 512) {
  std::string text;
  for (size_t k = 0; k < blocks; ++k) text.append(k + 1 < blocks ? 512 : lastBlock, static_cast<char>(first + k));
  return text;
}

TEST(SalvageHostileTest, TruncatedAtEveryByteGivesWholeMessagesAndPrefixes) {
  DbxBuilder builder;
  std::vector<TestMessage> messages = {RecordedMessage("a", 600), RecordedMessage("b", 1000),
                                       Unlisted(MailText("c", 300)), TestMessage{},
                                       RecordedMessage("e", 200)};
  messages[3].text = MailText("d", 700);
  messages[3].deleted = true;
  for (const TestMessage& m : messages) builder.add(m);
  const BuiltMailbox built = builder.build();
  // Where each message's text was and until where it lies whole in the file.
  std::map<uint32_t, std::pair<std::string, uint64_t>> byStart;
  for (size_t k = 0; k < messages.size(); ++k) {
    const uint64_t end = k + 1 < messages.size() ? built.blockOffsets[k + 1].front() : built.nodeOffsets[0];
    byStart[built.blockOffsets[k].front()] = {messages[k].deleted ? AsDeleted(messages[k].text) : messages[k].text, end};
  }
  for (size_t n = dbx::kHeaderSize; n <= built.bytes.size(); ++n) {
    const std::string bytes = built.bytes.substr(0, n);
    std::vector<uint32_t> indexed;
    if (!OpeningFails(bytes)) indexed = IndexedStarts(ReaderOver(bytes).reader);
    SalvageOver salvaged(bytes, indexed);
    std::set<uint32_t> starts(indexed.begin(), indexed.end());
    for (const FoundMessage& m : salvaged.salvage.messages()) {
      ASSERT_TRUE(starts.insert(m.textStart).second) << "twice at " << n;
      ASSERT_TRUE(byStart.count(m.textStart)) << "invented at " << n;
      const auto& [original, end] = byStart[m.textStart];
      const std::string text = salvaged.salvage.text(m);
      if (n >= end) {
        ASSERT_EQ(text, original) << n;
      } else {
        ASSERT_EQ(original.substr(0, text.size()), text) << n;
      }
    }
    for (const auto& [start, message] : byStart) {
      ASSERT_TRUE(n < message.second || starts.count(start)) << "lost at " << n;
    }
  }
}

// P loops back to its start, Q's first block joins P's second, R is a ring
// of its own: every block comes back once. Q's head takes P's blocks
// (Q0 P1 P2 P0, ending where P0 leads back to P1), Q's second block is left
// without a predecessor, and R's ring is walked from its lowest block. Q's
// second block, which no record reaches and which has no header lines, is
// a fragment.
TEST(SalvageHostileTest, CrossingAndLoopingChainsGiveEveryBlockOnce) {
  DbxBuilder builder;
  builder.add(Unlisted(Lettered('A', 3, 100)));
  builder.add(Unlisted(Lettered('K', 2, 50)));
  builder.add(Unlisted(Lettered('U', 2, 70)));
  BuiltMailbox built = builder.build();
  const auto& p = built.blockOffsets[0];
  const auto& q = built.blockOffsets[1];
  const auto& r = built.blockOffsets[2];
  PutU32(built.bytes, p[2] + kBlockNext, p[0]);
  PutU32(built.bytes, q[0] + kBlockNext, p[1]);
  PutU32(built.bytes, r[1] + kBlockNext, r[0]);
  SalvageOver salvaged(built.bytes);
  const std::string P = Lettered('A', 3, 100);
  EXPECT_EQ(FoundTexts(salvaged.salvage, FoundKind::Recovered),
            (std::vector<std::string>{std::string(512, 'K') + P.substr(512) + P.substr(0, 512),
                                      Lettered('U', 2, 70)}));
  EXPECT_EQ(FoundTexts(salvaged.salvage, FoundKind::Damaged), std::vector<std::string>{std::string(50, 'L')});
}

// Message texts may hold bytes that look like a block or a free chunk at
// their very offset; they are part of the text, not objects of their own.
TEST(SalvageHostileTest, BlockHeadersInsideTextAreNotBlocks) {
  for (bool inIndex : {true, false}) {
    DbxBuilder builder;
    TestMessage m = RecordedMessage("carrier", 1500);
    m.inIndex = inIndex;
    builder.add(m);
    BuiltMailbox built = builder.build();
    const uint32_t block1 = built.blockOffsets[0][1];
    for (uint32_t at : {block1 + 16 + 40, block1 + 16 + 200}) {
      const bool chunk = at > block1 + 100;
      PutU32(built.bytes, at, at);
      PutU32(built.bytes, at + 4, chunk ? dbx::kFreeChunkUsable : dbx::kBlockTextCapacity);
      PutU32(built.bytes, at + 8, chunk ? dbx::kFreeChunkSize : 100);
      PutU32(built.bytes, at + 12, 0);
    }
    std::vector<uint32_t> indexed;
    if (inIndex) indexed = IndexedStarts(ReaderOver(built.bytes).reader);
    SalvageOver salvaged(built.bytes, indexed);
    EXPECT_EQ(salvaged.salvage.messages().size(), inIndex ? 0u : 1u);
  }
}

// A free list that runs into a live block (a chunk given out again) stops
// before it, and a live chain that runs into a free chunk stops as well:
// what is live is kept once, as live.
TEST(SalvageHostileTest, LiveAndFreedChainsMeetingKeepEachBlockOnce) {
  for (bool freedIntoLive : {true, false}) {
    DbxBuilder builder;
    TestMessage deleted;
    deleted.text = Lettered('D', 1);  // a full chunk: no padding ends it
    deleted.deleted = true;
    builder.add(deleted);
    builder.add(Unlisted(Lettered('R', 2, 30)));
    BuiltMailbox built = builder.build();
    const uint32_t chunk = built.blockOffsets[0][0];
    const uint32_t live0 = built.blockOffsets[1][0], live1 = built.blockOffsets[1][1];
    if (freedIntoLive) {
      PutU32(built.bytes, chunk + kFreeChunkNext, live0);
    } else {
      PutU32(built.bytes, live1 + kBlockNext, chunk);
    }
    SalvageOver salvaged(built.bytes);
    EXPECT_EQ(FoundTexts(salvaged.salvage, FoundKind::Recovered), std::vector<std::string>{Lettered('R', 2, 30)});
    EXPECT_EQ(FoundTexts(salvaged.salvage, FoundKind::Deleted), std::vector<std::string>{AsDeleted(Lettered('D', 1))});
  }
}

// Headers of blocks at every 16 bytes, each naming the next: what comes
// back is bounded by the file's size.
TEST(SalvageHostileTest, BlockHeadersEverywhereGiveNoMoreThanTheFile) {
  std::string bytes(1 << 20, 'x');
  for (uint32_t at = 64; at + 16 <= bytes.size(); at += 16) {
    PutU32(bytes, at, at);
    PutU32(bytes, at + 4, at % 32 ? dbx::kBlockTextCapacity : dbx::kFreeChunkUsable);
    PutU32(bytes, at + 8, at % 32 ? 0x200 : dbx::kFreeChunkSize);
    PutU32(bytes, at + 12, at + 16);
  }
  SalvageOver salvaged(bytes);
  uint64_t total = 0;
  for (const FoundMessage& m : salvaged.salvage.messages()) total += salvaged.salvage.text(m).size();
  EXPECT_GT(total, 0u);
  EXPECT_LE(total, bytes.size());
}

}  // namespace
}  // namespace quernel::testing
