#include "support/dbx_builder.h"

#include <algorithm>
#include <stdexcept>

#include "dbx/layout.h"
#include "platform/file_time.h"

namespace quernel::testing {

namespace {

using namespace quernel::dbx;

// What real files hold and the reader does not need: the most entries an
// index node holds.
constexpr uint64_t kNodeMaxEntries = 51;


void PutBytes(std::string& bytes, uint64_t offset, uint64_t value, int width) {
  if (bytes.size() < offset + width) bytes.resize(offset + width, '\0');
  for (int i = 0; i < width; ++i) {
    bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  }
}

std::string LittleEndian(uint64_t value, int width) {
  std::string out;
  PutBytes(out, 0, value, width);
  return out;
}

// `out` holds the file from offset `base` on: the whole file when base is 0,
// the bytes not yet written out when a mailbox is streamed.
uint32_t CurrentOffset(const std::string& out, uint64_t base = 0) {
  if (base + out.size() > 0xFFFFFFFFu) throw std::length_error("test mailbox beyond 4 GiB");
  return static_cast<uint32_t>(base + out.size());
}

// Appends the text blocks of one message; returns their offsets in chain order.
std::vector<uint32_t> AppendBlocks(std::string& out, const TestMessage& m, uint64_t base = 0) {
  std::vector<uint32_t> offsets;
  if (m.text.empty()) return offsets;
  const uint32_t perBlock = std::max<uint32_t>(m.blockTextSize, 1);
  const uint32_t capacity = std::max<uint32_t>(perBlock, kBlockTextCapacity);
  for (size_t done = 0; done < m.text.size(); done += perBlock) {
    offsets.push_back(CurrentOffset(out, base) + static_cast<uint32_t>(offsets.size()) *
                                                     (kBlockHeaderSize + capacity));
  }
  for (size_t k = 0; k < offsets.size(); ++k) {
    const uint32_t b = offsets[k];
    const uint64_t at = b - base;
    const std::string_view piece = std::string_view(m.text).substr(k * perBlock, perBlock);
    PutU32(out, at, b);
    PutU32(out, at + 4, capacity);
    PutU16(out, at + kBlockTextLength, static_cast<uint16_t>(piece.size()));
    PutU32(out, at + kBlockNext, k + 1 < offsets.size() ? offsets[k + 1] : 0);
    out.replace(at + kBlockHeaderSize, piece.size(), piece);
    out.resize(at + kBlockHeaderSize + capacity, '\0');
  }
  return offsets;
}

// Appends a deleted message's text as free chunks linked one to the next;
// returns their offsets. Each chunk holds 512 text bytes of which the header's
// fifth word overwrites the first 4.
std::vector<uint32_t> AppendFreeChunks(std::string& out, const TestMessage& m, uint64_t base = 0) {
  std::vector<uint32_t> offsets;
  for (size_t done = 0; done < m.text.size(); done += kBlockTextCapacity) {
    offsets.push_back(CurrentOffset(out, base) + static_cast<uint32_t>(offsets.size()) * kFreeChunkSize);
  }
  for (size_t k = 0; k < offsets.size(); ++k) {
    const uint64_t at = offsets[k] - base;
    const std::string_view piece = std::string_view(m.text).substr(k * kBlockTextCapacity, kBlockTextCapacity);
    out.resize(at + kFreeChunkSize, '\0');
    out.replace(at + kBlockHeaderSize, piece.size(), piece);
    PutU32(out, at, offsets[k]);
    PutU32(out, at + 4, kFreeChunkUsable);
    PutU32(out, at + kFreeChunkSizeField, kFreeChunkSize);
    PutU32(out, at + kFreeChunkNext, k + 1 < offsets.size() ? offsets[k + 1] : 0);
    PutU32(out, at + kFreeChunkPrevious, k > 0 ? offsets[k - 1] : 0);
  }
  return offsets;
}

struct RecordEntry {
  uint8_t id;
  uint32_t directValue;  // used when id has the direct bit
  std::string data;      // used otherwise
};

std::vector<RecordEntry> RecordEntries(const TestMessage& m, uint32_t firstBlock) {
  std::vector<RecordEntry> entries;
  auto addString = [&](uint8_t id, const std::optional<std::string>& s) {
    if (s) entries.push_back({id, 0, *s + '\0'});
  };
  auto addTime = [&](uint8_t id, const std::optional<uint64_t>& t) {
    if (t) entries.push_back({id, 0, LittleEndian(*t, 8)});
  };
  if (m.flags > 0xFFFFFF) {
    entries.push_back({kPropFlagsIndirect, 0, LittleEndian(m.flags, 4)});
  } else if (m.flags != 0) {
    entries.push_back({kPropFlagsDirect, m.flags, {}});
  }
  addTime(kPropSendTime, m.sendTime);
  if (m.textLink == TextLink::Indirect) {
    entries.push_back({kPropTextIndirect, 0, LittleEndian(firstBlock, 4)});
  } else if (m.textLink == TextLink::Direct) {
    if (firstBlock > 0xFFFFFF) throw std::length_error("direct text link beyond 16 MiB");
    entries.push_back({kPropTextDirect, firstBlock, {}});
  }
  addString(kPropSubject, m.subject);
  addString(kPropSenderName, m.senderName);
  addString(kPropSenderAddress, m.senderAddress);
  addTime(kPropReceiveTime, m.receiveTime);
  addString(kPropRecipientName, m.recipientName);
  addString(kPropRecipientAddress, m.recipientAddress);
  for (const auto& [id, data] : m.extraProperties) {
    if (id & kDirectPropertyBit) {
      std::string raw = data.substr(0, 3);
      raw.resize(3, '\0');
      entries.push_back({id, static_cast<uint32_t>(static_cast<uint8_t>(raw[0]) |
                                                   static_cast<uint8_t>(raw[1]) << 8 |
                                                   static_cast<uint8_t>(raw[2]) << 16),
                         {}});
    } else {
      entries.push_back({id, 0, data});
    }
  }
  if (entries.size() > 255) throw std::length_error("more than 255 property entries");
  return entries;
}

// Appends a record that begins with its own offset and its length.
uint32_t AppendRecord(std::string& out, const TestMessage& m, uint32_t firstBlock,
                      uint64_t base = 0) {
  const std::vector<RecordEntry> entries = RecordEntries(m, firstBlock);
  const uint32_t r = CurrentOffset(out, base);
  const uint64_t at = r - base;
  const uint64_t dataArea = at + kRecordProperties + kPropertyEntrySize * entries.size();
  std::string data;
  for (size_t j = 0; j < entries.size(); ++j) {
    const RecordEntry& e = entries[j];
    uint32_t value = e.directValue;
    if (!(e.id & kDirectPropertyBit)) {
      value = static_cast<uint32_t>(data.size());
      data += e.data;
    }
    PutU32(out, at + kRecordProperties + kPropertyEntrySize * j, (value & 0xFFFFFF) << 8 | e.id);
  }
  PutU8(out, at + kRecordPropertyCount, static_cast<uint8_t>(entries.size()));
  out.resize(dataArea, '\0');
  out += data;
  PutU32(out, at, r);
  PutU32(out, at + kRecordLength, static_cast<uint32_t>(out.size() - at));
  return r;
}

// The part of the file one message takes: its blocks (or free chunks), the
// older copies of its record and its record.
struct WrittenMessage {
  std::vector<uint32_t> blocks;
  std::vector<uint32_t> olderRecords;
  uint32_t record = 0;  // 0: none (a deleted message)
};

WrittenMessage AppendMessage(std::string& out, const TestMessage& m, uint64_t base = 0) {
  WrittenMessage written;
  written.blocks = m.deleted ? AppendFreeChunks(out, m, base) : AppendBlocks(out, m, base);
  const uint32_t first = written.blocks.empty() ? 0 : written.blocks.front();
  for (uint32_t copy = 0; copy < m.olderRecords; ++copy) {
    written.olderRecords.push_back(AppendRecord(out, m, first, base));
  }
  if (!m.deleted) written.record = AppendRecord(out, m, first, base);
  return written;
}

// Links the free chunks of deleted messages into one list, in this order.
void LinkFreeChunks(std::string& out, const std::vector<const std::vector<uint32_t>*>& messages) {
  const std::vector<uint32_t>* previous = nullptr;
  for (const std::vector<uint32_t>* chunks : messages) {
    if (chunks->empty()) continue;
    if (previous) {
      PutU32(out, previous->back() + kFreeChunkNext, chunks->front());
      PutU32(out, chunks->front() + kFreeChunkPrevious, previous->back());
    }
    previous = chunks;
  }
}

size_t ValueCount(const TreeShape& shape) {
  size_t count = shape.entries.size();
  for (const TreeShape& c : shape.firstChild) count += ValueCount(c);
  for (const TreeShape::Entry& e : shape.entries) {
    for (const TreeShape& c : e.child) count += ValueCount(c);
  }
  return count;
}

// A balanced tree over messages [first, first + count) with at most
// `capacity` entries per node, in message order.
TreeShape AutomaticTree(uint32_t first, size_t count, uint32_t capacity) {
  TreeShape node;
  if (count <= capacity) {
    for (size_t k = 0; k < count; ++k) node.entries.push_back({first + static_cast<uint32_t>(k), {}});
    return node;
  }
  // `capacity` entries separate capacity + 1 child groups of near-equal size.
  const size_t groups = capacity + 1;
  const size_t rest = count - capacity;
  uint32_t next = first;
  for (size_t g = 0; g < groups; ++g) {
    const size_t size = rest / groups + (g < rest % groups ? 1 : 0);
    std::vector<TreeShape> child;
    if (size > 0) child.push_back(AutomaticTree(next, size, capacity));
    next += static_cast<uint32_t>(size);
    if (g == 0) {
      node.firstChild = std::move(child);
    } else {
      node.entries.back().child = std::move(child);
    }
    if (g + 1 < groups) node.entries.push_back({next++, {}});
  }
  return node;
}

// The automatic tree over the messages the index lists.
TreeShape IndexedTree(const std::vector<TestMessage>& messages, uint32_t capacity) {
  std::vector<uint32_t> listed;
  for (uint32_t k = 0; k < messages.size(); ++k) {
    if (messages[k].inIndex && !messages[k].deleted) listed.push_back(k);
  }
  TreeShape shape = AutomaticTree(0, listed.size(), capacity);
  // AutomaticTree numbers the listed messages 0, 1, ...: map them back.
  auto remap = [&](auto& self, TreeShape& node) -> void {
    for (TreeShape& c : node.firstChild) self(self, c);
    for (TreeShape::Entry& e : node.entries) {
      e.message = listed[e.message];
      for (TreeShape& c : e.child) self(self, c);
    }
  };
  remap(remap, shape);
  return shape;
}

class NodeWriter {
 public:
  NodeWriter(std::string& out, const std::vector<uint32_t>& records, uint32_t capacity,
             uint64_t base = 0)
      : out_(out), records_(records), capacity_(capacity), base_(base) {}

