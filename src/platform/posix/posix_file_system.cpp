// The FileSystem of Linux and other POSIX systems.
//
// Exclusive access is built from advisory locks: an input holds a shared
// flock, an output an exclusive one, and only EWOULDBLOCK means that another
// process holds the file; where a file system has no locks, files are used
// without them. Every file is opened with O_NONBLOCK and checked with fstat,
// so a FIFO or a device gives a failure instead of a hang.

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "platform/file_system.h"
#include "platform/posix/errno_cause.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_pattern.h"

namespace quernel {

namespace {

// Closes a descriptor unless released; keeps the failure paths short.
class DescriptorGuard {
 public:
  explicit DescriptorGuard(int fd) : fd_(fd) {}
  ~DescriptorGuard() {
    if (fd_ >= 0) ::close(fd_);
  }
  DescriptorGuard(const DescriptorGuard&) = delete;
  DescriptorGuard& operator=(const DescriptorGuard&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

enum class LockOutcome { Held, HeldByAnother, Unsupported };

LockOutcome LockWithoutWaiting(int fd, int kind) {
  if (RetryOnInterrupt([&] { return ::flock(fd, kind | LOCK_NB); }) == 0) return LockOutcome::Held;
  return errno == EWOULDBLOCK ? LockOutcome::HeldByAnother : LockOutcome::Unsupported;
}

// What is being done to a file, for the failure it may raise.
struct Access {
  IoTarget target;
  const char* operation;
};
constexpr Access kOpenInput{IoTarget::Input, "open"};
constexpr Access kCreateOutput{IoTarget::Output, "create"};

int OpenOrThrow(const std::string& path, int flags, Access access) {
  const int fd = RetryOnInterrupt([&] { return ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666); });
  if (fd < 0) throw ErrnoFileError(errno, access.target, access.operation, path);
  return fd;
}

struct stat RegularFileStatusOrThrow(int fd, const std::string& path, Access access) {
  struct stat status;
  if (::fstat(fd, &status) != 0) throw ErrnoFileError(errno, access.target, access.operation, path);
  if (!S_ISREG(status.st_mode)) {
    throw IoError(FileErrorCause::NotRegularFile, access.target, "not a regular file",
                  std::string(access.operation) + " \"" + path + "\"");
  }
  return status;
}

void LockOrThrow(int fd, int kind, const std::string& path, Access access) {
  if (LockWithoutWaiting(fd, kind) == LockOutcome::HeldByAnother) {
    throw IoError(FileErrorCause::SharingViolation, access.target, "held by another process",
                  std::string(access.operation) + " \"" + path + "\"");
  }
}

// Renames when `to` does not exist yet, which needs no check for an open
// input there and saves a stat per Maildir message. False when `to` exists,
// or when the system or file system cannot rename without replacing.
bool RenameToNewName(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EEXIST && errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
    throw ErrnoFileError(errno, IoTarget::Output, "rename", from);
  }
#else
  (void)from;
  (void)to;
#endif
  return false;
}

class PosixFileSystem final : public FileSystem {
 public:
  std::unique_ptr<InputFile> openInput(const std::string& path) override {
    DescriptorGuard fd(OpenOrThrow(path, O_RDONLY, kOpenInput));
    const struct stat status = RegularFileStatusOrThrow(fd.get(), path, kOpenInput);
    LockOrThrow(fd.get(), LOCK_SH, path, kOpenInput);
    return MakePosixInputFile(fd.release(), status, path, openInputs_);
  }

  std::unique_ptr<OutputFile> createNewOutput(const std::string& path) override {
    std::unique_ptr<OutputFile> file = tryCreateNew(path);
    if (!file && errno != EEXIST) throw ErrnoFileError(errno, IoTarget::Output, "create", path);
    return file;
  }

  std::unique_ptr<OutputFile> createOutput(const std::string& path, CreateMode mode) override {
    // Most outputs are new files (one per message for eml); anything else
    // takes the checked way below.
    if (std::unique_ptr<OutputFile> file = tryCreateNew(path)) return file;
    // Not O_TRUNC: the file is emptied only once it is known to be ours.
    DescriptorGuard fd(OpenOrThrow(path, O_WRONLY | O_CREAT, kCreateOutput));
    checkOurs(fd.get(), path);
    if (mode == CreateMode::Truncate) {
      if (RetryOnInterrupt([&] { return ::ftruncate(fd.get(), 0); }) != 0) {
        throw ErrnoFileError(errno, IoTarget::Output, "truncate", path);
      }
    } else if (::lseek(fd.get(), 0, SEEK_END) < 0) {
      throw ErrnoFileError(errno, IoTarget::Output, "seek", path);
    }
    return MakePosixOutputFile(fd.release(), path);
  }

