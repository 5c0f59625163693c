// The file system of Windows, over the ANSI API (the wide-character API once
// the program's text is UTF-8, path_api.h). Every file is opened with
// share mode 0: while quernel holds a file no other opener gets it, and an
// open of a file that anyone (this process included) holds fails with a
// sharing violation before anything is changed. So an output can never
// truncate one of quernel's own open inputs, whatever a naming template names.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/host.h"
#include "platform/win32/last_error_cause.h"
#include "platform/win32/path_api.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/windows_api.h"

namespace quernel {
namespace {

HANDLE OpenExclusive(const std::string& path, DWORD access, DWORD disposition) {
  return CreateFileAt(path, access, 0, disposition, FILE_ATTRIBUTE_NORMAL);
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = FileAttributesAt(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Opening a directory without backup semantics fails with "access denied";
// tell that apart from a file the user may not read.
IoError OpenFailure(const std::string& path, IoTarget target, const char* operation) {
  const DWORD error = GetLastError();
  if (error == ERROR_ACCESS_DENIED && IsDirectory(path)) {
    return IoError(FileErrorCause::NotRegularFile, target, "a directory",
                   std::string(operation) + " \"" + path + "\"");
  }
  return LastErrorFileError(error, target, operation, path);
}

// Names such as "NUL", "CON" or "COM1" open devices; only disk files are files
// to quernel. Closes the handle and raises when it is anything else.
void RequireDiskFile(HANDLE handle, const std::string& path, IoTarget target, const char* operation) {
  if (GetFileType(handle) == FILE_TYPE_DISK) return;
  CloseHandle(handle);
  throw IoError(FileErrorCause::NotRegularFile, target, "not a disk file",
                std::string(operation) + " \"" + path + "\"");
}

// Creates the disk file `path` with no sharing only when no entry of that
// name exists; INVALID_HANDLE_VALUE when one does.
HANDLE CreateNewDiskFile(const std::string& path, DWORD attributes) {
  const HANDLE handle = CreateFileAt(path, GENERIC_WRITE, 0, CREATE_NEW, attributes);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return INVALID_HANDLE_VALUE;
    SetLastError(error);
    throw OpenFailure(path, IoTarget::Output, "create");
  }
  RequireDiskFile(handle, path, IoTarget::Output, "create");
  return handle;
}

class Win32FileSystem final : public FileSystem {
 public:
  std::unique_ptr<InputFile> openInput(const std::string& path) override {
    const HANDLE handle = OpenExclusive(path, GENERIC_READ, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE) throw OpenFailure(path, IoTarget::Input, "open");
    RequireDiskFile(handle, path, IoTarget::Input, "open");
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle, &size)) {
      const DWORD error = GetLastError();
      CloseHandle(handle);
      throw LastErrorFileError(error, IoTarget::Input, "size of", path);
    }
    return MakeWin32InputFile(handle, static_cast<uint64_t>(size.QuadPart), path);
  }

  std::unique_ptr<OutputFile> createNewOutput(const std::string& path) override {
    const HANDLE handle = CreateNewDiskFile(path, FILE_ATTRIBUTE_NORMAL);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return MakeWin32OutputFile(handle, path);
  }

  std::unique_ptr<OutputFile> createOutput(const std::string& path, CreateMode mode) override {
    const DWORD disposition = mode == CreateMode::Truncate ? CREATE_ALWAYS : OPEN_ALWAYS;
    const HANDLE handle = OpenExclusive(path, GENERIC_WRITE, disposition);
    if (handle == INVALID_HANDLE_VALUE) throw OpenFailure(path, IoTarget::Output, "create");
    RequireDiskFile(handle, path, IoTarget::Output, "create");
    if (mode == CreateMode::Append) {
      LARGE_INTEGER none{};
      if (!SetFilePointerEx(handle, none, nullptr, FILE_END)) {
        const DWORD error = GetLastError();
        CloseHandle(handle);
        throw LastErrorFileError(error, IoTarget::Output, "seek to the end of", path);
      }
    }
    return MakeWin32OutputFile(handle, path);
  }

  std::unique_ptr<OutputFile> createReplacement(const std::string& path, const std::string& sidePath) override {
    // The checks of createOutput, through an open for writing that changes
    // nothing; it also reads what the new file is to keep.
    const HANDLE existing = OpenExclusive(path, GENERIC_WRITE, OPEN_EXISTING);
    if (existing == INVALID_HANDLE_VALUE) throw OpenFailure(path, IoTarget::Output, "create");
    RequireDiskFile(existing, path, IoTarget::Output, "create");
    BY_HANDLE_FILE_INFORMATION information;
    const bool known = GetFileInformationByHandle(existing, &information) != 0;
    const DWORD error = GetLastError();
    CloseHandle(existing);
    if (!known) throw LastErrorFileError(error, IoTarget::Output, "status of", path);

    const DWORD kept = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                       FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD attributes = information.dwFileAttributes & kept;
    const HANDLE handle = CreateNewDiskFile(sidePath, attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    // The creation time stays the replaced file's, as when it was rewritten
    // in place; a refusal costs only that time.
    SetFileTime(handle, &information.ftCreationTime, nullptr, nullptr);
    return MakeWin32OutputFile(handle, sidePath);
  }

  void renameFile(const std::string& from, const std::string& to) override {
    // A file open without sharing, as every input of this process is, cannot
    // be replaced: the move fails and leaves it.
    if (!MoveFileReplacingAt(from, to)) {
      throw LastErrorFileError(GetLastError(), IoTarget::Output, "rename", from);
    }
  }

  bool renameToNewName(const std::string& from, const std::string& to) override {
    if (MoveFileAt(from, to)) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return false;
    // A directory of that name refuses the move as access denied.
    if (error == ERROR_ACCESS_DENIED && FileAttributesAt(to) != INVALID_FILE_ATTRIBUTES) return false;
    throw LastErrorFileError(error, IoTarget::Output, "rename", from);
  }

  std::optional<Entry> entryAt(const std::string& path) override {
    // No access asked for, so no sharing mode is checked: an entry that
    // anyone holds is found all the same. Backup semantics open directories.
    const HANDLE handle = CreateFileAt(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    const bool disk = GetFileType(handle) == FILE_TYPE_DISK;
    BY_HANDLE_FILE_INFORMATION information;
    const bool known = GetFileInformationByHandle(handle, &information) != 0;
    CloseHandle(handle);
    if (!known) return std::nullopt;
    const bool directory = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const EntryKind kind = !disk ? EntryKind::Other : directory ? EntryKind::Directory : EntryKind::RegularFile;
    return Entry{kind, IdentityOf(information)};
  }

  bool createDirectory(const std::string& path) override {
    return CreateDirectoryAt(path);
  }

  bool removeFile(const std::string& path) override { return DeleteFileAt(path); }

  bool isRegularFile(const std::string& path) override {
    const DWORD attributes = FileAttributesAt(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
  }

  // In the order Windows lists the entries.
  std::vector<std::string> expandPattern(const std::string& pattern) override {
    std::vector<std::string> paths = NonDirectoryNamesMatching(pattern);
    if (paths.empty()) return paths;
    std::string directory = AbsoluteDirectoryOf(pattern);
    if (directory.empty()) return {};
    if (!SystemHost().paths.endsWithSeparator(directory)) directory.push_back('\\');
    for (std::string& path : paths) path.insert(0, directory);
    return paths;
  }
};

}  // namespace

std::unique_ptr<FileSystem> MakeNativeFileSystem() { return std::make_unique<Win32FileSystem>(); }

}  // namespace quernel
