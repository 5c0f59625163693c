#include <gtest/gtest.h>

#include <string>

#include "dbx/file_window.h"
#include "platform/file_error.h"
#include "support/string_input_file.h"

namespace quernel::testing {
namespace {

// The little-endian value of the `width` bytes at `offset`, the bytes beyond
// the end read as zero, and whether all of them are in `bytes`.
std::pair<uint64_t, bool> Expected(const std::string& bytes, uint64_t offset, int width) {
  uint64_t value = 0;
  for (int i = 0; i < width && offset + i < bytes.size(); ++i) {
    value |= uint64_t{static_cast<uint8_t>(bytes[offset + i])} << (8 * i);
  }
  return {value, offset + width <= bytes.size()};
}

// The offset of the CorruptionError that `read` raises; nothing if none.
template <typename Read>
std::optional<uint64_t> CutOffAt(Read read) {
  try {
    read();
  } catch (const FileError& error) {
    EXPECT_TRUE(error.isCorruption());
    EXPECT_EQ(error.cause(), FileErrorCause::OffsetOutOfRange);
    return error.offset();
  }
  return std::nullopt;
}

// Every integer at every offset, through windows small enough that many of
// the reads straddle a window's end, and beyond the end of the file: the
// strict getters give the value or raise for the field's offset, the
// zero-filling ones read the missing bytes as zero.
TEST(FileWindowTest, FieldsTheFileDoesNotHoldWholeRaiseUnlessZerosAreAskedFor) {
  std::string bytes;
  for (int k = 0; k < 3000; ++k) bytes += static_cast<char>(k * 37 + k / 256);
  StringInputFile file(bytes);
  for (size_t windowSize : {size_t{1}, size_t{7}, size_t{64}, size_t{1024}, dbx::FileWindow::kWindowSize}) {
    dbx::FileWindow window(file, windowSize);
    for (uint64_t offset = 0; offset < bytes.size() + 10; offset += 3) {
      for (int width : {1, 2, 4, 8}) {
        const auto [value, whole] = Expected(bytes, offset, width);
        auto strict = [&, width = width] {
          switch (width) {
            case 1: return uint64_t{window.u8(offset)};
            case 2: return uint64_t{window.u16(offset)};
            case 4: return uint64_t{window.u32(offset)};
            default: return window.u64(offset);
          }
        };
        if (whole) {
          ASSERT_EQ(strict(), value) << windowSize << " at " << offset << " width " << width;
        } else {
          ASSERT_EQ(CutOffAt(strict), std::optional(offset)) << windowSize << " at " << offset;
        }
        ASSERT_EQ(window.holds(offset, width), whole) << offset;
      }
      ASSERT_EQ(window.u32OrZero(offset), Expected(bytes, offset, 4).first) << windowSize << " at " << offset;
      ASSERT_EQ(window.u8OrZero(offset), Expected(bytes, offset, 1).first) << windowSize << " at " << offset;
    }
  }
}

}  // namespace
}  // namespace quernel::testing
