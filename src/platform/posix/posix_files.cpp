#include "platform/posix/posix_files.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <limits>

#include "platform/posix/errno_cause.h"
#include "platform/file_time.h"

namespace quernel {

void OpenInputRegistry::remove(dev_t device, ino_t inode) {
  auto it = std::find(open_.begin(), open_.end(), std::make_pair(device, inode));
  if (it != open_.end()) open_.erase(it);
}

bool OpenInputRegistry::contains(dev_t device, ino_t inode) const {
  return std::find(open_.begin(), open_.end(), std::make_pair(device, inode)) != open_.end();
}

namespace {

// Linux moves at most about 2 GiB per call; smaller requests keep every
// count well inside ssize_t on any system.
constexpr size_t kLargestTransfer = size_t{1} << 30;

class PosixInputFile final : public InputFile {
 public:
  PosixInputFile(int fd, const struct stat& status, std::string path,
                 std::shared_ptr<OpenInputRegistry> registry)
      : fd_(fd),
        device_(status.st_dev),
        inode_(status.st_ino),
        length_(static_cast<uint64_t>(status.st_size)),
        path_(std::move(path)),
        registry_(std::move(registry)) {
    registry_->add(device_, inode_);
  }

  ~PosixInputFile() override {
    registry_->remove(device_, inode_);
    ::close(fd_);
  }

  size_t readAt(uint64_t offset, void* buffer, size_t size) override {
    char* bytes = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < size) {
      const uint64_t position = offset + done;
      if (position < offset || position > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) {
        break;  // beyond any file's end
      }
      const size_t request = std::min(size - done, kLargestTransfer);
      const ssize_t got = RetryOnInterrupt(
          [&] { return ::pread(fd_, bytes + done, request, static_cast<off_t>(position)); });
      if (got < 0) throw ErrnoFileError(errno, IoTarget::Input, "read", path_);
      if (got == 0) break;
      done += static_cast<size_t>(got);
    }
    return done;
  }

  uint64_t length() const override { return length_; }

  const std::string& path() const override { return path_; }

  std::optional<FileTimeTicks> lastWriteTime() const override {
    struct stat status;
    if (::fstat(fd_, &status) != 0) return std::nullopt;
    return FileTimeFromUnix(status.st_mtim.tv_sec, static_cast<uint32_t>(status.st_mtim.tv_nsec));
  }

 private:
  int fd_;
  dev_t device_;
  ino_t inode_;
  uint64_t length_;
  std::string path_;
  std::shared_ptr<OpenInputRegistry> registry_;
};

class PosixOutputFile final : public OutputFile {
 public:
  PosixOutputFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

  ~PosixOutputFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  void write(std::span<const std::string_view> pieces) override {
    std::vector<iovec> vectors;
    vectors.reserve(pieces.size());
    for (std::string_view piece : pieces) {
      if (!piece.empty()) vectors.push_back({const_cast<char*>(piece.data()), piece.size()});
    }
    size_t next = 0;
    while (next < vectors.size()) {
      const int count = static_cast<int>(std::min<size_t>(vectors.size() - next, IOV_MAX));
      const ssize_t written = RetryOnInterrupt([&] { return ::writev(fd_, &vectors[next], count); });
      if (written < 0) throw ErrnoFileError(errno, IoTarget::Output, "write", path_);
      if (written == 0) {
        throw IoError(FileErrorCause::DiskFull, IoTarget::Output, "nothing stored", "write \"" + path_ + "\"");
      }
      next = SkipWritten(vectors, next, static_cast<size_t>(written));
    }
  }

  bool stamp(int64_t unixSeconds) override {
    if (unixSeconds < std::numeric_limits<time_t>::min() ||
        unixSeconds > std::numeric_limits<time_t>::max()) {
      return false;
    }
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;  // the access time stays
    times[1].tv_sec = static_cast<time_t>(unixSeconds);
    times[1].tv_nsec = 0;
    return ::futimens(fd_, times) == 0;
  }

  void close() override {
    if (fd_ < 0) return;
    const int fd = fd_;
    fd_ = -1;
    // After EINTR the descriptor is gone on Linux and cannot be closed again.
    if (::close(fd) != 0 && errno != EINTR) throw ErrnoFileError(errno, IoTarget::Output, "close", path_);
  }

  FileIdentity identity() override {
    struct stat status;
    if (fd_ < 0) throw IoError(FileErrorCause::PlatformOther, IoTarget::Output, "the file is closed", "identity of \"" + path_ + "\"");
    if (::fstat(fd_, &status) != 0) throw ErrnoFileError(errno, IoTarget::Output, "status of", path_);
    return IdentityOf(status);
  }

 private:
  // Drops what a write stored from the front of `vectors`; returns the index
  // of the first piece not yet written whole.
  static size_t SkipWritten(std::vector<iovec>& vectors, size_t next, size_t written) {
    while (written > 0 && written >= vectors[next].iov_len) {
      written -= vectors[next].iov_len;
      ++next;
    }
    if (written > 0) {
      vectors[next].iov_base = static_cast<char*>(vectors[next].iov_base) + written;
      vectors[next].iov_len -= written;
    }
    return next;
  }

  int fd_;
  std::string path_;
};

}  // namespace

std::unique_ptr<InputFile> MakePosixInputFile(int fd, const struct stat& status, std::string path,
                                              std::shared_ptr<OpenInputRegistry> registry) {
  return std::make_unique<PosixInputFile>(fd, status, std::move(path), std::move(registry));
}

std::unique_ptr<OutputFile> MakePosixOutputFile(int fd, std::string path) {
  return std::make_unique<PosixOutputFile>(fd, std::move(path));
}

}  // namespace quernel
