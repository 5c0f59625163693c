#include "writers/eml_paths.h"

#include "platform/host.h"

namespace quernel {

namespace {

size_t LastDot(std::string_view name) { return LastCharacterOf(SystemHost().text, name, "."); }

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
  return WithSeparator(BaseDirectory(outputDirectory, inputPath) +
                       std::string(WithoutExtension(SystemHost().text, inputFileName)));
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
