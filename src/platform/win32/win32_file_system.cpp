// The file system of Windows, over the ANSI API. Every file is opened with
// share mode 0: while quernel holds a file no other opener gets it, and an
// open of a file that anyone (this process included) holds fails with a
// sharing violation before anything is changed. So an output can never
// truncate one of quernel's own open inputs, whatever a naming template names.

#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/win32/last_error_cause.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/windows_api.h"

namespace quernel {
namespace {

HANDLE OpenExclusive(const std::string& path, DWORD access, DWORD disposition) {
  return CreateFileA(path.c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Opening a directory without backup semantics fails with "access denied";
// tell that apart from a file the user may not read.
FileError OpenFailure(const std::string& path, const char* operation) {
  const DWORD error = GetLastError();
  if (error == ERROR_ACCESS_DENIED && IsDirectory(path)) {
    return FileError(FileErrorCause::NotRegularFile, std::string(operation) + " \"" + path + "\"");
  }
  return LastErrorFileError(error, operation, path);
}

// Names such as "NUL", "CON" or "COM1" open devices; only disk files are files
// to quernel. Closes the handle and raises when it is anything else.
void RequireDiskFile(HANDLE handle, const std::string& path, const char* operation) {
  if (GetFileType(handle) == FILE_TYPE_DISK) return;
  CloseHandle(handle);
  throw FileError(FileErrorCause::NotRegularFile, std::string(operation) + " \"" + path + "\"");
}

// The absolute directory of a pattern, ending in "\": GetFullPathNameA of the
// whole pattern, cut before the name part it finds (which steps over the
// double-byte characters of the code page and knows "C:name" and "/").
std::string AbsoluteDirectoryOf(const std::string& pattern) {
  std::vector<char> buffer(MAX_PATH + 1);
  for (;;) {
    char* namePart = nullptr;
    const DWORD length =
        GetFullPathNameA(pattern.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), &namePart);
    if (length == 0) return {};
    if (length < buffer.size()) {
      const size_t directoryLength = namePart != nullptr ? static_cast<size_t>(namePart - buffer.data()) : length;
      return std::string(buffer.data(), directoryLength);
    }
    buffer.resize(length + 1);
  }
}

bool EndsInSlashOrBackslash(const std::string& directory) {
  return !directory.empty() && (directory.back() == '\\' || directory.back() == '/');
}

class Win32FileSystem final : public FileSystem {
 public:
  std::unique_ptr<InputFile> openInput(const std::string& path) override {
    const HANDLE handle = OpenExclusive(path, GENERIC_READ, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE) throw OpenFailure(path, "open");
    RequireDiskFile(handle, path, "open");
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle, &size)) {
      const DWORD error = GetLastError();
      CloseHandle(handle);
      throw LastErrorFileError(error, "size of", path);
    }
    return MakeWin32InputFile(handle, static_cast<uint64_t>(size.QuadPart), path);
  }

  std::unique_ptr<OutputFile> createNewOutput(const std::string& path) override {
    const HANDLE handle = OpenExclusive(path, GENERIC_WRITE, CREATE_NEW);
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return nullptr;
      SetLastError(error);
      throw OpenFailure(path, "create");
    }
    RequireDiskFile(handle, path, "create");
    return MakeWin32OutputFile(handle, path);
  }

  std::unique_ptr<OutputFile> createOutput(const std::string& path, CreateMode mode) override {
    const DWORD disposition = mode == CreateMode::Truncate ? CREATE_ALWAYS : OPEN_ALWAYS;
    const HANDLE handle = OpenExclusive(path, GENERIC_WRITE, disposition);
    if (handle == INVALID_HANDLE_VALUE) throw OpenFailure(path, "create");
    RequireDiskFile(handle, path, "create");
    if (mode == CreateMode::Append) {
      LARGE_INTEGER none{};
      if (!SetFilePointerEx(handle, none, nullptr, FILE_END)) {
        const DWORD error = GetLastError();
        CloseHandle(handle);
        throw LastErrorFileError(error, "seek to the end of", path);
      }
    }
    return MakeWin32OutputFile(handle, path);
  }

  bool probeExisting(const std::string& path) override {
    const HANDLE handle = OpenExclusive(path, GENERIC_READ, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool isFile = GetFileType(handle) == FILE_TYPE_DISK;
    CloseHandle(handle);
    return isFile;
  }

  void renameFile(const std::string& from, const std::string& to) override {
    // A file open without sharing, as every input of this process is, cannot
    // be replaced: the move fails and leaves it.
    if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      throw LastErrorFileError(GetLastError(), "rename", from);
    }
  }

  bool createDirectory(const std::string& path) override {
    return CreateDirectoryA(path.c_str(), nullptr) != 0;
  }

  bool removeFile(const std::string& path) override { return DeleteFileA(path.c_str()) != 0; }

  bool isRegularFile(const std::string& path) override {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
  }

  // FindFirstFileA matches as Windows does (letter case ignored, short names
  // too); the list keeps the order in which it returns the entries.
  std::vector<std::string> expandPattern(const std::string& pattern) override {
    std::vector<std::string> paths;
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA(pattern.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return paths;
    std::string directory = AbsoluteDirectoryOf(pattern);
    if (directory.empty()) {
      FindClose(search);
      return paths;
    }
    if (!EndsInSlashOrBackslash(directory)) directory.push_back('\\');
    do {
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) paths.push_back(directory + entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return paths;
  }
};

}  // namespace

std::unique_ptr<FileSystem> MakeNativeFileSystem() { return std::make_unique<Win32FileSystem>(); }

}  // namespace quernel
