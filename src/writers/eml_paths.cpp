#include "writers/eml_paths.h"

#include "platform/host.h"

namespace quernel {

namespace {

// Position of the last "." in `name`, or npos. Steps character by character
// so that the second byte of a double-byte character is never taken for one.
size_t LastDot(std::string_view name) {
  size_t found = std::string_view::npos;
  for (size_t pos = 0; pos < name.size(); pos += CharacterStep(name, pos)) {
    if (name[pos] == '.') found = pos;
  }
  return found;
}

// The part of a file name before its last ".", or the whole name.
std::string_view Stem(std::string_view name) {
  size_t dot = LastDot(name);
  return dot == std::string_view::npos ? name : name.substr(0, dot);
}

std::string WithSeparator(std::string directory) {
  if (!EndsWithSeparator(directory)) directory = JoinPath(directory, "");
  return directory;
}

// The output directory, or the mailbox's own, ending in the separator.
std::string BaseDirectory(std::string_view outputDirectory, std::string_view inputPath) {
  return WithSeparator(outputDirectory.empty() ? DirectoryPart(inputPath) : std::string(outputDirectory));
}

}  // namespace

std::string MailboxFolder(std::string_view outputDirectory, std::string_view inputPath,
                          std::string_view inputFileName) {
  return WithSeparator(BaseDirectory(outputDirectory, inputPath) + std::string(Stem(inputFileName)));
}

std::string EmlDirectory(const EmlOptions& options, std::string_view inputPath,
                         std::string_view inputFileName) {
  if (options.flatFolders) return BaseDirectory(options.outputDirectory, inputPath);
  return MailboxFolder(options.outputDirectory, inputPath, inputFileName);
}

std::string NumberedName(std::string_view name, uint64_t number) {
  if (number == 0) return std::string(name);
  std::string insert = std::to_string(number);
  insert.insert(insert.begin(), '(');
  insert.push_back(')');
  return InsertBeforeExtension(name, insert);
}

std::string InsertBeforeExtension(std::string_view name, std::string_view insert) {
  size_t dot = LastDot(name);
  if (dot == std::string_view::npos) dot = name.size();
  std::string result(name.substr(0, dot));
  result += insert;
  result += name.substr(dot);
  return result;
}

}  // namespace quernel
