// Parsing of the command line: which options set which flags, where the
// templates go, and how positional arguments become inputs and the output
// directory under each platform's rule.

#include "cli/command_line.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/memory/memory_file_system.h"

namespace quernel {
namespace {

using Action = CommandLine::Action;

struct ParseCase {
  const char* name;
  std::vector<std::string> arguments;
  Action action;
  uint32_t flags;
  std::vector<std::string> inputs;
  std::string outputDirectory;
  std::string mboxTemplate = kDefaultMboxTemplate;
  std::string emlTemplate = kDefaultEmlTemplate;
};

class ParseCases : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseCases, WindowsRule) {
  const ParseCase& c = GetParam();
  MemoryFileSystem fileSystem;
  CommandLine parsed = ParseCommandLine(c.arguments, fileSystem, PositionalStyle::InputThenOutput);
  EXPECT_EQ(parsed.action, c.action);
  if (c.action != Action::Run) return;
  EXPECT_EQ(parsed.settings.flags, c.flags);
  EXPECT_EQ(parsed.settings.inputs, c.inputs);
  EXPECT_EQ(parsed.settings.outputDirectory, c.outputDirectory);
  EXPECT_EQ(parsed.settings.mboxTemplate, c.mboxTemplate);
  EXPECT_EQ(parsed.settings.emlTemplate, c.emlTemplate);
}

using S = std::vector<std::string>;
INSTANTIATE_TEST_SUITE_P(
    CommandLine, ParseCases,
    ::testing::Values(
        ParseCase{"NoArguments", {}, Action::ShowUsage, 0, {}, ""},
        ParseCase{"UsageStopsReading", {"-mbx", "-?", "-bogus"}, Action::ShowUsage, 0, {}, ""},
        ParseCase{"UnknownBeforeUsage", {"-bogus", "-?"}, Action::Fail, 0, {}, ""},
        ParseCase{"OnlyOptions", {"-eml"}, Action::Fail, 0, {}, ""},
        ParseCase{"AnyLetterCase", {"-MBXRD", "-Mbx", "-DN", "-Ic", "-fF", "in"}, Action::Run,
                  0x001 | 0x002 | 0x004 | 0x008 | 0x010, S{"in"}, ""},
        ParseCase{"MboxrdTemplate", {"-mbxrdfoo.mbox", "in"}, Action::Run, 0x002, S{"in"}, "",
                  "foo.mbox"},
        ParseCase{"LastMboxTemplateWins", {"-mbxA", "-mbxrdB", "-mbx", "in"}, Action::Run,
                  0x003, S{"in"}, "", "B"},
        ParseCase{"EmlTemplate", {"-emlX", "in"}, Action::Run, 0x020, S{"in"}, "",
                  kDefaultMboxTemplate, "X"},
        ParseCase{"DateAndOverwriteOptions", {"-RCVDATE", "-senddate", "-Overwrite", "in"},
                  Action::Run, 0x040 | 0x080 | 0x100, S{"in"}, ""},
        ParseCase{"MaildirAndFlags", {"-MailDir", "-FLAGS", "in"}, Action::Run,
                  flags::kMaildir | flags::kStatusHeaders, S{"in"}, ""},
        ParseCase{"MaildirIsAWholeWord", {"-maildirs", "in"}, Action::Fail, 0, {}, ""},
        ParseCase{"RecoverAnyLetterCase", {"-ReCoVeR", "-eml", "in"}, Action::Run, 0x400 | 0x020,
                  S{"in"}, ""},
        ParseCase{"RecoverNeedsTheWholeWord", {"-recovery", "in"}, Action::Fail, 0, {}, ""},
        ParseCase{"OptionAfterInputIsOutput", {"in", "-eml"}, Action::Run, 0, S{"in"}, "-eml"},
        ParseCase{"ArgumentsAfterOutputIgnored", {"in", "out", "more"}, Action::Run, 0, S{"in"},
                  "out"},
        ParseCase{"WholeWordOptionsNeedTheWholeWord", {"-dnx", "in"}, Action::Fail, 0, {}, ""}),
    [](const ::testing::TestParamInfo<ParseCase>& info) { return info.param.name; });

TEST(CommandLine, UnknownOptionLineNamesTheArgument) {
  MemoryFileSystem fileSystem;
  CommandLine parsed = ParseCommandLine({"-mbx", "-x", "in"}, fileSystem,
                                        PositionalStyle::InputThenOutput);
  EXPECT_EQ(parsed.action, Action::Fail);
  EXPECT_EQ(parsed.failureLine, "Unknown option -x!\n");
}

TEST(CommandLine, CodePageOption) {
  const struct {
    std::vector<std::string> arguments;
    Action action;
    int codePage;
    std::string failureLine;
  } cases[] = {
      {{"-cp1251", "in"}, Action::Run, 1251, ""},
      {{"-CP932", "-cp936", "in"}, Action::Run, 936, ""},  // the last one counts
      {{"in", "-cp1251"}, Action::Run, 0, ""},             // the output directory
      {{"-cp437", "-?"}, Action::Fail, 0,
       "Unknown code page in -cp437! Use 874, 932, 936, 949, 950 or 1250 to 1258.\n"},
  };
  for (const auto& c : cases) {
    MemoryFileSystem fileSystem;
    const CommandLine parsed = ParseCommandLine(c.arguments, fileSystem, PositionalStyle::InputThenOutput);
    EXPECT_EQ(parsed.action, c.action) << c.arguments[0];
    EXPECT_EQ(parsed.settings.codePage, c.codePage) << c.arguments[0];
    EXPECT_EQ(parsed.failureLine, c.failureLine) << c.arguments[0];
  }
}

struct LinuxCase {
  const char* name;
  std::vector<std::string> positionals;
  std::vector<std::string> inputs;
  std::string outputDirectory;
};

class LinuxPositionals : public ::testing::TestWithParam<LinuxCase> {};

TEST_P(LinuxPositionals, LastIsOutputUnlessFileOrPattern) {
  MemoryFileSystem fileSystem;
  fileSystem.addFile("existing.dbx", "x");
  std::vector<std::string> arguments{"-mbx"};
  arguments.insert(arguments.end(), GetParam().positionals.begin(), GetParam().positionals.end());
  CommandLine parsed =
      ParseCommandLine(arguments, fileSystem, PositionalStyle::ManyInputsThenOutput);
  ASSERT_EQ(parsed.action, Action::Run);
  EXPECT_EQ(parsed.settings.inputs, GetParam().inputs);
  EXPECT_EQ(parsed.settings.outputDirectory, GetParam().outputDirectory);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, LinuxPositionals,
    ::testing::Values(LinuxCase{"One", {"a"}, {"a"}, ""},
                      LinuxCase{"TwoIsInputAndOutput", {"a", "out"}, {"a"}, "out"},
                      LinuxCase{"ManyInputs", {"a", "b", "c", "out"}, {"a", "b", "c"}, "out"},
                      LinuxCase{"LastIsExistingFile", {"a", "existing.dbx"}, {"a", "existing.dbx"}, ""},
                      LinuxCase{"LastIsPattern", {"a", "*.dbx"}, {"a", "*.dbx"}, ""},
                      LinuxCase{"LastHasQuestionMark", {"a", "b?.dbx"}, {"a", "b?.dbx"}, ""}),
    [](const ::testing::TestParamInfo<LinuxCase>& info) { return info.param.name; });

// "-tree STORE OUTPUT" under both rules: the output is never taken for an
// input, even where it names an existing file, and what is missing or too
// much gets its own line.
struct TreeCase {
  const char* name;
  std::vector<std::string> arguments;
  std::string failureLine;  // empty: the run goes ahead
  uint32_t flags = 0;
};

class TreeCommandLines : public ::testing::TestWithParam<TreeCase> {};

TEST_P(TreeCommandLines, UnderBothRules) {
  for (PositionalStyle style : {PositionalStyle::InputThenOutput, PositionalStyle::ManyInputsThenOutput}) {
    MemoryFileSystem fileSystem;
    fileSystem.addFile("out", "an existing file");
    const TreeCase& c = GetParam();
    CommandLine parsed = ParseCommandLine(c.arguments, fileSystem, style);
    EXPECT_EQ(parsed.failureLine, c.failureLine);
    if (!c.failureLine.empty()) {
      EXPECT_EQ(parsed.action, Action::Fail);
      continue;
    }
    ASSERT_EQ(parsed.action, Action::Run);
    EXPECT_EQ(parsed.settings.flags, c.flags);
    EXPECT_EQ(parsed.settings.inputs, S{"store"});
    EXPECT_EQ(parsed.settings.outputDirectory, "out");
  }
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, TreeCommandLines,
    ::testing::Values(
        TreeCase{"NoFormat", {"-tree", "store", "out"}, "", flags::kTree},
        TreeCase{"AnyLetterCase", {"-TrEe", "-mbxrd", "store", "out"}, "", flags::kTree | flags::kMboxrd},
        TreeCase{"Eml", {"-eml", "-tree", "store", "out"}, "", flags::kTree | flags::kEml},
        TreeCase{"TwoFormats", {"-tree", "-mbx", "-eml", "store", "out"},
                 "-tree writes one format: give only one of -mbx, -mbxrd, -eml and -maildir!\n"},
        TreeCase{"BothMboxVariants", {"-tree", "-mbx", "-mbxrd", "store", "out"},
                 "-tree writes one format: give only one of -mbx, -mbxrd, -eml and -maildir!\n"},
        TreeCase{"Maildir", {"-tree", "-maildir", "store", "out"}, "", flags::kTree | flags::kMaildir},
        TreeCase{"MaildirAndEml", {"-tree", "-maildir", "-eml", "store", "out"},
                 "-tree writes one format: give only one of -mbx, -mbxrd, -eml and -maildir!\n"},
        TreeCase{"Flags", {"-tree", "-flags", "store", "out"}, "", flags::kTree | flags::kStatusHeaders},
        TreeCase{"NoOutput", {"-tree", "-mbxrd", "store"},
                 "-tree needs an output folder after the store!\n"},
        TreeCase{"TwoStores", {"-tree", "store", "other", "out"},
                 "-tree takes one store and one output folder!\n"},
        TreeCase{"NoStore", {"-tree", "-mbxrd"}, "You must specify a filename!\n"},
        TreeCase{"WithRecover", {"-tree", "-recover", "-eml", "store", "out"}, "",
                 flags::kTree | flags::kRecover | flags::kEml}),
    [](const ::testing::TestParamInfo<TreeCase>& info) { return info.param.name; });

}  // namespace
}  // namespace quernel
