#include "writers/eml_paths.h"

#include "naming/name_cleaning.h"

namespace quernel {
namespace {

constexpr std::string_view kTemporaryStem = "\x7Fquernel";
constexpr std::string_view kTemporaryExtension = ".tmp";

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
  // "...dbx" would otherwise put the folder above the output directory.
  std::string name(WithoutExtension(host.text, inputFileName));
  ReplaceDotsOnlyName(name);
  return WithSeparator(BaseDirectory(outputDirectory, inputPath, host.paths) + name, host.paths);
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

std::string TemporaryEmlName(uint64_t number) {
  std::string name(kTemporaryStem);
  if (number != 0) (name += '(') += std::to_string(number) + ')';
  name += kTemporaryExtension;
  return name;
}

bool IsTemporaryEmlName(std::string_view fileName) {
  if (!fileName.starts_with(kTemporaryStem) || !fileName.ends_with(kTemporaryExtension)) return false;
  std::string_view number = fileName.substr(kTemporaryStem.size());
  number.remove_suffix(kTemporaryExtension.size());
  if (number.empty()) return true;
  if (number.size() < 3 || number.front() != '(' || number.back() != ')' || number[1] == '0') return false;
  number = number.substr(1, number.size() - 2);
  return number.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace quernel
