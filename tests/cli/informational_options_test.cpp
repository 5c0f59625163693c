// The informational options: "--help" and "--version" beside "-?", in any
// letter case, and how they interact with the options around them.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/command_line.h"
#include "cli/quernel_main.h"
#include "cli/usage.h"
#include "cli/version.h"
#include "platform/console.h"
#include "platform/memory/memory_file_system.h"

namespace quernel::testing {
namespace {

using Action = CommandLine::Action;

struct ParseCase {
  const char* name;
  std::vector<std::string> arguments;
  Action expectedAction;
  std::string expectedFailureLine;
};

class InformationalOptions : public ::testing::TestWithParam<ParseCase> {};

TEST_P(InformationalOptions, ChooseTheAction) {
  const ParseCase& c = GetParam();
  MemoryFileSystem fileSystem;
  fileSystem.addFile("Inbox.dbx", "");
  for (PositionalStyle style : {PositionalStyle::InputThenOutput, PositionalStyle::ManyInputsThenOutput}) {
    CommandLine parsed = ParseCommandLine(c.arguments, fileSystem, style);
    EXPECT_EQ(parsed.action, c.expectedAction);
    EXPECT_EQ(parsed.failureLine, c.expectedFailureLine);
  }
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, InformationalOptions,
    ::testing::Values(
        ParseCase{"Version", {"--version"}, Action::ShowVersion, ""},
        ParseCase{"VersionUpperCase", {"--VERSION"}, Action::ShowVersion, ""},
        ParseCase{"VersionMixedCase", {"--VerSion"}, Action::ShowVersion, ""},
        ParseCase{"Help", {"--help"}, Action::ShowUsage, ""},
        ParseCase{"HelpUpperCase", {"--HELP"}, Action::ShowUsage, ""},
        ParseCase{"HelpMixedCase", {"--hElP"}, Action::ShowUsage, ""},
        // Like "-?", both stop the reading at once: what follows is not looked at.
        ParseCase{"VersionBeforeUnknown", {"-mbx", "--version", "-x"}, Action::ShowVersion, ""},
        ParseCase{"HelpBeforeUnknown", {"-eml", "--help", "-x"}, Action::ShowUsage, ""},
        ParseCase{"VersionBeforeHelp", {"--version", "--help"}, Action::ShowVersion, ""},
        ParseCase{"HelpBeforeVersion", {"--help", "--version"}, Action::ShowUsage, ""},
        ParseCase{"QuestionMarkBeforeVersion", {"-?", "--version"}, Action::ShowUsage, ""},
        ParseCase{"UnknownBeforeVersion", {"-x", "--version"}, Action::Fail, "Unknown option -x!\n"},
        ParseCase{"UnknownBeforeHelp", {"-x", "--help"}, Action::Fail, "Unknown option -x!\n"},
        // Only the two exact spellings are new; near misses stay unknown options.
        ParseCase{"SingleDashVersion", {"-version"}, Action::Fail, "Unknown option -version!\n"},
        ParseCase{"SingleDashHelp", {"-help"}, Action::Fail, "Unknown option -help!\n"},
        ParseCase{"VersionWithSuffix", {"--versions"}, Action::Fail, "Unknown option --versions!\n"},
        ParseCase{"HelpWithValue", {"--help=all"}, Action::Fail, "Unknown option --help=all!\n"},
        ParseCase{"ShortVersion", {"-V"}, Action::Fail, "Unknown option -V!\n"},
        ParseCase{"DoubleDashAlone", {"--"}, Action::Fail, "Unknown option --!\n"},
        // After the input name nothing is an option, these two included.
        ParseCase{"VersionAfterInput", {"Inbox.dbx", "--version"}, Action::Run, ""},
        ParseCase{"HelpAfterInput", {"Inbox.dbx", "--help"}, Action::Run, ""}),
    [](const ::testing::TestParamInfo<ParseCase>& info) { return info.param.name; });

TEST(HelpAndVersion, VersionAfterTheInputIsTheOutputDirectory) {
  MemoryFileSystem fileSystem;
  fileSystem.addFile("Inbox.dbx", "");
  CommandLine parsed =
      ParseCommandLine({"Inbox.dbx", "--version"}, fileSystem, PositionalStyle::ManyInputsThenOutput);
  EXPECT_EQ(parsed.settings.inputs, std::vector<std::string>{"Inbox.dbx"});
  EXPECT_EQ(parsed.settings.outputDirectory, "--version");
}

TEST(HelpAndVersion, VersionLineNamesTheBuiltVersion) {
  EXPECT_EQ(std::string(kVersionLine), std::string("quernel ") + QUERNEL_VERSION + "\n");
  // X.Y.Z: three dot-separated numbers.
  std::string version = QUERNEL_VERSION;
  int dots = 0;
  for (char c : version) {
    if (c == '.') ++dots;
    else EXPECT_TRUE(c >= '0' && c <= '9') << version;
  }
  EXPECT_EQ(dots, 2) << version;
}

struct RunCase {
  const char* name;
  std::vector<std::string> arguments;
  std::string expectedOut;
  int expectedStatus;
};

class InformationalRuns : public ::testing::TestWithParam<RunCase> {};

TEST_P(InformationalRuns, PrintAndExit) {
  const RunCase& c = GetParam();
  MemoryFileSystem fileSystem;
  StringConsole console;
  EXPECT_EQ(RunQuernel(c.arguments, fileSystem, console), c.expectedStatus);
  EXPECT_EQ(console.text(), c.expectedOut);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, InformationalRuns,
    ::testing::Values(RunCase{"Version", {"--Version"}, kVersionLine, 0},
                      RunCase{"Help", {"--Help"}, kUsageText, 0},
                      RunCase{"HelpSameAsQuestionMark", {"-?"}, kUsageText, 0},
                      RunCase{"UnknownBeforeVersion", {"-q", "--version"}, "Unknown option -q!\n", 1}),
    [](const ::testing::TestParamInfo<RunCase>& info) { return info.param.name; });

}  // namespace
}  // namespace quernel::testing
