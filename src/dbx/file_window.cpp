#include "dbx/file_window.h"

#include <algorithm>

#include "platform/file_error.h"

namespace quernel::dbx {

namespace {
// Windows start on this boundary (or an eighth of a smaller window), so
// that a structure read just before the current window's start usually
// lands in the next load as well.
constexpr uint64_t kAlignment = 4096;
}  // namespace

FileWindow::FileWindow(InputFile& file, size_t windowSize)
    : file_(file), length_(file.length()), windowSize_(windowSize) {}

uint8_t FileWindow::u8(uint64_t offset) { return static_cast<uint8_t>(whole(offset, 1)); }
uint16_t FileWindow::u16(uint64_t offset) { return static_cast<uint16_t>(whole(offset, 2)); }
uint32_t FileWindow::u32(uint64_t offset) { return static_cast<uint32_t>(whole(offset, 4)); }
uint64_t FileWindow::u64(uint64_t offset) { return whole(offset, 8); }

uint8_t FileWindow::u8OrZero(uint64_t offset) { return static_cast<uint8_t>(zeroFilled(offset, 1)); }
uint32_t FileWindow::u32OrZero(uint64_t offset) { return static_cast<uint32_t>(zeroFilled(offset, 4)); }

uint64_t FileWindow::whole(uint64_t offset, int width) {
  int held = 0;
  const uint64_t value = gather(offset, width, held);
  if (held < width) {
    throw CorruptionError(FileErrorCause::OffsetOutOfRange, offset, "field cut off by the end of the file");
  }
  return value;
}

uint64_t FileWindow::zeroFilled(uint64_t offset, int width) {
  int held = 0;
  return gather(offset, width, held);
}

uint64_t FileWindow::gather(uint64_t offset, int width, int& held) {
  uint64_t value = 0;
  const std::string_view here = bytesAt(offset);
  if (here.size() >= static_cast<size_t>(width)) {
    for (int i = 0; i < width; ++i) {
      value |= static_cast<uint64_t>(static_cast<uint8_t>(here[i])) << (8 * i);
    }
    held = width;
    return value;
  }
  held = 0;
  for (int i = 0; i < width; ++i) {  // straddles the window's end or the file's
    const std::string_view bytes = bytesAt(offset + i);
    if (bytes.empty()) break;  // the end of the file
    value |= static_cast<uint64_t>(static_cast<uint8_t>(bytes[0])) << (8 * i);
    ++held;
  }
  return value;
}

std::string_view FileWindow::bytesAt(uint64_t offset) {
  if (offset >= length_) return {};
  if (offset < start_ || offset >= start_ + filled_) {
    load(offset);
    if (offset >= start_ + filled_) return {};
  }
  const size_t skip = static_cast<size_t>(offset - start_);
  return std::string_view(buffer_.data() + skip, filled_ - skip);
}

void FileWindow::load(uint64_t offset) {
  if (buffer_.empty()) buffer_.resize(windowSize_);
  const uint64_t alignment = std::clamp<uint64_t>(windowSize_ / 8, 1, kAlignment);
  start_ = offset - offset % alignment;
  // readAt reads all it is asked for unless the file ends first.
  filled_ = file_.readAt(start_, buffer_.data(), buffer_.size());
  // A file that ends sooner than its length said is taken as that short.
  if (start_ + filled_ <= offset) length_ = start_ + filled_;
}

}  // namespace quernel::dbx
