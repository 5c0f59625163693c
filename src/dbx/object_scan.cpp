#include "dbx/object_scan.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "dbx/file_window.h"
#include "dbx/layout.h"
#include "dbx/scan_bytes.h"

namespace quernel::dbx {

namespace {

constexpr size_t kPieceSize = 2 << 20;
// Bytes past a piece's end that must be at hand to judge an object starting
// in it: a record's 255 property entries, a whole free chunk, and mostly the
// data word that holds a record's text start.
constexpr size_t kLookahead = 4096;
// Objects start below 4 GiB: their own offsets are u32.
constexpr uint64_t kOffsetLimit = uint64_t{1} << 32;
// Larger bodies are taken for noise; the u24 property values cannot reach
// further into a record anyway.
constexpr uint32_t kMaxRecordBody = (1u << 24) + kRecordProperties + kPropertyEntrySize * 255;
constexpr uint64_t kRecordDataWindow = 1024;

// The identity on bytes: the low byte of each of 256 consecutive offsets.
constexpr std::array<uint8_t, 256> LowBytes() {
  std::array<uint8_t, 256> table{};
  for (size_t k = 0; k < table.size(); ++k) table[k] = static_cast<uint8_t>(k);
  return table;
}
constexpr std::array<uint8_t, 256> kLowBytes = LowBytes();

// Calls visit(i) for every i < count where the u32 at data + i equals
// base + i. Needs count + 3 bytes at `data`. A word can only equal its own
// offset if its two low bytes do; within 64 offsets that start on a multiple
// of 64 the second byte is the same for all, so the first test runs on 64
// bytes at once (the compiler turns the loop into vector compares).
template <class Visit>
void FindOwnOffsets(const uint8_t* data, size_t count, uint64_t base, Visit&& visit) {
  auto exact = [&](size_t i) {
    if (LoadU32(data + i) == static_cast<uint32_t>(base + i)) visit(i);
  };
  size_t i = 0;
  for (; i < count && (base + i) % 64 != 0; ++i) exact(i);
  for (; i + 64 <= count; i += 64) {
    const uint8_t* d = data + i;
    const uint8_t* low = kLowBytes.data() + (base + i) % 256;
    const uint8_t second = static_cast<uint8_t>((base + i) >> 8);
    uint8_t any = 0;
    for (size_t k = 0; k < 64; ++k) any |= static_cast<uint8_t>((d[k] == low[k]) & (d[k + 1] == second));
    if (any) {
      for (size_t k = 0; k < 64; ++k) exact(i + k);
    }
  }
  for (; i < count; ++i) exact(i);
}

class ObjectScan {
 public:
  ObjectScan(InputFile& file, uint64_t from) : file_(file), from_(from) {}

  FoundObjects run() {
    FileWindow window(file_);
    const uint64_t length = window.length();
    const uint64_t end = std::min(length, kOffsetLimit);
    if (from_ >= end) return {};
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min<uint64_t>(kPieceSize + kLookahead, length - from_)));
    for (uint64_t position = from_; position < end; position += kPieceSize) {
      const size_t wanted = static_cast<size_t>(std::min<uint64_t>(buffer.size(), length - position));
      // readAt reads all it is asked for unless the file ends first.
      size_ = file_.readAt(position, buffer.data(), wanted);
      if (size_ < 4) break;
      data_ = buffer.data();
      position_ = position;
      const size_t count = static_cast<size_t>(std::min<uint64_t>({kPieceSize, end - position, size_ - 3}));
      FindOwnOffsets(data_, count, position, [this](size_t i) { classify(i); });
    }
    resolvePendingTextStarts();
    found_.liveBlocks.finish();
    found_.freeChunks.finish();
    return std::move(found_);
  }

 private:
  void classify(size_t i) {
    const uint64_t offset = position_ + i;
    if (offset < skipUntil_) return;  // inside a block found before
    const uint8_t* p = data_ + i;
    const size_t available = size_ - i;
    if (available < kBlockHeaderSize) return;
    const uint32_t second = LoadU32(p + 4);
    if (second == kBlockTextCapacity) {
      addLiveBlock(p, offset);
    } else if (second == kFreeChunkUsable && LoadU32(p + kFreeChunkSizeField) == kFreeChunkSize) {
      addFreeChunk(p, offset, available);
    } else {
      addRecord(p, offset, available);
    }
  }

  void addLiveBlock(const uint8_t* p, uint64_t offset) {
    const uint16_t length = LoadU16(p + kBlockTextLength);
    if (length == 0 || length > kBlockTextCapacity) return;
    found_.liveBlocks.add(static_cast<uint32_t>(offset), LoadU32(p + kBlockNext));
    skipUntil_ = offset + kBlockHeaderSize + length;
  }

  void addFreeChunk(const uint8_t* p, uint64_t offset, size_t available) {
    found_.freeChunks.add(static_cast<uint32_t>(offset), LoadU32(p + kFreeChunkNext));
    // A chunk cut off by the end of the file shows no padding.
    if (available >= kFreeChunkSize && p[kFreeChunkSize - 1] == 0) {
      found_.freeChunkEnds.push_back(static_cast<uint32_t>(offset));
    }
    skipUntil_ = offset + kFreeChunkSize;
  }

  void addRecord(const uint8_t* p, uint64_t offset, size_t available) {
    const uint8_t count = p[kRecordPropertyCount];
    const size_t entriesEnd = kRecordProperties + kPropertyEntrySize * count;
    if (count == 0 || available < entriesEnd) return;
    const uint32_t body = LoadU32(p + kRecordLength);
    if (body < kPropertyEntrySize * count || body > kMaxRecordBody) return;
    std::optional<std::pair<uint8_t, uint32_t>> link;  // the first text entry
    for (size_t j = 0; j < count; ++j) {
      const uint32_t entry = LoadU32(p + kRecordProperties + kPropertyEntrySize * j);
      const uint8_t id = static_cast<uint8_t>(entry & 0xFF);
      const uint32_t value = entry >> 8;
      if (!(id & kDirectPropertyBit) && value >= body) return;  // data outside the record
      if (!link && (id == kPropTextDirect || id == kPropTextIndirect)) link.emplace(id, value);
    }
    if (!link) return;
    const uint32_t record = static_cast<uint32_t>(offset);
    if (link->first == kPropTextDirect) return addRecordWithStart(record, link->second);
    const uint64_t data = offset + entriesEnd + link->second;
    if (data + 4 <= position_ + size_) return addRecordWithStart(record, LoadU32(data_ + (data - position_)));
    pending_.emplace_back(found_.records.size(), data);  // read after the scan
    found_.records.push_back({record, 0});
  }

  void addRecordWithStart(uint32_t record, uint32_t textStart) {
    if (textStart != 0) found_.records.push_back({record, textStart});
  }

  void resolvePendingTextStarts() {
    if (pending_.empty()) return;
    FileWindow window(file_, kRecordDataWindow);
    for (const auto& [index, data] : pending_) {
      if (data + 4 <= window.length()) found_.records[index].textStart = window.u32(data);
    }
    std::erase_if(found_.records, [](const FoundRecord& r) { return r.textStart == 0; });
  }

  InputFile& file_;
  const uint64_t from_;
  FoundObjects found_;
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  uint64_t position_ = 0;
  uint64_t skipUntil_ = 0;
  std::vector<std::pair<size_t, uint64_t>> pending_;  // (record, data offset)
};

}  // namespace

FoundObjects ScanObjects(InputFile& file, uint64_t from) { return ObjectScan(file, from).run(); }

}  // namespace quernel::dbx
