#include "platform/win32/path_api.h"

#include "platform/win32/program_text.h"

namespace quernel {
namespace {

template <typename Char, typename FindData>
using FindFirst = HANDLE(WINAPI*)(const Char*, FindData*);
template <typename FindData>
using FindNext = BOOL(WINAPI*)(HANDLE, FindData*);

template <typename Char, typename FindData>
std::vector<std::basic_string<Char>> ListNonDirectories(const Char* pattern,
                                                        FindFirst<Char, FindData> findFirst,
                                                        FindNext<FindData> findNext) {
  std::vector<std::basic_string<Char>> names;
  FindData entry;
  const HANDLE search = findFirst(pattern, &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.emplace_back(entry.cFileName);
  } while (findNext(search, &entry));
  FindClose(search);
  return names;
}

template <typename Char>
using FullPathFunction = DWORD(WINAPI*)(const Char*, DWORD, Char*, Char**);

template <typename Char>
std::basic_string<Char> DirectoryOfFullPath(const Char* pattern, FullPathFunction<Char> getFullPathName) {
  std::vector<Char> buffer(MAX_PATH + 1);
  for (;;) {
    Char* namePart = nullptr;
    const DWORD length = getFullPathName(pattern, static_cast<DWORD>(buffer.size()), buffer.data(), &namePart);
    if (length == 0) return {};
    if (length < buffer.size()) {
      const size_t directoryLength = namePart != nullptr ? static_cast<size_t>(namePart - buffer.data()) : length;
      return std::basic_string<Char>(buffer.data(), directoryLength);
    }
    buffer.resize(length + 1);
  }
}

}  // namespace

HANDLE CreateFileAt(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                    DWORD flagsAndAttributes) {
  if (ProgramTextIsUtf8()) {
    return CreateFileW(WideProgramText(path).c_str(), access, share, nullptr, disposition, flagsAndAttributes,
                       nullptr);
  }
  return CreateFileA(path.c_str(), access, share, nullptr, disposition, flagsAndAttributes, nullptr);
}

DWORD FileAttributesAt(const std::string& path) {
  if (ProgramTextIsUtf8()) return GetFileAttributesW(WideProgramText(path).c_str());
  return GetFileAttributesA(path.c_str());
}

bool CreateDirectoryAt(const std::string& path) {
  if (ProgramTextIsUtf8()) return CreateDirectoryW(WideProgramText(path).c_str(), nullptr) != 0;
  return CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool DeleteFileAt(const std::string& path) {
  if (ProgramTextIsUtf8()) return DeleteFileW(WideProgramText(path).c_str()) != 0;
  return DeleteFileA(path.c_str()) != 0;
}

bool MoveFileReplacingAt(const std::string& from, const std::string& to) {
  if (ProgramTextIsUtf8()) {
    return MoveFileExW(WideProgramText(from).c_str(), WideProgramText(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  }
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool MoveFileAt(const std::string& from, const std::string& to) {
  if (ProgramTextIsUtf8()) return MoveFileExW(WideProgramText(from).c_str(), WideProgramText(to).c_str(), 0) != 0;
  return MoveFileExA(from.c_str(), to.c_str(), 0) != 0;
}

std::vector<std::string> NonDirectoryNamesMatching(const std::string& pattern) {
  if (!ProgramTextIsUtf8()) {
    return ListNonDirectories<char, WIN32_FIND_DATAA>(pattern.c_str(), FindFirstFileA, FindNextFileA);
  }
  std::vector<std::string> names;
  for (const std::wstring& name : ListNonDirectories<wchar_t, WIN32_FIND_DATAW>(
           WideProgramText(pattern).c_str(), FindFirstFileW, FindNextFileW)) {
    names.push_back(ProgramTextOfWide(name));
  }
  return names;
}

std::string AbsoluteDirectoryOf(const std::string& pattern) {
  if (!ProgramTextIsUtf8()) return DirectoryOfFullPath<char>(pattern.c_str(), GetFullPathNameA);
  return ProgramTextOfWide(DirectoryOfFullPath<wchar_t>(WideProgramText(pattern).c_str(), GetFullPathNameW));
}

}  // namespace quernel
