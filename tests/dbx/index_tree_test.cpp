#include <gtest/gtest.h>

#include "dbx/layout.h"
#include "reader_harness.h"

namespace quernel::testing {
namespace {

using dbx::kEntryChild;
using dbx::kEntryChildValues;
using dbx::kNodeEntries;
using dbx::kNodeEntrySize;
using dbx::kNodeFirstChild;
using dbx::kNodeFirstChildValues;

std::vector<std::string> Subjects(const MailboxReader& reader) {
  std::vector<std::string> subjects;
  for (int32_t i = 0; i < reader.messageCount(); ++i) subjects.push_back(reader.subject(i));
  return subjects;
}

TreeShape Leaf(std::vector<uint32_t> messages) {
  TreeShape leaf;
  for (uint32_t m : messages) leaf.entries.push_back({m, {}});
  return leaf;
}

TEST(IndexTreeTest, FirstChildThenEachEntryFollowedByItsChild) {
  DbxBuilder builder;
  // Added in another order than the tree's, so the order seen is the tree's.
  const uint32_t r1 = builder.add(WithSubject("r1"));
  const uint32_t r2 = builder.add(WithSubject("r2"));
  const uint32_t a1 = builder.add(WithSubject("a1"));
  const uint32_t a2 = builder.add(WithSubject("a2"));
  const uint32_t b1 = builder.add(WithSubject("b1"));
  TreeShape root;
  root.firstChild.push_back(Leaf({a1, a2}));
  root.entries.push_back({r1, {Leaf({b1})}});
  root.entries.push_back({r2, {}});
  ReaderOver opened(builder.tree(root).build().bytes);
  EXPECT_EQ(Subjects(opened.reader), (std::vector<std::string>{"a1", "a2", "r1", "b1", "r2"}));
}

TEST(IndexTreeTest, NodeWithoutEntriesContributesItsFirstChild) {
  DbxBuilder builder;
  const uint32_t x = builder.add(WithSubject("x"));
  const uint32_t y = builder.add(WithSubject("y"));
  TreeShape root;
  root.firstChild.push_back(Leaf({x, y}));
  ReaderOver opened(builder.tree(root).build().bytes);
  EXPECT_EQ(Subjects(opened.reader), (std::vector<std::string>{"x", "y"}));
}

TEST(IndexTreeTest, ChildWithZeroCountIsNotFollowed) {
  DbxBuilder builder;
  builder.add(WithSubject("only"));
  BuiltMailbox built = builder.build();
  const uint64_t entry = built.nodeOffsets[0] + kNodeEntries;
  PutU32(built.bytes, entry + kEntryChild, 0xFFFFFF00);  // garbage offset, count stays 0
  PutU32(built.bytes, built.nodeOffsets[0] + kNodeFirstChild, 0xFFFFFF00);
  ReaderOver opened(built.bytes);
  EXPECT_EQ(Subjects(opened.reader), (std::vector<std::string>{"only"}));
}

TEST(IndexTreeTest, RecordListedTwiceGivesTwoMessagesSharingOneRead) {
  DbxBuilder builder;
  const uint32_t m = builder.add(WithSubject("twice", "Subject: twice\r\n\r\nsame text\r\n"));
  const uint32_t other = builder.add(WithSubject("other"));
  ReaderOver opened(builder.tree(Leaf({m, other, m})).build().bytes);
  ASSERT_EQ(opened.reader.messageCount(), 3);
  EXPECT_EQ(opened.reader.recordOffset(0), opened.reader.recordOffset(2));
  EXPECT_EQ(Subjects(opened.reader), (std::vector<std::string>{"twice", "other", "twice"}));
  EXPECT_EQ(opened.reader.messageText(2), "Subject: twice\r\n\r\nsame text\r\n");
  EXPECT_EQ(opened.reader.messageText(0), opened.reader.messageText(2));
}

TEST(IndexTreeTest, AutomaticTreeKeepsMessageOrderOverSeveralLevels) {
  DbxBuilder builder;
  constexpr int kMessages = 3000;  // more than 51 * 52: three levels
  for (int i = 0; i < kMessages; ++i) builder.add(WithSubject(std::to_string(i), ""));
  const BuiltMailbox built = builder.build();
  ASSERT_GT(built.nodeOffsets.size(), 52u);
  ReaderOver opened(built.bytes);
  ASSERT_EQ(opened.reader.messageCount(), kMessages);
  for (int i = 0; i < kMessages; ++i) ASSERT_EQ(opened.reader.subject(i), std::to_string(i));
}

struct TreeDefect {
  const char* name;
  std::function<void(BuiltMailbox&)> patch;
  FileErrorCause expected;
};

TEST(IndexTreeTest, DamagedTreesMakeTheFileDefective) {
  DbxBuilder builder;
  for (int i = 0; i < 6; ++i) builder.add(WithSubject(std::to_string(i)));
  builder.nodeCapacity(2);  // root with children, several nodes
  const BuiltMailbox good = builder.build();
  ASSERT_GE(good.nodeOffsets.size(), 3u);
  const uint32_t root = good.nodeOffsets[0];
  const uint32_t child = good.nodeOffsets[1];
  const uint64_t rootEntry0 = root + kNodeEntries;
  const std::vector<TreeDefect> cases = {
      {"root beyond the end",
       [](BuiltMailbox& b) { PutU32(b.bytes, dbx::kHeaderRootNode, static_cast<uint32_t>(b.bytes.size())); },
       FileErrorCause::OffsetOutOfRange},
      {"child beyond the end",
       [&](BuiltMailbox& b) { PutU32(b.bytes, rootEntry0 + kEntryChild, 0xFFFFFFF0); },
       FileErrorCause::OffsetOutOfRange},
      {"child points back to the root",
       [&](BuiltMailbox& b) { PutU32(b.bytes, rootEntry0 + kEntryChild, root); },
       FileErrorCause::Unspecified},
      {"first child is the node itself",
       [&](BuiltMailbox& b) {
         PutU32(b.bytes, child + kNodeFirstChild, child);
         PutU32(b.bytes, child + kNodeFirstChildValues, 1);
       },
       FileErrorCause::Unspecified},
      {"two entries share one subtree",
       [&](BuiltMailbox& b) {
         PutU32(b.bytes, rootEntry0 + kNodeEntrySize + kEntryChild, b.nodeOffsets[2]);
         PutU32(b.bytes, rootEntry0 + kEntryChild, b.nodeOffsets[2]);
       },
       FileErrorCause::Unspecified},
      {"file cut inside the tree", [&](BuiltMailbox& b) { b.bytes.resize(child + 4); },
       FileErrorCause::OffsetOutOfRange},
  };
  for (const TreeDefect& c : cases) {
    BuiltMailbox bad = good;
    c.patch(bad);
    EXPECT_EQ(OpeningFails(bad.bytes), std::optional(c.expected)) << c.name;
  }
}

TEST(IndexTreeTest, NodeCutOffByTheEndOfTheFileIsDefectiveNotReadAsZeros) {
  // Ten messages in one root node after the records. Zeros in place of the
  // missing entries would each make a message of the file header.
  DbxBuilder builder;
  for (int i = 0; i < 10; ++i) builder.add(WithSubject(std::to_string(i)));
  const BuiltMailbox built = builder.build();
  ASSERT_EQ(built.nodeOffsets.size(), 1u);
  const uint64_t root = built.nodeOffsets[0];
  const uint64_t entries = root + kNodeEntries;
  struct Cut {
    const char* name;
    uint64_t size;
    uint64_t at;  // the offset the failure names
  };
  const std::vector<Cut> cuts = {
      {"after the 4th entry", entries + 4 * kNodeEntrySize, entries + 4 * kNodeEntrySize},
      {"inside the 5th entry", entries + 4 * kNodeEntrySize + 6, entries + 4 * kNodeEntrySize},
      {"inside the last entry", entries + 10 * kNodeEntrySize - 1, entries + 9 * kNodeEntrySize},
      {"before the entries", entries, entries},
      {"inside the node's entry count", root + dbx::kNodeEntryCount, root},
  };
  for (const Cut& cut : cuts) {
    const std::optional<FileError> error = OpeningError(built.bytes.substr(0, cut.size));
    ASSERT_TRUE(error) << cut.name;
    EXPECT_TRUE(error->isCorruption()) << cut.name;
    EXPECT_EQ(error->cause(), FileErrorCause::OffsetOutOfRange) << cut.name;
    EXPECT_EQ(error->offset(), std::optional(cut.at)) << cut.name;
  }
  // Cut right after the last entry the node uses: nothing is missing.
  ReaderOver whole(built.bytes.substr(0, entries + 10 * kNodeEntrySize));
  EXPECT_EQ(whole.reader.messageCount(), 10);
}

TEST(IndexTreeTest, MoreValuesThanTheFileHoldsIsDefective) {
  // A small file whose one node claims 255 entries: 255 values need 3060
  // bytes of entries, far more than a file of this size can hold. The
  // entries that are not there are never read as zeros.
  std::string bytes = MailboxSignature();
  bytes.resize(0x100, '\0');
  PutU32(bytes, dbx::kHeaderEntryCount, 1);
  PutU32(bytes, dbx::kHeaderRootNode, 0x20);
  PutU8(bytes, 0x20 + dbx::kNodeEntryCount, 255);
  EXPECT_EQ(OpeningFails(bytes), std::optional(FileErrorCause::OffsetOutOfRange));
}

TEST(IndexTreeTest, DeepChainOfFirstChildrenEndsWithoutRecursion) {
  // 200,000 nested first children, each node's first child is the next
  // node: a depth that a recursive walk could not survive.
  constexpr uint32_t kNodes = 200000;
  constexpr uint32_t kNodeSize = 0x18;
  std::string bytes = MailboxSignature();
  bytes.resize(0x100 + kNodeSize * kNodes, '\0');
  PutU32(bytes, dbx::kHeaderEntryCount, 1);
  PutU32(bytes, dbx::kHeaderRootNode, 0x100);
  for (uint32_t k = 0; k + 1 < kNodes; ++k) {
    const uint32_t node = 0x100 + kNodeSize * k;
    PutU32(bytes, node + kNodeFirstChild, node + kNodeSize);
    PutU32(bytes, node + kNodeFirstChildValues, 1);
  }
  ReaderOver opened(bytes);
  EXPECT_EQ(opened.reader.messageCount(), 0);
}

}  // namespace
}  // namespace quernel::testing
