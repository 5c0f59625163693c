#pragma once
// The few places where the expected results depend on the platform quernel
// was built for. QUERNEL_TARGET=windows marks a Windows build run under Wine
// (in a UTF-8 locale whose Windows code pages are 1252 and 437).

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace quernel::testing {

inline bool TargetIsWindows() {
  const char* target = std::getenv("QUERNEL_TARGET");
  return target != nullptr && std::string(target) == "windows";
}

// The full path quernel shows for a file at an absolute Linux path.
inline std::string ShownFullPath(const std::string& linuxPath) {
  if (!TargetIsWindows()) return linuxPath;
  std::string shown = "Z:" + linuxPath;
  for (char& c : shown) {
    if (c == '/') c = '\\';
  }
  return shown;
}

// How quernel shows a relative path given with "/" on the command line or
// made from one: with the system's separator.
inline std::string ShownRelativePath(std::string path) {
  if (TargetIsWindows()) std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// How quernel shows a file name that is UTF-8 on the Linux disk: unchanged on
// Linux; on Windows in the console's code page 437 (the letters used here).
inline std::string ShownName(const std::string& utf8Name) {
  if (!TargetIsWindows()) return utf8Name;
  static const std::pair<std::string, char> kOemLetters[] = {
      {"\xC3\xA9", '\x82'}, {"\xC3\xBC", '\x81'}, {"\xC3\xA4", '\x84'}, {"\xC3\x9F", '\xE1'}};
  std::string shown = utf8Name;
  for (const auto& [utf8, oem] : kOemLetters) {
    for (size_t at = shown.find(utf8); at != std::string::npos; at = shown.find(utf8, at + 1)) {
      shown.replace(at, utf8.size(), 1, oem);
    }
  }
  return shown;
}

inline std::string AsciiLower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Whether the pattern "*.dbx" matches `name`: exactly on Linux; on Windows
// without regard to case, and also through the 8.3 short name, whose
// extension is the first three letters of the long one ("x.dbxx").
inline bool StarDotDbxMatches(const std::string& name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  const std::string extension = name.substr(dot);
  if (!TargetIsWindows()) return extension == ".dbx";
  return AsciiLower(extension).rfind(".dbx", 0) == 0;
}

// The order in which a pattern's matches are taken: byte order on Linux (the
// matches are sorted); under Wine, whose directory listing Windows returns
// as it is, a sort without regard to case.
inline std::vector<std::string> InMatchOrder(std::vector<std::string> names) {
  if (TargetIsWindows()) {
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return AsciiLower(a) < AsciiLower(b); });
  } else {
    std::sort(names.begin(), names.end());
  }
  return names;
}

// The character before "2," in a Maildir file name: Windows refuses ":" in
// file names, so Windows Maildir readers take "!" there.
inline char MaildirInfoSeparator() { return TargetIsWindows() ? '!' : ':'; }

// Several positional arguments: on Windows the first is the input and the
// second the output directory (the rest is ignored), as the shell leaves
// wildcards alone; on Linux the shell has expanded them already, so every
// name is an input except a last one that can be the output directory.
inline bool TakesOneInputAndOneOutputDirectory() { return TargetIsWindows(); }

}  // namespace quernel::testing
