#include "dbx/shifted_file.h"

#include <algorithm>
#include <cstring>

namespace quernel::dbx {

namespace {

uint64_t ShiftedLength(uint64_t length, int64_t shift) {
  if (shift >= 0) return length + static_cast<uint64_t>(shift);
  const uint64_t gained = static_cast<uint64_t>(-shift);
  return length > gained ? length - gained : 0;
}

}  // namespace

ShiftedInputFile::ShiftedInputFile(InputFile& file, int64_t shift)
    : file_(file), shift_(shift), length_(ShiftedLength(file.length(), shift)) {}

size_t ShiftedInputFile::readAt(uint64_t offset, void* buffer, size_t size) {
  if (offset >= length_) return 0;
  size = static_cast<size_t>(std::min<uint64_t>(size, length_ - offset));
  char* out = static_cast<char*>(buffer);
  size_t done = 0;
  if (shift_ > 0 && offset < static_cast<uint64_t>(shift_)) {
    done = static_cast<size_t>(std::min<uint64_t>(size, static_cast<uint64_t>(shift_) - offset));
    std::memset(out, 0, done);  // the bytes the file lost
  }
  if (done == size) return done;
  const uint64_t position = static_cast<uint64_t>(static_cast<int64_t>(offset + done) - shift_);
  return done + file_.readAt(position, out + done, size - done);
}

}  // namespace quernel::dbx
