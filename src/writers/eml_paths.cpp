#include "writers/eml_paths.h"

namespace quernel {
namespace {

std::string WithSeparator(std::string directory, const PathRules& paths) {
  if (!paths.endsWithSeparator(directory)) directory = paths.join(directory, "");
  return directory;
}

// The output directory, or the mailbox's own, ending in the separator.
std::string BaseDirectory(std::string_view outputDirectory, std::string_view inputPath, const PathRules& paths) {
  return WithSeparator(outputDirectory.empty() ? paths.directoryPart(inputPath) : std::string(outputDirectory),
                       paths);
}

}  // namespace

std::string MailboxFolder(std::string_view outputDirectory, std::string_view inputPath,
                          std::string_view inputFileName, const Host& host) {
  return WithSeparator(BaseDirectory(outputDirectory, inputPath, host.paths) +
                           std::string(WithoutExtension(host.text, inputFileName)),
                       host.paths);
}

std::string EmlDirectory(const EmlOptions& options, std::string_view inputPath,
                         std::string_view inputFileName, const Host& host) {
  if (options.flatFolders) return BaseDirectory(options.outputDirectory, inputPath, host.paths);
  return MailboxFolder(options.outputDirectory, inputPath, inputFileName, host);
}

std::string NumberedName(std::string_view name, uint64_t number, const TextRules& text) {
  if (number == 0) return std::string(name);
  std::string insert = std::to_string(number);
  insert.insert(insert.begin(), '(');
  insert.push_back(')');
  return InsertBeforeExtension(name, insert, text);
}

std::string InsertBeforeExtension(std::string_view name, std::string_view insert, const TextRules& text) {
  size_t dot = LastCharacterOf(text, name, ".");
  if (dot == std::string_view::npos) dot = name.size();
  std::string result(name.substr(0, dot));
  result += insert;
  result += name.substr(dot);
  return result;
}

}  // namespace quernel
