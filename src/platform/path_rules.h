#pragma once
// How the host spells paths: the separator, where a path's directory and its
// file name part begin, and which names its file systems refuse. Paths are
// byte strings in the host's encoding. No call fails or changes anything:
// each returns a new string or a verdict. Implementations keep no state of
// their own (a caller owns the object and any rules it was given); nothing
// here is promised to be thread-safe, and the program has one thread.

#include <string>
#include <string_view>

namespace quernel {

class PathRules {
 public:
  virtual ~PathRules() = default;

  // The separator written between a directory and a name ("/" or "\").
  virtual char separator() const = 0;

  // True when `directory` ends in the separator, so that none is to be added.
  virtual bool endsWithSeparator(std::string_view directory) const = 0;

  // The path up to, not including, its last separator; the whole path when
  // it has none (the caller then joins a separator to it).
  virtual std::string directoryPart(std::string_view path) const = 0;

  // The last component of a full path: after its last separator (on Windows
  // also after "/" and ":"); the whole path when it has none.
  virtual std::string fileNamePart(std::string_view path) const = 0;

  // True where the file system refuses the Windows device names (CON, NUL,
  // COM1, ...) and drops dots and spaces at a name's end.
  virtual bool refusesWindowsNames() const = 0;

  // The character between a Maildir message's unique name and its "2,"
  // flags: ":" by the convention, "!" where names cannot hold ":", as
  // Windows Maildir readers expect.
  virtual char maildirInfoSeparator() const = 0;

  // `directory` + separator (unless it already ends in one) + `name`.
  std::string join(std::string_view directory, std::string_view name) const;
};

}  // namespace quernel
