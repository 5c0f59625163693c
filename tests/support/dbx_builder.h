#pragma once
// The test-mailbox builder: writes .dbx files from a short description.
// By default its files look like real ones: a 0x24BC-byte header, records
// that begin with their own offset and length, text blocks of 0x210 bytes
// (16-byte header whose first u32 is the block's own offset and second is
// 512, then 512 text bytes) and index nodes of up to 51 entries.
//
// Layout: the header, then for each message in order its text blocks followed
// by its record, then the index nodes. So a message's block offsets depend
// only on the messages before it and on its own text, never on its record:
// a test can build once, read an offset from the result, put it into a
// property and build again.
//
// Corrupt cases start from a well-formed file and patch bytes with the Put*
// helpers, using the offsets that build() reports.

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quernel::testing {

// FILETIME ticks of a Unix time in seconds.
uint64_t FileTimeFromUnix(int64_t unixSeconds);

enum class TextLink { Indirect /* id 0x04 */, Direct /* id 0x84 */, None };

// Outlook Express's message state bits as it stores them, spelled out here
// rather than taken from the program, so that tests check its meaning of them.
namespace state_bits {
inline constexpr uint32_t kFlagged = 0x20;
inline constexpr uint32_t kRead = 0x80;
inline constexpr uint32_t kAnswered = 0x080000;
inline constexpr uint32_t kForwarded = 0x100000;
}  // namespace state_bits

struct TestMessage {
  std::string text;  // raw message text, split over text blocks
  // String properties as stored (Windows-1252 bytes); nullopt: absent.
  std::optional<std::string> subject;
  std::optional<std::string> senderName;
  std::optional<std::string> senderAddress;
  std::optional<std::string> recipientName;
  std::optional<std::string> recipientAddress;
  std::optional<uint64_t> sendTime;     // FILETIME ticks
  std::optional<uint64_t> receiveTime;  // FILETIME ticks
  // The message's state bits (MessageFlags), unless 0: as the direct
  // property 0x81, like Outlook Express stores them, or as 0x01 when they
  // need 32 bits.
  uint32_t flags = 0;
  TextLink textLink = TextLink::Indirect;
  // Text bytes per block; each block still occupies 16 + blockCapacity bytes.
  uint32_t blockTextSize = 512;
  // Extra raw property entries, appended after the standard ones: (id, data).
  // For an indirect id the data is stored as given in the data area (add the
  // terminating zero of a string yourself); for a direct id (bit 0x80) the
  // first three bytes of the data, little-endian, are the entry's u24 value.
  std::vector<std::pair<uint8_t, std::string>> extraProperties;

  // What damaged and compacted-never files hold besides their index:
  // false: the index does not list the message; its blocks and record stay.
  bool inIndex = true;
  // A deleted message: its blocks as free chunks (0x210 bytes each, the first
  // 4 text bytes of each overwritten), no current record, not in the index.
  // Its text goes into 512-byte pieces whatever blockTextSize says.
  bool deleted = false;
  // Older copies of its record, written before the current one (for a
  // deleted message, the only records left), each naming the same text.
  uint32_t olderRecords = 0;
};

// The shape of the index tree: values are message indices into the builder's
// message list (the same index may appear twice); children nest.
struct TreeShape {
  std::vector<TreeShape> firstChild;  // zero or one element
  struct Entry {
    uint32_t message;
    std::vector<TreeShape> child;  // zero or one element
  };
  std::vector<Entry> entries;
};

struct BuiltMailbox {
  std::string bytes;
  std::vector<uint32_t> recordOffsets;              // per message; 0 for a deleted one
  std::vector<std::vector<uint32_t>> blockOffsets;  // per message, chain order
  std::vector<uint32_t> nodeOffsets;                // root first
  std::vector<std::vector<uint32_t>> olderRecordOffsets;  // per message
};

class DbxBuilder {
 public:
  // Adds a message; returns its index.
  uint32_t add(TestMessage message);
  // Entries per index node when the tree is laid out automatically (1..255).
  DbxBuilder& nodeCapacity(uint32_t entries);
  // Use an explicit tree instead of the automatic one.
  DbxBuilder& tree(TreeShape shape);
  // Overrides the header's entry count (default: number of values).
  DbxBuilder& headerEntryCount(uint32_t count);
  // Bytes reserved for the header (default 0x24BC, at least 0xE8): fuzz
  // seeds use the smallest header that still holds every field read.
  DbxBuilder& headerSize(uint32_t bytes);
  // The 16 signature bytes (default: a mailbox's), e.g. FolderListSignature().
  DbxBuilder& signature(std::string bytes);
  // Links the free chunks of all deleted messages into one list, in message
  // order, as consecutive deletions leave them (default: a list each).
  DbxBuilder& linkDeleted();

  BuiltMailbox build() const;

 private:
  std::vector<TestMessage> messages_;
  uint32_t nodeCapacity_ = 51;
  std::optional<TreeShape> tree_;
  std::optional<uint32_t> headerEntryCount_;
  uint32_t headerSize_ = 0x24BC;  // what real files reserve
  std::string signature_;         // empty: a mailbox's
  bool linkDeleted_ = false;
};

// Writes a mailbox straight to a file, message by message, for mailboxes too
// large to hold in memory twice (the benchmark's). The layout is DbxBuilder's
// with the automatic tree; only the record offsets stay in memory.
class DbxStreamWriter {
 public:
  // Creates `path`; raises std::runtime_error when it cannot be written.
  explicit DbxStreamWriter(const std::string& path, uint32_t nodeCapacity = 51);
  void add(const TestMessage& message);
  // Moves on to `offset` (at or after the current end) without writing the
  // bytes in between: on file systems that allow it, a hole that takes no
  // space, so that a test can store messages beyond 2 GiB cheaply.
  void skipTo(uint64_t offset);
  // Writes the index nodes and the header; raises std::runtime_error when
  // the file could not be written whole.
  void finish();

 private:
  void append(const std::string& bytes);

  std::ofstream file_;
  uint64_t size_ = 0;
  std::vector<uint32_t> recordOffsets_;
  uint32_t nodeCapacity_;
};

// Destroys the index as an interrupted compaction does: every node's bytes
// become zero, the header still names the root.
void DestroyIndex(BuiltMailbox& built);

// Raw byte patching for corrupt cases; the string grows as needed.
void PutU8(std::string& bytes, uint64_t offset, uint8_t value);
void PutU16(std::string& bytes, uint64_t offset, uint16_t value);
void PutU32(std::string& bytes, uint64_t offset, uint32_t value);

// The 16 signature bytes of each kind of file.
std::string MailboxSignature();
std::string FolderListSignature();
std::string OldVersionSignature();

}  // namespace quernel::testing
