#include "dbx/offset_shift.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "dbx/layout.h"
#include "dbx/scan_bytes.h"

namespace quernel::dbx {

namespace {

constexpr size_t kPieceSize = 1 << 20;
constexpr size_t kOverlap = 16;  // a block header that starts at a piece's end
// This many blocks agreeing settle the question; a real file has thousands.
constexpr uint32_t kSettlingVotes = 16;
// Crafted files could offer a new difference at every block: the tally stops
// taking new ones beyond this, so memory stays bounded.
constexpr size_t kMaxDifferences = 4096;

class ShiftVote {
 public:
  void add(int64_t difference) {
    auto it = votes_.find(difference);
    if (it == votes_.end()) {
      if (votes_.size() >= kMaxDifferences) return;
      it = votes_.emplace(difference, 0).first;
    }
    if (++it->second > best_.second) best_ = *it;
  }
  bool settled() const { return best_.second >= kSettlingVotes; }
  int64_t winner() const { return best_.first; }

 private:
  std::unordered_map<int64_t, uint32_t> votes_;
  std::pair<int64_t, uint32_t> best_{0, 0};
};

// Every block and free chunk header holds the byte 0x02 (of 0x200 at +5 or of
// 0x210 at +9), which mail text hardly ever does: memchr finds the candidates
// at memory speed. Headers that start in `data[0, end)` are this piece's;
// `size` bytes are there.
void VoteInPiece(const uint8_t* data, size_t end, size_t size, uint64_t position, ShiftVote& vote) {
  const size_t searched = std::min(size, end + 9);
  for (size_t at = 0; at < searched;) {
    const void* hit = std::memchr(data + at, 0x02, searched - at);
    if (!hit) break;
    const size_t h = static_cast<size_t>(static_cast<const uint8_t*>(hit) - data);
    at = h + 1;
    for (const size_t back : {size_t{5}, size_t{9}}) {
      if (h < back || h - back >= end || h - back + kBlockHeaderSize > size) continue;
      const uint8_t* p = data + h - back;
      const bool live = back == 5 && LoadU32(p + kBlockCapacityField) == kBlockTextCapacity &&
                        LoadU16(p + kBlockTextLength) >= 1 &&
                        LoadU16(p + kBlockTextLength) <= kBlockTextCapacity;
      const bool freed = back == 9 && LoadU32(p + 4) == kFreeChunkUsable &&
                         LoadU32(p + kFreeChunkSizeField) == kFreeChunkSize;
      if (live || freed) vote.add(int64_t{LoadU32(p)} - static_cast<int64_t>(position + h - back));
    }
  }
}

}  // namespace

int64_t DetectOffsetShift(InputFile& file) {
  const uint64_t length = file.length();
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<uint64_t>(kPieceSize + kOverlap, length)));
  ShiftVote vote;
  for (uint64_t position = 0; position < length && !vote.settled(); position += kPieceSize) {
    // readAt reads all it is asked for unless the file ends first.
    const size_t size = file.readAt(position, buffer.data(), buffer.size());
    if (size == 0) break;
    VoteInPiece(buffer.data(), std::min(size, kPieceSize), size, position, vote);
  }
  return vote.winner();
}

}  // namespace quernel::dbx
