#pragma once
// Small helpers shared by the file-system tests.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace quernel::testing {

// The cause of the FileError that `call` raises; a test failure if none.
template <typename Call>
FileErrorCause CauseOf(Call call) {
  try {
    call();
  } catch (const FileError& error) {
    return error.cause();
  }
  ADD_FAILURE() << "no FileError raised";
  return FileErrorCause::Unspecified;
}

// The FileError that `call` raises; nothing if none.
template <typename Call>
std::optional<FileError> ErrorOf(Call call) {
  try {
    call();
  } catch (const FileError& error) {
    return error;
  }
  return std::nullopt;
}

inline void WriteWholeFile(FileSystem& fs, const std::string& path, std::string_view bytes) {
  std::unique_ptr<OutputFile> file = fs.createOutput(path, CreateMode::Truncate);
  file->write(bytes);
  file->close();
}

// Reads past the recorded length too, so that a file grown since shows.
inline std::string ReadWholeFile(FileSystem& fs, const std::string& path) {
  std::unique_ptr<InputFile> file = fs.openInput(path);
  std::string bytes(file->length() + 10, '\0');
  bytes.resize(file->readAt(0, bytes.data(), bytes.size()));
  return bytes;
}

}  // namespace quernel::testing
