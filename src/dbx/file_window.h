#pragma once
// FileWindow: bounds-checked little-endian reads from an InputFile through
// one large buffer. Mailbox structures sit close together (a message's blocks
// follow one another), so most field reads are served from memory and the
// file sees one large read per window instead of one per field.
//
// A field that the file does not hold whole is never read as if it were:
// the integer getters raise CorruptionError (OffsetOutOfRange, with the
// field's offset) for it. Only the *OrZero getters read missing bytes as
// zero, for the header and record fields that a cut-off file may lack.

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace quernel::dbx {

class FileWindow {
 public:
  static constexpr size_t kWindowSize = 128 * 1024;

  // `windowSize` bytes are read at a time: the default for reading texts, a
  // smaller window for small structures that lie far apart.
  explicit FileWindow(InputFile& file, size_t windowSize = kWindowSize);

  uint64_t length() const { return length_; }

  // True when the `size` bytes from `offset` on all lie within the file.
  bool holds(uint64_t offset, uint64_t size) const { return offset <= length_ && size <= length_ - offset; }

  uint8_t u8(uint64_t offset);
  uint16_t u16(uint64_t offset);
  uint32_t u32(uint64_t offset);
  uint64_t u64(uint64_t offset);

  // The same, with the bytes at or beyond the end of the file read as zero.
  uint8_t u8OrZero(uint64_t offset);
  uint32_t u32OrZero(uint64_t offset);

  // The bytes from `offset` on that the window holds after loading it there:
  // at least one byte when offset < length(), empty at or beyond the end.
  // Valid until the next call.
  std::string_view bytesAt(uint64_t offset);

 private:
  // The `width` bytes at `offset`, little-endian, with the bytes the file
  // does not hold read as zero; `held` tells how many it holds.
  uint64_t gather(uint64_t offset, int width, int& held);
  uint64_t whole(uint64_t offset, int width);
  uint64_t zeroFilled(uint64_t offset, int width);
  void load(uint64_t offset);

  InputFile& file_;
  uint64_t length_;
  size_t windowSize_;
  std::vector<char> buffer_;
  uint64_t start_ = 0;  // file offset of buffer_[0]
  size_t filled_ = 0;   // valid bytes in buffer_
};

}  // namespace quernel::dbx
