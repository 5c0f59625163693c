#include "dbx/file_window.h"

#include <algorithm>
#include <cstring>

namespace quernel::dbx {

namespace {
// Windows start on this boundary (or an eighth of a smaller window), so
// that a structure read just before the current window's start usually
// lands in the next load as well.
constexpr uint64_t kAlignment = 4096;
}  // namespace

FileWindow::FileWindow(InputFile& file, size_t windowSize)
    : file_(file), length_(file.length()), windowSize_(windowSize) {}

uint8_t FileWindow::u8(uint64_t offset) { return static_cast<uint8_t>(little(offset, 1)); }
uint16_t FileWindow::u16(uint64_t offset) { return static_cast<uint16_t>(little(offset, 2)); }
uint32_t FileWindow::u32(uint64_t offset) { return static_cast<uint32_t>(little(offset, 4)); }
uint64_t FileWindow::u64(uint64_t offset) { return little(offset, 8); }

uint64_t FileWindow::little(uint64_t offset, int width) {
  uint64_t value = 0;
  const std::string_view here = bytesAt(offset);
  if (here.size() >= static_cast<size_t>(width)) {
    for (int i = 0; i < width; ++i) {
      value |= static_cast<uint64_t>(static_cast<uint8_t>(here[i])) << (8 * i);
    }
    return value;
  }
  for (int i = 0; i < width; ++i) {  // straddles the window's end or the file's
    const std::string_view bytes = bytesAt(offset + i);
    if (bytes.empty()) break;  // the end of the file: the rest reads as zero
    value |= static_cast<uint64_t>(static_cast<uint8_t>(bytes[0])) << (8 * i);
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

size_t FileWindow::copy(uint64_t offset, char* dest, size_t size) {
  if (offset >= length_) return 0;
  size = static_cast<size_t>(std::min<uint64_t>(size, length_ - offset));
  if (size >= windowSize_) return readFully(offset, dest, size);
  size_t done = 0;
  while (done < size) {
    const std::string_view bytes = bytesAt(offset + done);
    if (bytes.empty()) break;
    const size_t n = std::min(bytes.size(), size - done);
    std::memcpy(dest + done, bytes.data(), n);
    done += n;
  }
  return done;
}

void FileWindow::load(uint64_t offset) {
  if (buffer_.empty()) buffer_.resize(windowSize_);
  const uint64_t alignment = std::clamp<uint64_t>(windowSize_ / 8, 1, kAlignment);
  start_ = offset - offset % alignment;
  filled_ = readFully(start_, buffer_.data(), buffer_.size());
  // A file that ends sooner than its length said is taken as that short.
  if (start_ + filled_ <= offset) length_ = start_ + filled_;
}

size_t FileWindow::readFully(uint64_t offset, char* dest, size_t size) {
  size_t done = 0;
  while (done < size) {
    const size_t n = file_.readAt(offset + done, dest + done, size - done);
    if (n == 0) break;
    done += n;
  }
  return done;
}

}  // namespace quernel::dbx
