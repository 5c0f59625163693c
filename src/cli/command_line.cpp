#include "cli/command_line.h"

#include <cstddef>
#include <string_view>

#include "cli/code_page_option.h"
#include "platform/ascii.h"
#include "platform/wildcard.h"

namespace quernel {
namespace {

enum class OptionOutcome { Taken, StopReading, ShowVersion, Fail };

// Options that take the rest of the argument as a naming template. "-mbxrd"
// comes before "-mbx", which is a prefix of it.
struct TemplateOption {
  std::string_view name;
  uint32_t flag;
  std::string RunSettings::*naming;
};
constexpr TemplateOption kTemplateOptions[] = {
    {"-mbxrd", flags::kMboxrd, &RunSettings::mboxTemplate},
    {"-mbx", flags::kMboxo, &RunSettings::mboxTemplate},
    {"-eml", flags::kEml, &RunSettings::emlTemplate},
};

struct PlainOption {
  std::string_view name;
  uint32_t flag;
};
constexpr PlainOption kLeadingPlainOptions[] = {
    {"-dn", flags::kDoubleNewline}, {"-ic", flags::kIgnoreCase}, {"-ff", flags::kFlatFolders}};
constexpr PlainOption kTrailingPlainOptions[] = {
    {"-rcvdate", flags::kReceiveDate}, {"-senddate", flags::kSendDate},
    {"-overwrite", flags::kOverwrite}, {"-maildir", flags::kMaildir},
    {"-flags", flags::kStatusHeaders}, {"-tree", flags::kTree}, {"-recover", flags::kRecover}};

bool TakePlain(std::string_view argument, std::span<const PlainOption> options,
               RunSettings& settings) {
  for (const PlainOption& option : options) {
    if (EqualsIgnoringCase(argument, option.name)) {
      settings.flags |= option.flag;
      return true;
    }
  }
  return false;
}

// `failureLine` receives the line to print for Fail.
OptionOutcome TakeOption(std::string_view argument, RunSettings& settings, std::string& failureLine) {
  if (TakePlain(argument, kLeadingPlainOptions, settings)) return OptionOutcome::Taken;
  for (const TemplateOption& option : kTemplateOptions) {
    if (StartsWithIgnoringCase(argument, option.name)) {
      settings.flags |= option.flag;
      if (argument.size() > option.name.size()) {
        settings.*option.naming = std::string(argument.substr(option.name.size()));
      }
      return OptionOutcome::Taken;
    }
  }
  if (TakePlain(argument, kTrailingPlainOptions, settings)) return OptionOutcome::Taken;
  if (const CodePageOption codePage = ParseCodePageOption(argument);
      codePage.outcome != CodePageOption::Outcome::NotThisOption) {
    settings.codePage = codePage.codePage;
    failureLine = codePage.failureLine;
    return codePage.outcome == CodePageOption::Outcome::Valid ? OptionOutcome::Taken : OptionOutcome::Fail;
  }
  // "--help" is the spelling of "-?" that a Linux shell leaves alone.
  if (argument == "-?" || EqualsIgnoringCase(argument, "--help")) {
    settings.flags |= flags::kShowUsage;
    return OptionOutcome::StopReading;
  }
  if (EqualsIgnoringCase(argument, "--version")) return OptionOutcome::ShowVersion;
  failureLine = "Unknown option " + std::string(argument) + "!\n";
  return OptionOutcome::Fail;
}

// Splits the positional arguments into inputs and the output directory.
void AssignPositionals(const std::vector<std::string>& positionals, FileSystem& fileSystem,
                       PositionalStyle style, RunSettings& settings) {
  if (positionals.empty()) return;
  // -imap writes no folder: every name is a mailbox, so that none is taken
  // for an output folder and left out unseen (a missing one gets its line).
  if (settings.has(flags::kImap)) {
    settings.inputs = positionals;
    return;
  }
  if (style == PositionalStyle::InputThenOutput || positionals.size() == 1) {
    settings.inputs.push_back(positionals[0]);
    if (positionals.size() > 1) settings.outputDirectory = positionals[1];
    return;
  }
  // The shell has expanded the wildcards already, so every name but the last
  // is an input. The last one is the output directory, unless it cannot be
  // one: a pattern the shell left alone, or an existing file.
  const std::string& last = positionals.back();
  bool lastIsInput = HasWildcard(last) || fileSystem.isRegularFile(last);
  size_t inputCount = lastIsInput ? positionals.size() : positionals.size() - 1;
  settings.inputs.assign(positionals.begin(), positionals.begin() + static_cast<ptrdiff_t>(inputCount));
  if (!lastIsInput) settings.outputDirectory = last;
}

// "-imap URL", "-passcmd COMMAND" and "-cafile FILE" take the next
// argument. Returns how many arguments the option took (0: not one of these);
// an option without its value fails.
size_t TakeImapOption(const std::vector<std::string>& arguments, size_t at, RunSettings& settings,
                      std::string& failureLine) {
  struct ValueOption {
    std::string_view name;
    std::string ImapSettings::*value;
  };
  static constexpr ValueOption kValueOptions[] = {
      {"-imap", &ImapSettings::url}, {"-passcmd", &ImapSettings::passwordCommand}, {"-cafile", &ImapSettings::caFile}};
  const std::string& argument = arguments[at];
  if (EqualsIgnoringCase(argument, "-oauth2")) {
    settings.imap.oauth2 = true;
    return 1;
  }
  for (const ValueOption& option : kValueOptions) {
    if (!EqualsIgnoringCase(argument, option.name)) continue;
    if (at + 1 >= arguments.size() || arguments[at + 1].empty()) {
      failureLine = std::string(option.name) + " needs a value!\n";
      return 0;
    }
    settings.imap.*option.value = arguments[at + 1];
    if (option.value == &ImapSettings::url) settings.flags |= flags::kImap;
    return 2;
  }
  return 0;
}

// "-imap" is an output of its own, of mailboxes or of one store (-tree):
// the line that says what it cannot be combined with, or empty.
std::string ImapFailure(const std::vector<std::string>& positionals, const RunSettings& settings) {
  const bool imapOnly = !settings.imap.passwordCommand.empty() || !settings.imap.caFile.empty() || settings.imap.oauth2;
  if (!settings.has(flags::kImap)) return imapOnly ? "-passcmd, -cafile and -oauth2 go with -imap!\n" : "";
  if (settings.has(flags::kMboxo | flags::kMboxrd | flags::kEml | flags::kMaildir)) {
    return "-imap is an output of its own: give none of -mbx, -mbxrd, -eml and -maildir with it!\n";
  }
  if (settings.has(flags::kTree) && positionals.size() > 1) return "-imap -tree takes one store and no output folder!\n";
  return "";
}

// A tree is one store written in one format into an output folder of its
// own: the line that says what is missing, or empty when nothing is.
std::string TreeFailure(const std::vector<std::string>& positionals, const RunSettings& settings) {
  int formats = 0;
  for (uint32_t format : {flags::kMboxo, flags::kMboxrd, flags::kEml, flags::kMaildir}) formats += settings.has(format);
  if (formats > 1) return "-tree writes one format: give only one of -mbx, -mbxrd, -eml and -maildir!\n";
  if (positionals.size() == 1) return "-tree needs an output folder after the store!\n";
  if (positionals.size() > 2) return "-tree takes one store and one output folder!\n";
  return "";
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments, FileSystem& fileSystem,
                             PositionalStyle style) {
  CommandLine result;
  if (arguments.empty()) {
    result.action = CommandLine::Action::ShowUsage;
    return result;
  }
  std::vector<std::string> positionals;
  for (size_t at = 0; at < arguments.size(); ++at) {
    const std::string& argument = arguments[at];
    bool optionsAccepted = positionals.empty();
    if (optionsAccepted && !argument.empty() && argument[0] == '-') {
      if (const size_t taken = TakeImapOption(arguments, at, result.settings, result.failureLine); taken > 0) {
        at += taken - 1;
        continue;
      }
      if (!result.failureLine.empty()) {
        result.action = CommandLine::Action::Fail;
        return result;
      }
      OptionOutcome outcome = TakeOption(argument, result.settings, result.failureLine);
      if (outcome == OptionOutcome::Fail) {
        result.action = CommandLine::Action::Fail;
        return result;
      }
      if (outcome == OptionOutcome::ShowVersion) {
        result.action = CommandLine::Action::ShowVersion;
        return result;
      }
      if (outcome == OptionOutcome::StopReading) break;
      continue;
    }
    positionals.push_back(argument);
  }
  if (result.settings.has(flags::kShowUsage)) {
    result.action = CommandLine::Action::ShowUsage;
    return result;
  }
  result.failureLine = ImapFailure(positionals, result.settings);
  if (!result.failureLine.empty()) {
    result.action = CommandLine::Action::Fail;
    return result;
  }
  if (result.settings.has(flags::kTree) && !positionals.empty()) {
    if (!result.settings.has(flags::kImap)) result.failureLine = TreeFailure(positionals, result.settings);
    if (!result.failureLine.empty()) {
      result.action = CommandLine::Action::Fail;
      return result;
    }
    style = PositionalStyle::InputThenOutput;
  }
  AssignPositionals(positionals, fileSystem, style, result.settings);
  if (result.settings.inputs.empty() || result.settings.inputs[0].empty()) {
    result.action = CommandLine::Action::Fail;
    result.failureLine = "You must specify a filename!\n";
  }
  return result;
}

}  // namespace quernel
