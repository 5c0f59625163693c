#include <gtest/gtest.h>

#include "dbx/layout.h"
#include "reader_harness.h"

namespace quernel::testing {
namespace {

using dbx::kBlockNext;
using dbx::kBlockTextLength;

std::string Pattern(size_t length) {
  std::string text;
  for (size_t k = 0; k < length; ++k) text += static_cast<char>('A' + k % 23);
  return text;
}

TestMessage WithText(std::string text, uint32_t blockTextSize = 512) {
  TestMessage m;
  m.text = std::move(text);
  m.blockTextSize = blockTextSize;
  return m;
}

TEST(MessageTextTest, TextsAreTheirBlocksConcatenated) {
  struct Case {
    std::string text;
    uint32_t blockTextSize;
    size_t blocks;
  };
  const std::vector<Case> cases = {
      {Pattern(1061), 512, 3},   // 512 + 512 + 37
      {Pattern(512), 512, 1},
      {Pattern(100000), 65535, 2},
      {Pattern(300), 1, 300},
      {"", 512, 0},
  };
  for (const Case& c : cases) {
    DbxBuilder builder;
    builder.add(WithText(c.text, c.blockTextSize));
    const BuiltMailbox built = builder.build();
    ASSERT_EQ(built.blockOffsets[0].size(), c.blocks);
    ReaderOver opened(built.bytes);
    EXPECT_EQ(opened.reader.messageText(0), c.text) << c.text.size();
  }
}

TEST(MessageTextTest, TextEndsAtItsFirstZeroByte) {
  std::string text = Pattern(1061);
  text[100] = '\0';
  DbxBuilder builder;
  builder.add(WithText(text));
  EXPECT_EQ(ReaderOver(builder.build().bytes).reader.messageText(0), Pattern(100));
}

TEST(MessageTextTest, MessageWithoutTextLinkHasEmptyText) {
  DbxBuilder builder;
  TestMessage m = WithText("ignored");
  m.textLink = TextLink::None;
  builder.add(m);
  EXPECT_EQ(ReaderOver(builder.build().bytes).reader.messageText(0), "");
}

// The little-endian bytes of `value`, `width` of them.
std::string Bytes(uint32_t value, size_t width) {
  std::string bytes;
  PutU32(bytes, 0, value);
  return bytes.substr(0, width);
}

TEST(MessageTextTest, DirectAndIndirectLinksWhicheverComesFirst) {
  // Messages 0 and 1 hold the two candidate texts; message 2 links to both.
  // A message's blocks depend only on the messages before it, so the offsets
  // of a build with the first two messages hold for the full build as well.
  DbxBuilder candidates;
  candidates.add(WithText("first text"));
  candidates.add(WithText("second text"));
  const BuiltMailbox layout = candidates.build();
  const uint32_t firstBlock = layout.blockOffsets[0][0];
  const uint32_t secondBlock = layout.blockOffsets[1][0];
  using Props = std::vector<std::pair<uint8_t, std::string>>;
  const std::vector<Props> orders = {
      {{dbx::kPropTextDirect, Bytes(firstBlock, 3)}, {dbx::kPropTextIndirect, Bytes(secondBlock, 4)}},
      {{dbx::kPropTextIndirect, Bytes(firstBlock, 4)}, {dbx::kPropTextDirect, Bytes(secondBlock, 3)}},
  };
  for (const Props& order : orders) {
    DbxBuilder builder = candidates;
    TestMessage linked;
    linked.textLink = TextLink::None;
    linked.extraProperties = order;
    builder.add(linked);
    ReaderOver opened(builder.build().bytes);
    EXPECT_EQ(opened.reader.messageText(2), "first text") << int{order[0].first};
  }
}

struct ChainDefect {
  const char* name;
  std::function<void(BuiltMailbox&)> patch;
  FileErrorCause expected;
};

TEST(MessageTextTest, DamagedChainsFailOnlyTheirMessage) {
  DbxBuilder builder;
  builder.add(WithText(Pattern(1500)));  // three blocks A, B, C
  TestMessage healthy = WithText("healthy");
  healthy.subject = "still here";
  builder.add(healthy);
  const BuiltMailbox good = builder.build();
  const uint32_t a = good.blockOffsets[0][0];
  const uint32_t b = good.blockOffsets[0][1];
  const std::vector<ChainDefect> cases = {
      {"block points to itself", [&](BuiltMailbox& m) { PutU32(m.bytes, b + kBlockNext, b); },
       FileErrorCause::Unspecified},
      {"A to B to A", [&](BuiltMailbox& m) { PutU32(m.bytes, b + kBlockNext, a); },
       FileErrorCause::Unspecified},
      {"next block beyond the end",
       [&](BuiltMailbox& m) { PutU32(m.bytes, b + kBlockNext, static_cast<uint32_t>(m.bytes.size())); },
       FileErrorCause::OffsetOutOfRange},
      {"text longer than the file, by overlapping blocks",
       [&](BuiltMailbox& m) {
         // Ninety blocks 16 bytes apart, inside the message's own three,
         // each claiming 65,535 bytes.
         for (uint32_t k = 0; k < 90; ++k) {
           PutU16(m.bytes, a + 16 * k + kBlockTextLength, 0xFFFF);
           PutU32(m.bytes, a + 16 * k + kBlockNext, k + 1 < 90 ? a + 16 * (k + 1) : 0);
         }
       },
       FileErrorCause::Unspecified},
  };
  for (const ChainDefect& c : cases) {
    BuiltMailbox bad = good;
    c.patch(bad);
    ReaderOver opened(bad.bytes);
    EXPECT_EQ(FileErrorOf([&] { opened.reader.messageText(0); }), std::optional(c.expected)) << c.name;
    EXPECT_EQ(opened.reader.subject(1), "still here") << c.name;
    EXPECT_EQ(opened.reader.messageText(1), "healthy") << c.name;
  }
}

TEST(MessageTextTest, BlockCutOffByTheEndOfTheFile) {
  // The chain's last block is re-pointed to one more block appended at the
  // end of the file, which the file then cuts off.
  DbxBuilder builder;
  builder.add(WithText(Pattern(600)));  // blocks of 512 and 88 bytes
  const BuiltMailbox built = builder.build();
  const uint32_t tail = static_cast<uint32_t>(built.bytes.size());
  std::string withTail = built.bytes;
  PutU32(withTail, built.blockOffsets[0][1] + kBlockNext, tail);
  PutU32(withTail, tail, tail);
  PutU16(withTail, tail + kBlockTextLength, 100);
  PutU32(withTail, tail + kBlockNext, 0);
  withTail += std::string(40, '+');  // 40 of the 100 text bytes are there

  struct Case {
    const char* name;
    size_t size;
    std::optional<std::string> text;  // nothing: the file is defective
  };
  const std::vector<Case> cases = {
      {"text cut off", withTail.size(), Pattern(600) + std::string(40, '+')},
      {"nothing after the header", tail + 16u, Pattern(600)},
      // Zeros in place of the missing two bytes would end the chain here
      // and lose whatever text follows.
      {"next field cut off after two bytes", tail + 14u, std::nullopt},
      {"cut before the next field", tail + 12u, std::nullopt},
      {"only the block's first byte", tail + 1u, std::nullopt},
  };
  for (const Case& c : cases) {
    ReaderOver opened(withTail.substr(0, c.size));
    if (c.text) {
      EXPECT_EQ(opened.reader.messageText(0), *c.text) << c.name;
    } else {
      EXPECT_EQ(FileErrorOf([&] { opened.reader.messageText(0); }),
                std::optional(FileErrorCause::Unspecified))
          << c.name;
    }
  }
}

TEST(MessageTextTest, OutputBudgetRefusesManyEntriesForOneHugeText) {
  // 2,000 index entries name one record whose text is 1 MiB: the writers
  // would write 2 GiB from a file of about 1 MiB.
  DbxBuilder builder;
  const uint32_t huge = builder.add(WithText(Pattern(1 << 20), 65535));
  TreeShape root;
  for (int k = 0; k < 250; ++k) root.entries.push_back({huge, {}});
  TreeShape many;
  for (int k = 0; k < 8; ++k) many.entries.push_back({huge, {root}});
  ReaderOver opened(builder.tree(many).build().bytes);
  ASSERT_EQ(opened.reader.messageCount(), 8 * 251);
  int read = 0;
  std::optional<FileErrorCause> failure;
  for (int32_t i = 0; i < opened.reader.messageCount() && !failure; ++i) {
    failure = FileErrorOf([&] { opened.reader.messageText(i); });
    if (!failure) ++read;
  }
  EXPECT_EQ(failure, std::optional(FileErrorCause::Unspecified));
  EXPECT_EQ(read, 4);  // four file lengths of budget, each text about one
  // A message already read stays readable: it was charged once.
  EXPECT_EQ(opened.reader.messageText(0).size(), size_t{1} << 20);
}

// A tree of 8 * 251 index entries, all naming `message`.
TreeShape EntriesNaming(uint32_t message) {
  TreeShape leaf;
  for (int k = 0; k < 250; ++k) leaf.entries.push_back({message, {}});
  TreeShape root;
  for (int k = 0; k < 8; ++k) root.entries.push_back({message, {leaf}});
  return root;
}

TEST(MessageTextTest, OutputBudgetCountsTheSenderAddress) {
  // 2,008 index entries name one record without text but with a 64 KiB
  // sender address, which the mbox separator line repeats for every message:
  // 128 MiB of separator lines from a file of about 100 KiB.
  DbxBuilder builder;
  TestMessage m;
  m.textLink = TextLink::None;
  m.senderAddress = Pattern(64 * 1024);
  const uint32_t record = builder.add(m);
  ReaderOver opened(builder.tree(EntriesNaming(record)).build().bytes);
  ASSERT_EQ(opened.reader.messageCount(), 8 * 251);
  const uint64_t budget = 4 * opened.file.length();
  int read = 0;
  std::optional<FileErrorCause> failure;
  for (int32_t i = 0; i < opened.reader.messageCount() && !failure; ++i) {
    failure = FileErrorOf([&] { EXPECT_EQ(opened.reader.messageText(i), ""); });
    if (!failure) ++read;
  }
  EXPECT_EQ(failure, std::optional(FileErrorCause::Unspecified));
  EXPECT_EQ(static_cast<uint64_t>(read), budget / (64 * 1024));
}

TEST(MessageTextTest, BrokenChainsSpendTheBudgetToo) {
  // 2,008 index entries name one record whose chain of 2,048 blocks (1 MiB)
  // loops back at its end. Every walk fails; a caller that goes on to the
  // next message after each failure would read the whole file 2,008 times.
  DbxBuilder builder;
  const uint32_t broken = builder.add(WithText(Pattern(1 << 20)));
  BuiltMailbox built = builder.tree(EntriesNaming(broken)).build();
  const std::vector<uint32_t>& blocks = built.blockOffsets[broken];
  PutU32(built.bytes, blocks.back() + kBlockNext, blocks.front());
  ReaderOver opened(built.bytes);
  ASSERT_EQ(opened.reader.messageCount(), 8 * 251);
  const size_t readsBefore = opened.file.readCount();
  for (int32_t i = 0; i < opened.reader.messageCount(); ++i) {
    EXPECT_EQ(FileErrorOf([&] { opened.reader.messageText(i); }),
              std::optional(FileErrorCause::Unspecified));
  }
  // Each failed walk is charged 16 bytes per block against four file lengths
  // of budget: about 130 walks of some 17 reads each, then no more reading.
  EXPECT_LT(opened.file.readCount() - readsBefore, 4000u);
}

TEST(MessageTextTest, FewReadsForAManyMessageMailbox) {
  DbxBuilder builder;
  constexpr int kMessages = 2000;
  for (int i = 0; i < kMessages; ++i) {
    TestMessage m = WithText("Subject: " + std::to_string(i) + "\r\n\r\n" + Pattern(300 + i % 900));
    m.subject = std::to_string(i);
    m.senderName = "Sender " + std::to_string(i);
    builder.add(m);
  }
  ReaderOver opened(builder.build().bytes);
  ASSERT_EQ(opened.reader.messageCount(), kMessages);
  uint64_t textBytes = 0;
  for (int32_t i = 0; i < kMessages; ++i) textBytes += opened.reader.messageText(i).size();
  EXPECT_GT(textBytes, 2000u * 300);
  const size_t windows = opened.file.length() / (64 * 1024) + 1;
  // One pass for the properties and one for the texts, plus the tree.
  EXPECT_LE(opened.file.readCount(), 3 * windows)
      << opened.file.readCount() << " reads of a file of " << opened.file.length() << " bytes";
}

}  // namespace
}  // namespace quernel::testing
