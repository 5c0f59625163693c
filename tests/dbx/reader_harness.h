#pragma once
// Shared helpers for the reader tests: a reader over bytes in memory, and the
// cause of the FileError an action raises.

#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "dbx/mailbox_reader.h"
#include "platform/file_error.h"
#include "platform/host.h"
#include "support/dbx_builder.h"
#include "support/string_input_file.h"

namespace quernel::testing {

// The file comes first, so it outlives the reader that borrows it.
struct ReaderOver {
  explicit ReaderOver(std::string bytes) : file(std::move(bytes)), reader(file, SystemHost().calendar) {}
  StringInputFile file;
  MailboxReader reader;
};

// The cause of the FileError `action` raises; nothing when it raises none.
inline std::optional<FileErrorCause> FileErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const FileError& e) {
    return e.cause();
  }
  return std::nullopt;
}

inline std::optional<FileErrorCause> OpeningFails(const std::string& bytes) {
  return FileErrorOf([&] { ReaderOver opened(bytes); });
}

// The FileError that opening a reader over `bytes` raises; nothing if none.
inline std::optional<FileError> OpeningError(const std::string& bytes) {
  try {
    ReaderOver opened(bytes);
  } catch (const FileError& e) {
    return e;
  }
  return std::nullopt;
}

inline TestMessage WithSubject(std::string subject, std::string text = "Subject: x\r\n\r\nbody\r\n") {
  TestMessage m;
  m.subject = std::move(subject);
  m.text = std::move(text);
  return m;
}

}  // namespace quernel::testing
