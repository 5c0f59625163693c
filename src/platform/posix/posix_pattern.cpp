#include "platform/posix/posix_pattern.h"

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "platform/wildcard.h"

namespace quernel {

namespace {

// The directory part made absolute, so that the listing and the later opens
// see the same directory; nothing when it does not resolve.
std::optional<std::string> ResolvedDirectory(const std::string& pattern, size_t slash) {
  std::string directory;
  if (slash == std::string::npos) {
    directory = ".";
  } else if (slash == 0) {
    directory = "/";
  } else {
    directory = pattern.substr(0, slash);
  }
  std::unique_ptr<char, decltype(&::free)> resolved(::realpath(directory.c_str(), nullptr), &::free);
  if (!resolved) return std::nullopt;
  std::string absolute(resolved.get());
  if (absolute.back() != '/') absolute.push_back('/');
  return absolute;
}

// Decided with stat, which follows symbolic links: a link to a directory is
// a directory, and an entry stat cannot examine is offered like any file.
bool IsDirectory(const std::string& path) {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

// Whether the directory has an entry of this name, as a listing would show it.
bool HasEntry(const std::string& path) {
  struct stat status;
  return ::lstat(path.c_str(), &status) == 0;
}

struct DirectoryCloser {
  void operator()(DIR* listing) const { ::closedir(listing); }
};

std::vector<std::string> MatchingNames(const std::string& directory, const std::string& namePattern) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, DirectoryCloser> listing(::opendir(directory.c_str()));
  if (!listing) return names;
  while (const dirent* entry = ::readdir(listing.get())) {
    std::string name(entry->d_name);
    if (!IsDotEntry(name) && WildcardMatch(namePattern, name)) names.push_back(std::move(name));
  }
  return names;
}

}  // namespace

std::vector<std::string> ExpandPosixPattern(const std::string& pattern) {
  const size_t slash = pattern.rfind('/');
  const std::string namePattern = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  if (namePattern.empty()) return {};
  const std::optional<std::string> directory = ResolvedDirectory(pattern, slash);
  if (!directory) return {};

  std::vector<std::string> names;
  if (HasWildcard(namePattern)) {
    names = MatchingNames(*directory, namePattern);
  } else if (!IsDotEntry(namePattern) && HasEntry(*directory + namePattern)) {
    names.push_back(namePattern);
  }
  std::sort(names.begin(), names.end());

  std::vector<std::string> paths;
  for (const std::string& name : names) {
    std::string path = *directory + name;
    if (!IsDirectory(path)) paths.push_back(std::move(path));
  }
  return paths;
}

}  // namespace quernel
