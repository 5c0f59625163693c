#include <gtest/gtest.h>

#include <string>

#include "dbx/file_window.h"
#include "support/string_input_file.h"

namespace quernel::testing {
namespace {

// Every integer at every offset, through windows small enough that many of
// the reads straddle a window's end, and beyond the end of the file.
TEST(FileWindowTest, ReadsTheSameIntegersWhateverTheWindowSize) {
  std::string bytes;
  for (int k = 0; k < 3000; ++k) bytes += static_cast<char>(k * 37 + k / 256);
  StringInputFile file(bytes);
  auto expected = [&](uint64_t offset, int width) {
    uint64_t value = 0;
    for (int i = 0; i < width && offset + i < bytes.size(); ++i) {
      value |= uint64_t{static_cast<uint8_t>(bytes[offset + i])} << (8 * i);
    }
    return value;
  };
  for (size_t windowSize : {size_t{1}, size_t{7}, size_t{64}, size_t{1024}, dbx::FileWindow::kWindowSize}) {
    dbx::FileWindow window(file, windowSize);
    for (uint64_t offset = 0; offset < bytes.size() + 10; offset += 3) {
      ASSERT_EQ(window.u32(offset), expected(offset, 4)) << windowSize << " at " << offset;
      ASSERT_EQ(window.u64(offset), expected(offset, 8)) << windowSize << " at " << offset;
      ASSERT_EQ(window.u16(offset), expected(offset, 2)) << windowSize << " at " << offset;
    }
    std::string copied(bytes.size(), '\0');
    EXPECT_EQ(window.copy(5, copied.data(), bytes.size()), bytes.size() - 5);
    EXPECT_EQ(copied.substr(0, bytes.size() - 5), bytes.substr(5));
  }
}

}  // namespace
}  // namespace quernel::testing
