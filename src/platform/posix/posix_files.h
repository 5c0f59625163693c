#pragma once
// The POSIX input and output files, and the registry that keeps an output
// from ever landing on one of this process's own open inputs.

#include <sys/stat.h>
#include <sys/types.h>

#include <memory>
#include <utility>
#include <vector>

#include "platform/file_system.h"

namespace quernel {

// The files (device and inode) this process has open as inputs. Shared by the
// file system and its input files, so that either may outlive the other.
class OpenInputRegistry {
 public:
  void add(dev_t device, ino_t inode) { open_.emplace_back(device, inode); }
  void remove(dev_t device, ino_t inode);
  bool contains(dev_t device, ino_t inode) const;

 private:
  std::vector<std::pair<dev_t, ino_t>> open_;  // a handful at most
};

inline FileIdentity IdentityOf(const struct stat& status) {
  return {static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino)};
}

// Takes over `fd`, an open regular file with its shared lock held.
std::unique_ptr<InputFile> MakePosixInputFile(int fd, const struct stat& status, std::string path,
                                              std::shared_ptr<OpenInputRegistry> registry);

// Takes over `fd`, an open regular file with its exclusive lock held.
std::unique_ptr<OutputFile> MakePosixOutputFile(int fd, std::string path);

// Wraps a system call that may be interrupted by a signal.
template <typename Call>
auto RetryOnInterrupt(Call call) {
  decltype(call()) result;
  do {
    result = call();
  } while (result == -1 && errno == EINTR);
  return result;
}

}  // namespace quernel
