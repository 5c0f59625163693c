#include "writers/eml_paths.h"

#include "platform/host.h"

namespace quernel {

namespace {

size_t LastDot(std::string_view name) { return LastCharacterOf(SystemHost().text, name, "."); }

std::string WithSeparator(std::string directory) {
  if (!EndsWithSeparator(directory)) directory = JoinPath(directory, "");
  return directory;
}

}  // namespace

std::string EmlDirectory(const EmlOptions& options, std::string_view inputPath,
                         std::string_view inputFileName) {
  std::string directory = WithSeparator(options.outputDirectory.empty()
                                            ? DirectoryPart(inputPath)
                                            : options.outputDirectory);
  if (!options.flatFolders) {
    directory = WithSeparator(directory + std::string(WithoutExtension(SystemHost().text, inputFileName)));
  }
  return directory;
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
