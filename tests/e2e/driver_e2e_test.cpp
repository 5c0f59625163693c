// End-to-end checks of the command line and the batch driver: the program is
// run as a process in a fresh folder and its output and exit status compared.

#include <sys/stat.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/usage.h"
#include "cli/version.h"
#include "e2e/quernel_process.h"
#include "e2e/target_platform.h"
#include "support/dbx_builder.h"

namespace quernel::testing {
namespace {

std::string MailboxWith(int messages) {
  DbxBuilder builder;
  for (int i = 0; i < messages; ++i) {
    TestMessage message;
    message.text = "Subject: test " + std::to_string(i) + "\r\n\r\nBody\r\n";
    message.subject = "test " + std::to_string(i);
    message.senderAddress = "someone@example.com";
    message.sendTime = FileTimeFromUnix(1100000000 + i);
    builder.add(message);
  }
  return builder.build().bytes;
}

struct CommandCase {
  const char* name;
  std::vector<std::string> arguments;
  std::string expectedOut;
  int expectedStatus;
};

class CommandLineCases : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandLineCases, PrintsAndExitsAsExpected) {
  ScratchDir dir;
  const CommandCase& c = GetParam();
  ProcessResult result = RunQuernelProcess(c.arguments, dir.path());
  EXPECT_EQ(result.out, c.expectedOut);
  EXPECT_EQ(result.status, c.expectedStatus);
  EXPECT_EQ(result.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Driver, CommandLineCases,
    ::testing::Values(
        CommandCase{"NoArguments", {}, kUsageText, 0},
        CommandCase{"QuestionMark", {"-?"}, kUsageText, 0},
        CommandCase{"QuestionMarkBeforeUnknown", {"-mbx", "-?", "-x"}, kUsageText, 0},
        CommandCase{"UnknownBeforeQuestionMark", {"-x", "-?"}, "Unknown option -x!\n", 1},
        CommandCase{"OptionsOnly", {"-mbxrd", "-eml"}, "You must specify a filename!\n", 1},
        CommandCase{"NothingMatches", {"*.dbx"}, "Nothing to do!\n", 0},
        CommandCase{"WholeWordOptionWithMore", {"-DNX", "in"}, "Unknown option -DNX!\n", 1},
        CommandCase{"TemplateOptionTakesTheRest", {"-MBXX"}, "You must specify a filename!\n", 1},
        CommandCase{"Version", {"--version"}, kVersionLine, 0},
        CommandCase{"VersionAnyCase", {"--VERSION"}, kVersionLine, 0},
        CommandCase{"VersionBeforeUnknown", {"-eml", "--Version", "-x"}, kVersionLine, 0},
        CommandCase{"UnknownBeforeVersion", {"-x", "--version"}, "Unknown option -x!\n", 1},
        CommandCase{"Help", {"--help"}, kUsageText, 0},
        CommandCase{"HelpAnyCase", {"--HeLp"}, kUsageText, 0},
        CommandCase{"HelpBeforeUnknown", {"-mbxrd", "--help", "-x"}, kUsageText, 0},
        CommandCase{"SingleDashVersion", {"-version"}, "Unknown option -version!\n", 1},
        CommandCase{"VersionAfterInputIsOutputDirectory", {"*.dbx", "--version"}, "Nothing to do!\n", 0}),
    [](const ::testing::TestParamInfo<CommandCase>& info) { return info.param.name; });

TEST(Driver, TellsEachKindOfFileApart) {
  ScratchDir dir;
  WriteFile(dir / "a_folders.dbx", FolderListSignature() + std::string(100, '\0'));
  WriteFile(dir / "b_old.dbx", OldVersionSignature() + std::string(100, '\0'));
  WriteFile(dir / "c_text.dbx", "just some text, not a mailbox\n");
  WriteFile(dir / "d_empty.dbx", MailboxSignature());
  std::string defective = MailboxWith(1);
  PutU32(defective, 0xE4, 0x7FFFFFF0);  // root node far beyond the end
  WriteFile(dir / "e_defective.dbx", defective);
  WriteFile(dir / "f_good.dbx", MailboxWith(3));
  mkdir((dir / "g_directory.dbx").c_str(), 0777);

  ProcessResult result = RunQuernelProcess({"-mbx", "*.dbx"}, dir.path());
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out,
            "\"a_folders.dbx\" is not an Outlook Express mailbox!\n"
            "Unable to handle Outlook Express mailboxes below ver. 5!\n"
            "\"c_text.dbx\" is not an Outlook Express mailbox!\n"
            "\"d_empty.dbx\" contains no messages, skipped...\n"
            "File \"e_defective.dbx\" seems to be defective!\n"
            "Processing mailbox \"f_good.dbx\" (3 messages)...\n"
            "1 of 6 mailboxes converted to MBOXO-format!\n");
}

TEST(Driver, DefaultsToMboxoWhenNoFormatIsChosen) {
  ScratchDir dir;
  WriteFile(dir / "Inbox.dbx", MailboxWith(2));
  ProcessResult result = RunQuernelProcess({"-dn", "Inbox.dbx"}, dir.path());
  EXPECT_EQ(result.out,
            "No conversion options selected, using MBOXO-converter...\n"
            "Processing mailbox \"Inbox.dbx\" (2 messages)...\n"
            "1 of 1 mailboxes converted to MBOXO-format!\n");
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(FileExists(dir / "Inbox.mbx"));
}

TEST(Driver, BothMboxVariantsShareOneCount) {
  ScratchDir dir;
  WriteFile(dir / "Inbox.dbx", MailboxWith(1));
  ProcessResult result = RunQuernelProcess({"-mbx", "-mbxrd", "Inbox.dbx"}, dir.path());
  EXPECT_EQ(result.out,
            "Processing mailbox \"Inbox.dbx\" (1 messages)...\n"
            "1 of 1 mailboxes converted to MBOXO-format!\n"
            "1 of 1 mailboxes converted to MBOXRD-format!\n");
}

TEST(Driver, OptionAfterTheInputIsTheOutputDirectory) {
  ScratchDir dir;
  WriteFile(dir / "Inbox.dbx", MailboxWith(1));
  mkdir((dir / "-eml").c_str(), 0777);
  ProcessResult result = RunQuernelProcess({"Inbox.dbx", "-eml"}, dir.path());
  EXPECT_EQ(result.out,
            "No conversion options selected, using MBOXO-converter...\n"
            "Processing mailbox \"Inbox.dbx\" (1 messages)...\n"
            "1 of 1 mailboxes converted to MBOXO-format!\n");
  EXPECT_TRUE(FileExists(dir / "-eml/Inbox.mbx"));
}

// A FIFO is listed as a match but cannot be opened as a mailbox, on Linux
// and under Wine alike. The line shows the full path in the console's
// character set, as every other line shows its names.
TEST(Driver, UnreadableMatchShowsItsFullPath) {
  ScratchDir dir;
  const std::string name = "Caf\xC3\xA9.dbx";  // UTF-8 on the Linux disk
  ASSERT_EQ(mkfifo((dir / name).c_str(), 0666), 0);
  ProcessResult result = RunQuernelProcess({"-mbx", "*.dbx"}, dir.path());
  EXPECT_EQ(result.out, "Unable to open file \"" + ShownName(ShownFullPath(dir / name)) +
                            "\"!\n0 of 1 mailboxes converted to MBOXO-format!\n");
}

// Sanitizer builds reserve terabytes of address space for their shadow
// memory, so they cannot run under an address-space limit.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
constexpr bool kSanitized = __has_feature(address_sanitizer);
#else
constexpr bool kSanitized = false;
#endif

TEST(Driver, MailboxNeedingMoreMemoryThanThereIsEndsOnlyThatMailbox) {
  if (TargetIsWindows()) GTEST_SKIP() << "the address-space limit is set on the Linux process";
  if (kSanitized) GTEST_SKIP() << "a sanitizer build needs more address space than the limit";
  ScratchDir dir;
  // One message of 24 MiB, read by a process limited to 16 MiB.
  DbxBuilder builder;
  TestMessage huge;
  huge.text = "Subject: huge\r\n\r\n" + std::string(24 << 20, 'x');
  huge.blockTextSize = 65535;
  builder.add(huge);
  WriteFile(dir / "a_huge.dbx", builder.build().bytes);
  WriteFile(dir / "b_small.dbx", MailboxWith(2));
  ProcessResult result = RunQuernelProcessWithin(16 << 20, {"-mbxrd", "-eml", "*.dbx"}, dir.path());
  EXPECT_EQ(result.out,
            "Processing mailbox \"a_huge.dbx\" (1 messages)...\n"
            "File \"a_huge.dbx\" seems to be defective!\n"
            "File \"a_huge.dbx\" seems to be defective!\n"
            "Processing mailbox \"b_small.dbx\" (2 messages)...\n"
            "1 of 2 mailboxes converted to MBOXRD-format!\n"
            "1 of 2 mailboxes converted to EML-format!\n");
  EXPECT_EQ(result.status, 0);
  // No part of the message that did not fit is left as an .eml file.
  EXPECT_TRUE(!FileExists(dir / "a_huge") || ListDirectory(dir / "a_huge").empty());
}

}  // namespace
}  // namespace quernel::testing