  // Reserves the node and its subtree (parents before children) and writes them.
  uint32_t write(const TreeShape& shape, uint32_t parent) {
    if (shape.entries.size() > 255) throw std::length_error("more than 255 entries in a node");
    const uint32_t p = CurrentOffset(out_, base_);
    const uint64_t node = p - base_;
    const size_t slots = std::max<size_t>(capacity_, shape.entries.size());
    out_.resize(node + kNodeEntries + kNodeEntrySize * slots, '\0');
    nodeOffsets.push_back(p);
    PutU32(out_, node, p);
    PutU32(out_, node + 0x0C, parent);
    PutU8(out_, node + kNodeEntryCount, static_cast<uint8_t>(shape.entries.size()));
    if (!shape.firstChild.empty()) {
      PutU32(out_, node + kNodeFirstChildValues, static_cast<uint32_t>(ValueCount(shape.firstChild[0])));
      PutU32(out_, node + kNodeFirstChild, write(shape.firstChild[0], p));
    }
    for (size_t k = 0; k < shape.entries.size(); ++k) {
      const TreeShape::Entry& e = shape.entries[k];
      const uint64_t at = node + kNodeEntries + kNodeEntrySize * k;
      PutU32(out_, at + kEntryValue, records_.at(e.message));
      if (!e.child.empty()) {
        PutU32(out_, at + kEntryChildValues, static_cast<uint32_t>(ValueCount(e.child[0])));
        PutU32(out_, at + kEntryChild, write(e.child[0], p));
      }
    }
    return p;
  }