  std::unique_ptr<OutputFile> createReplacement(const std::string& path, const std::string& sidePath) override {
    const struct stat status = checkReplaceable(path);
    // Private until the owner and permission bits of `path` are set.
    const int created = RetryOnInterrupt([&] {
      return ::open(sidePath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NONBLOCK | O_CLOEXEC, 0600);
    });
    if (created < 0) {
      if (errno == EEXIST) return nullptr;
      throw ErrnoFileError(errno, IoTarget::Output, "create", sidePath);
    }
    DescriptorGuard fd(created);
    LockOrThrow(fd.get(), LOCK_EX, sidePath, kCreateOutput);
    // The owner comes first, as changing it clears the set-id bits. Only root
    // may give a file away: anyone else's refused change leaves the file
    // theirs, as the file they had rewritten in place would have been.
    if (::fchown(fd.get(), status.st_uid, status.st_gid) != 0) {
    }
    if (::fchmod(fd.get(), status.st_mode & 07777) != 0) {
      throw ErrnoFileError(errno, IoTarget::Output, "set permissions of", sidePath);
    }
    return MakePosixOutputFile(fd.release(), sidePath);
  }

  void renameFile(const std::string& from, const std::string& to) override {
    if (RenameToNewName(from, to)) return;
    struct stat status;
    if (::stat(to.c_str(), &status) == 0 && openInputs_->contains(status.st_dev, status.st_ino)) {
      throw IoError(FileErrorCause::SharingViolation, IoTarget::Output, "it is an open input", "rename to \"" + to + "\"");
    }
    if (::rename(from.c_str(), to.c_str()) != 0) throw ErrnoFileError(errno, IoTarget::Output, "rename", from);
  }

  bool renameToNewName(const std::string& from, const std::string& to) override {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno == EEXIST) return false;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
      throw ErrnoFileError(errno, IoTarget::Output, "rename", from);
    }
#endif
    // A link is refused where the name exists, in one step as well.
    if (::link(from.c_str(), to.c_str()) == 0) {
      ::unlink(from.c_str());
      return true;
    }
    if (errno == EEXIST) return false;
    struct stat status;
    if (::lstat(to.c_str(), &status) == 0) return false;
    if (::rename(from.c_str(), to.c_str()) != 0) throw ErrnoFileError(errno, IoTarget::Output, "rename", from);
    return true;
  }

  std::optional<Entry> entryAt(const std::string& path) override {
    struct stat status;
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    const EntryKind kind = S_ISREG(status.st_mode)   ? EntryKind::RegularFile
                           : S_ISDIR(status.st_mode) ? EntryKind::Directory
                                                     : EntryKind::Other;
    return Entry{kind, IdentityOf(status)};
  }

  bool createDirectory(const std::string& path) override { return ::mkdir(path.c_str(), 0777) == 0; }

  bool removeFile(const std::string& path) override { return ::unlink(path.c_str()) == 0; }

  bool isRegularFile(const std::string& path) override {
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
  }

  std::vector<std::string> expandPattern(const std::string& pattern) override {
    return ExpandPosixPattern(pattern);
  }

 private:
  // Raises unless `fd` is a regular file that no other process holds and that
  // is none of our inputs; returns its status. Holds its exclusive lock.
  struct stat checkOurs(int fd, const std::string& path) {
    const struct stat status = RegularFileStatusOrThrow(fd, path, kCreateOutput);
    LockOrThrow(fd, LOCK_EX, path, kCreateOutput);
    if (openInputs_->contains(status.st_dev, status.st_ino)) {
      throw IoError(FileErrorCause::SharingViolation, IoTarget::Output, "it is an open input", "create \"" + path + "\"");
    }
    return status;
  }

  // The checks createOutput makes before it empties a file, on an existing
  // one and without changing it.
  struct stat checkReplaceable(const std::string& path) {
    DescriptorGuard fd(OpenOrThrow(path, O_WRONLY, kCreateOutput));
    return checkOurs(fd.get(), path);
  }

  // A file this call creates is a regular file, empty, and none of our
  // inputs, so it needs only its lock. Nothing (with errno set) when the
  // exclusive create fails.
  std::unique_ptr<OutputFile> tryCreateNew(const std::string& path) {
    const int created = RetryOnInterrupt([&] {
      return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NONBLOCK | O_CLOEXEC, 0666);
    });
    if (created < 0) return nullptr;
    DescriptorGuard fd(created);
    LockOrThrow(fd.get(), LOCK_EX, path, kCreateOutput);
    return MakePosixOutputFile(fd.release(), path);
  }

  std::shared_ptr<OpenInputRegistry> openInputs_ = std::make_shared<OpenInputRegistry>();
};

}  // namespace

std::unique_ptr<FileSystem> MakeNativeFileSystem() { return std::make_unique<PosixFileSystem>(); }

}  // namespace quernel
