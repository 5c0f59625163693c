#include "platform/win32/win32_files.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "platform/file_time.h"
#include "platform/win32/last_error_cause.h"

namespace quernel {

namespace {

// ReadFile and WriteFile count in DWORDs; smaller requests keep every count
// well inside that on both the 32-bit and the 64-bit build.
constexpr size_t kLargestTransfer = size_t{1} << 30;

// Pieces up to this total are joined and stored with one WriteFile call.
constexpr size_t kLargestJoinedWrite = size_t{4} << 20;

class Win32InputFile final : public InputFile {
 public:
  Win32InputFile(HANDLE handle, uint64_t length, std::string path)
      : handle_(handle), length_(length), path_(std::move(path)) {}

  ~Win32InputFile() override { CloseHandle(handle_); }

  size_t readAt(uint64_t offset, void* buffer, size_t size) override {
    char* bytes = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < size) {
      const uint64_t position = offset + done;
      if (position < offset || position > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        break;  // beyond any file's end
      }
      const DWORD request = static_cast<DWORD>(std::min(size - done, kLargestTransfer));
      OVERLAPPED at{};
      at.Offset = static_cast<DWORD>(position);
      at.OffsetHigh = static_cast<DWORD>(position >> 32);
      DWORD got = 0;
      if (!ReadFile(handle_, bytes + done, request, &got, &at)) {
        const DWORD error = GetLastError();
        if (error == ERROR_HANDLE_EOF) break;
        throw LastErrorFileError(error, IoTarget::Input, "read", path_);
      }
      if (got == 0) break;
      done += got;
    }
    return done;
  }

  uint64_t length() const override { return length_; }

  const std::string& path() const override { return path_; }

  std::optional<FileTimeTicks> lastWriteTime() const override {
    FILETIME lastWrite;
    if (!GetFileTime(handle_, nullptr, nullptr, &lastWrite)) return std::nullopt;
    return TicksOf(lastWrite);
  }

 private:
  HANDLE handle_;
  uint64_t length_;
  std::string path_;
};

class Win32OutputFile final : public OutputFile {
 public:
  Win32OutputFile(HANDLE handle, std::string path) : handle_(handle), path_(std::move(path)) {}

  ~Win32OutputFile() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }

  // Windows has no gathered write for ordinary handles: small pieces are
  // joined so that a message still costs one call.
  void write(std::span<const std::string_view> pieces) override {
    size_t total = 0;
    for (std::string_view piece : pieces) total += piece.size();
    if (pieces.size() > 1 && total <= kLargestJoinedWrite) {
      joined_.clear();
      joined_.reserve(total);
      for (std::string_view piece : pieces) joined_.append(piece);
      writeAll(joined_);
      return;
    }
    for (std::string_view piece : pieces) writeAll(piece);
  }

  bool stamp(int64_t unixSeconds) override {
    const std::optional<FILETIME> lastWrite = WindowsFileTimeOfUnix(unixSeconds);
    if (!lastWrite) return false;
    // Null for the creation and access times: they keep their values.
    return SetFileTime(handle_, nullptr, nullptr, &*lastWrite) != 0;
  }

  void close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    if (!CloseHandle(handle)) throw LastErrorFileError(GetLastError(), IoTarget::Output, "close", path_);
  }

  FileIdentity identity() override {
    BY_HANDLE_FILE_INFORMATION information;
    if (handle_ == INVALID_HANDLE_VALUE) {
      throw IoError(FileErrorCause::PlatformOther, IoTarget::Output, "the file is closed", "identity of \"" + path_ + "\"");
    }
    if (!GetFileInformationByHandle(handle_, &information)) {
      throw LastErrorFileError(GetLastError(), IoTarget::Output, "status of", path_);
    }
    return IdentityOf(information);
  }

 private:
  void writeAll(std::string_view bytes) {
    while (!bytes.empty()) {
      const DWORD request = static_cast<DWORD>(std::min(bytes.size(), kLargestTransfer));
      DWORD written = 0;
      if (!WriteFile(handle_, bytes.data(), request, &written, nullptr)) {
        throw LastErrorFileError(GetLastError(), IoTarget::Output, "write", path_);
      }
      if (written == 0) {
        throw IoError(FileErrorCause::DiskFull, IoTarget::Output, "nothing stored", "write \"" + path_ + "\"");
      }
      bytes.remove_prefix(written);
    }
  }

  HANDLE handle_;
  std::string path_;
  std::string joined_;
};

}  // namespace

std::unique_ptr<InputFile> MakeWin32InputFile(HANDLE handle, uint64_t length, std::string path) {
  return std::make_unique<Win32InputFile>(handle, length, std::move(path));
}

std::unique_ptr<OutputFile> MakeWin32OutputFile(HANDLE handle, std::string path) {
  return std::make_unique<Win32OutputFile>(handle, std::move(path));
}

std::optional<FILETIME> WindowsFileTimeOfUnix(int64_t unixSeconds) {
  const std::optional<FileTimeTicks> ticks = FileTimeFromUnix(unixSeconds);
  if (!ticks || *ticks > static_cast<FileTimeTicks>(std::numeric_limits<int64_t>::max())) return std::nullopt;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(*ticks);
  time.dwHighDateTime = static_cast<DWORD>(*ticks >> 32);
  return time;
}

FileTimeTicks TicksOf(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace quernel