  std::vector<uint32_t> nodeOffsets;

 private:
  std::string& out_;
  const std::vector<uint32_t>& records_;
  uint32_t capacity_;
  uint64_t base_;
};

}  // namespace

uint64_t FileTimeFromUnix(int64_t unixSeconds) { return quernel::FileTimeFromUnix(unixSeconds).value(); }

uint32_t DbxBuilder::add(TestMessage message) {
  messages_.push_back(std::move(message));
  return static_cast<uint32_t>(messages_.size() - 1);
}

DbxBuilder& DbxBuilder::nodeCapacity(uint32_t entries) {
  nodeCapacity_ = std::clamp<uint32_t>(entries, 1, 255);
  return *this;
}

DbxBuilder& DbxBuilder::tree(TreeShape shape) {
  tree_ = std::move(shape);
  return *this;
}

DbxBuilder& DbxBuilder::headerEntryCount(uint32_t count) {
  headerEntryCount_ = count;
  return *this;
}

DbxBuilder& DbxBuilder::linkDeleted() {
  linkDeleted_ = true;
  return *this;
}

DbxBuilder& DbxBuilder::headerSize(uint32_t bytes) {
  headerSize_ = std::max<uint32_t>(bytes, kHeaderRootNode + 4);
  return *this;
}

DbxBuilder& DbxBuilder::signature(std::string bytes) {
  signature_ = std::move(bytes);
  return *this;
}

BuiltMailbox DbxBuilder::build() const {
  BuiltMailbox built;
  std::string& out = built.bytes;
  out.assign(headerSize_, '\0');
  out.replace(0, kSignatureSize, signature_.empty() ? MailboxSignature() : signature_);
  std::vector<const std::vector<uint32_t>*> deleted;
  for (const TestMessage& m : messages_) {
    WrittenMessage written = AppendMessage(out, m);
    built.blockOffsets.push_back(std::move(written.blocks));
    built.olderRecordOffsets.push_back(std::move(written.olderRecords));
    built.recordOffsets.push_back(written.record);
  }
  for (size_t k = 0; k < messages_.size(); ++k) {
    if (messages_[k].deleted) deleted.push_back(&built.blockOffsets[k]);
  }
  if (linkDeleted_) LinkFreeChunks(out, deleted);
  const TreeShape shape = tree_ ? *tree_ : IndexedTree(messages_, nodeCapacity_);
  const size_t values = ValueCount(shape);
  NodeWriter nodes(out, built.recordOffsets, tree_ ? 0 : nodeCapacity_);
  if (values > 0 || tree_) PutU32(out, kHeaderRootNode, nodes.write(shape, 0));
  built.nodeOffsets = std::move(nodes.nodeOffsets);
  PutU32(out, kHeaderEntryCount, headerEntryCount_.value_or(static_cast<uint32_t>(values)));
  return built;
}

DbxStreamWriter::DbxStreamWriter(const std::string& path, uint32_t nodeCapacity)
    : file_(path, std::ios::binary | std::ios::trunc),
      nodeCapacity_(std::clamp<uint32_t>(nodeCapacity, 1, 255)) {
  if (!file_) throw std::runtime_error("cannot create " + path);
  append(std::string(kHeaderSize, '\0'));  // written for real by finish()
}

void DbxStreamWriter::add(const TestMessage& message) {
  std::string out;
  const WrittenMessage written = AppendMessage(out, message, size_);
  if (message.inIndex && !message.deleted) recordOffsets_.push_back(written.record);
  append(out);
}

void DbxStreamWriter::skipTo(uint64_t offset) {
  if (offset < size_ || offset > 0xFFFFFFFFu) throw std::length_error("cannot skip to that offset");
  file_.seekp(static_cast<std::streamoff>(offset));
  size_ = offset;
}

void DbxStreamWriter::finish() {
  std::string header(kHeaderSize, '\0');
  header.replace(0, kSignatureSize, MailboxSignature());
  PutU32(header, kHeaderEntryCount, static_cast<uint32_t>(recordOffsets_.size()));
  if (!recordOffsets_.empty()) {
    std::string nodes;
    NodeWriter writer(nodes, recordOffsets_, nodeCapacity_, size_);
    PutU32(header, kHeaderRootNode,
           writer.write(AutomaticTree(0, recordOffsets_.size(), nodeCapacity_), 0));
    append(nodes);
  }
  file_.seekp(0);
  file_.write(header.data(), static_cast<std::streamsize>(header.size()));
  file_.close();
  if (!file_) throw std::runtime_error("mailbox not written whole");
}

void DbxStreamWriter::append(const std::string& bytes) {
  file_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  size_ += bytes.size();
}

void DestroyIndex(BuiltMailbox& built) {
  for (uint32_t node : built.nodeOffsets) {
    const uint64_t end = std::min<uint64_t>(built.bytes.size(), uint64_t{node} + kNodeEntries +
                                                                    kNodeEntrySize * kNodeMaxEntries);
    std::fill(built.bytes.begin() + node, built.bytes.begin() + static_cast<ptrdiff_t>(end), '\0');
  }
}

void PutU8(std::string& bytes, uint64_t offset, uint8_t value) { PutBytes(bytes, offset, value, 1); }
void PutU16(std::string& bytes, uint64_t offset, uint16_t value) { PutBytes(bytes, offset, value, 2); }
void PutU32(std::string& bytes, uint64_t offset, uint32_t value) { PutBytes(bytes, offset, value, 4); }

std::string MailboxSignature() {
  return LittleEndian(kSignatureMagic, 4) + LittleEndian(kSignatureMessages, 4) +
         LittleEndian(kSignatureWord2, 4) + LittleEndian(kSignatureWord3, 4);
}

std::string FolderListSignature() {
  return LittleEndian(kSignatureMagic, 4) + LittleEndian(kSignatureFolders, 4) +
         LittleEndian(kSignatureWord2, 4) + LittleEndian(kSignatureWord3, 4);
}

std::string OldVersionSignature() {
  return LittleEndian(kOldVersionMagic, 4) + LittleEndian(kOldVersionWord1, 4) +
         std::string(8, '\0');
}

}  // namespace quernel::testing
