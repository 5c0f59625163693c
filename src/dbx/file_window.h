#pragma once
// FileWindow: bounds-checked little-endian reads from an InputFile through
// one large buffer. Mailbox structures sit close together (a message's blocks
// follow one another), so most field reads are served from memory and the
// file sees one large read per window instead of one per field.
//
// Bytes beyond the end of the file read as zero in the integer getters; the
// callers decide where that is right and check offsets against length()
// where the layout demands it.

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

  uint8_t u8(uint64_t offset);
  uint16_t u16(uint64_t offset);
  uint32_t u32(uint64_t offset);
  uint64_t u64(uint64_t offset);

  // The bytes from `offset` on that the window holds after loading it there:
  // at least one byte when offset < length(), empty at or beyond the end.
  // Valid until the next call.
  std::string_view bytesAt(uint64_t offset);

  // Copies up to `size` bytes at `offset` into `dest`, stopping at the end of
  // the file; returns how many were copied. Large pieces bypass the window.
  size_t copy(uint64_t offset, char* dest, size_t size);

 private:
  uint64_t little(uint64_t offset, int width);
  void load(uint64_t offset);
  size_t readFully(uint64_t offset, char* dest, size_t size);

  InputFile& file_;
  uint64_t length_;
  size_t windowSize_;
  std::vector<char> buffer_;
  uint64_t start_ = 0;  // file offset of buffer_[0]
  size_t filled_ = 0;   // valid bytes in buffer_
};

}  // namespace quernel::dbx
