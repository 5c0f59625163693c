#pragma once
// StringInputFile: an InputFile over bytes in memory, for reader tests and
// fuzzers. It counts its reads, so tests can check how often a reader goes
// to the file.

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "platform/file_system.h"

namespace quernel::testing {

class StringInputFile : public InputFile {
 public:
  explicit StringInputFile(std::string bytes, std::string path = "/mail/Test.dbx")
      : bytes_(std::move(bytes)), path_(std::move(path)) {}

  size_t readAt(uint64_t offset, void* buffer, size_t size) override {
    ++readCount_;
    if (offset >= bytes_.size()) return 0;
    const size_t n = std::min<uint64_t>(size, bytes_.size() - offset);
    std::memcpy(buffer, bytes_.data() + offset, n);
    return n;
  }
  uint64_t length() const override { return bytes_.size(); }
  const std::string& path() const override { return path_; }
  std::optional<FileTimeTicks> lastWriteTime() const override { return lastWriteTime_; }

  void setPath(std::string path) { path_ = std::move(path); }
  void setLastWriteTime(std::optional<FileTimeTicks> ticks) { lastWriteTime_ = ticks; }
  size_t readCount() const { return readCount_; }

 private:
  std::string bytes_;
  std::string path_;
  std::optional<FileTimeTicks> lastWriteTime_;
  size_t readCount_ = 0;
};

}  // namespace quernel::testing
