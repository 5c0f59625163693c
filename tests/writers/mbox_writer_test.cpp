#include "writers/mbox_writer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/host.h"
#include "platform/memory/memory_file_system.h"
#include "support/dbx_builder.h"
#include "support/local_zone.h"

namespace quernel::testing {
namespace {

// 2003-03-06 09:05:07 and 2004-07-01 18:30:00 in Europe/Berlin.
constexpr int64_t kSent = 1046937907;
constexpr int64_t kReceived = 1088699400;
const std::string kSentText = "Thu Mar 06 09:05:07 2003";
const std::string kReceivedText = "Thu Jul 01 18:30:00 2004";

TestMessage Message(std::string text, std::optional<std::string> sender = "a@example.org") {
  TestMessage message;
  message.text = std::move(text);
  message.senderAddress = std::move(sender);
  message.sendTime = FileTimeFromUnix(kSent);
  message.receiveTime = FileTimeFromUnix(kReceived);
  return message;
}

BuiltMailbox Build(const std::vector<TestMessage>& messages) {
  DbxBuilder builder;
  for (const TestMessage& message : messages) builder.add(message);
  return builder.build();
}

// The separator and text of one message as the writer lays it out.
std::string Framed(const std::string& body, const std::string& sender = "a@example.org",
                   const std::string& ending = "\r\n") {
  return "From " + sender + " " + kSentText + "\r\n" + body + ending;
}

class MboxWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_.flags = flags::kMboxo;
    files_.addDirectory("/mail");
    files_.addDirectory("/out");
  }

  // Stores the mailbox at `inputPath` and converts it with the writer of this test.
  bool convert(const BuiltMailbox& mailbox, const std::string& inputPath = "/mail/Inbox.dbx") {
    files_.addFile(inputPath, mailbox.bytes);
    const std::unique_ptr<InputFile> input = files_.openInput(inputPath);
    const MailboxReader reader(*input);
    return writer_.convertMailbox(settings_, inputPath, FileNamePart(inputPath), reader,
                                  counter_);
  }

  std::string contents(const std::string& path) const {
    return files_.contents(path).value_or("<no file " + path + ">");
  }

  LocalZone zone_{"Europe/Berlin"};
  RunSettings settings_;
  MemoryFileSystem files_;
  StringConsole console_;
  MboxWriter writer_{files_, console_};
  int32_t counter_ = 0;
};

struct LayoutCase {
  const char* name;
  std::string text;
  uint32_t extraFlags;
  std::string expectedAfterSeparator;
};

class MboxLayoutTest : public MboxWriterTest,
                       public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(MboxLayoutTest, WritesTheMessageByteForByte) {
  const LayoutCase& c = GetParam();
  settings_.flags |= c.extraFlags;
  ASSERT_TRUE(convert(Build({Message(c.text)})));
  EXPECT_EQ(contents("/mail/Inbox.mbx"),
            "From a@example.org " + kSentText + "\r\n" + c.expectedAfterSeparator);
  EXPECT_EQ(counter_, 1);
  EXPECT_EQ(console_.text(), "");
}

const LayoutCase kLayoutCases[] = {
    {"EndsInCrLf", "A: b\r\n\r\nbody\r\n", 0, "A: b\r\n\r\nbody\r\n\r\n"},
    {"NoFinalLineEnd", "A: b\r\n\r\nbody", 0, "A: b\r\n\r\nbody\r\n\r\n"},
    {"EndsInBareLf", "body\n", 0, "body\n\r\n"},
    {"EndsInBareCr", "body\r", 0, "body\r\r\n\r\n"},
    {"Empty", "", 0, "\r\n"},
    {"DoubleNewlineAfterCrLf", "body\r\n", flags::kDoubleNewline, "body\r\n\r\n\r\n"},
    {"DoubleNewlineNoFinalLineEnd", "body", flags::kDoubleNewline, "body\r\n\r\n"},
    {"DoubleNewlineEmpty", "", flags::kDoubleNewline, "\r\n\r\n"},
    {"MboxoQuoting", "From a\r\n>From b\r\n", 0, ">From a\r\n>From b\r\n\r\n"},
    {"MboxrdQuoting", "From a\r\n>From b\r\n", flags::kMboxrd, ">From a\r\n>>From b\r\n\r\n"},
    {"LowerCaseNotQuoted", "from a\r\n", flags::kMboxrd, "from a\r\n\r\n"},
    {"LowerCaseQuotedWithIc", "from a\r\n>from b\r\n", flags::kMboxrd | flags::kIgnoreCase,
     ">from a\r\n>>from b\r\n\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, MboxLayoutTest, ::testing::ValuesIn(kLayoutCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MboxWriterTest, BothVariantsGiveOneMboxrdFile) {
  settings_.flags = flags::kMboxo | flags::kMboxrd;
  ASSERT_TRUE(convert(Build({Message(">From x\r\n")})));
  EXPECT_EQ(contents("/mail/Inbox.mbx"), Framed(">>From x\r\n"));
}

TEST_F(MboxWriterTest, SeparatorLineShowsTheSenderSafely) {
  ASSERT_TRUE(convert(Build({Message("1\r\n", ""), Message("2\r\n", std::nullopt),
                             Message("3\r\n", "<x@y> \xe4"),
                             Message("4\r\n", "evil\r\nFrom forged\x01\x1f\x7f")})));
  EXPECT_EQ(contents("/mail/Inbox.mbx"),
            Framed("1\r\n", "-") + Framed("2\r\n", "-") + Framed("3\r\n", "<x@y> \xc3\xa4") +
                Framed("4\r\n", "evil__From forged__\x7f"));
}

TEST_F(MboxWriterTest, ReceiveDateOnRequest) {
  settings_.flags |= flags::kReceiveDate | flags::kSendDate;
  ASSERT_TRUE(convert(Build({Message("x\r\n")})));
  EXPECT_EQ(contents("/mail/Inbox.mbx"), "From a@example.org " + kReceivedText + "\r\nx\r\n\r\n");
}

TEST_F(MboxWriterTest, ReplacesAFileLeftByAnEarlierRun) {
  files_.addFile("/mail/Inbox.mbx", "old contents that must go");
  ASSERT_TRUE(convert(Build({Message("x\r\n")})));
  EXPECT_EQ(contents("/mail/Inbox.mbx"), Framed("x\r\n"));
}

TEST_F(MboxWriterTest, TwoMailboxesIntoOneFileKeepBoth) {
  files_.addFile("/out/All.mbox", "from an earlier run");
  settings_.mboxTemplate = "All.mbox";
  settings_.outputDirectory = "/out";
  ASSERT_TRUE(convert(Build({Message("one\r\n")}), "/mail/Inbox.dbx"));
  ASSERT_TRUE(convert(Build({Message("two\r\n"), Message("three\r\n")}), "/mail/Sent.dbx"));
  EXPECT_EQ(contents("/out/All.mbox"), Framed("one\r\n") + Framed("two\r\n") + Framed("three\r\n"));
  EXPECT_EQ(counter_, 2);
}

struct PathCase {
  const char* name;
  std::string outputDirectory;
  std::string expectedPath;
};

class MboxPathTest : public MboxWriterTest, public ::testing::WithParamInterface<PathCase> {};

TEST_P(MboxPathTest, JoinsDirectoryAndExpandedName) {
  settings_.outputDirectory = GetParam().outputDirectory;
  ASSERT_TRUE(convert(Build({Message("x\r\n")})));
  EXPECT_EQ(contents(GetParam().expectedPath), Framed("x\r\n"));
}

const PathCase kPathCases[] = {
    {"NextToTheMailbox", "", "/mail/Inbox.mbx"},
    {"OutputDirectory", "/out", "/out/Inbox.mbx"},
    {"OutputDirectoryWithSeparator", "/out/", "/out/Inbox.mbx"},
};

INSTANTIATE_TEST_SUITE_P(Cases, MboxPathTest, ::testing::ValuesIn(kPathCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MboxWriterTest, MissingOutputDirectoryFailsTheMailbox) {
  settings_.outputDirectory = "/nowhere";
  EXPECT_FALSE(convert(Build({Message("x\r\n")})));
  EXPECT_EQ(console_.text(), "Unable to open outputfile \"/nowhere/Inbox.mbx\"!\n");
  EXPECT_FALSE(files_.exists("/nowhere/Inbox.mbx"));
  EXPECT_EQ(counter_, 0);

  // The writer stays usable for the next mailbox.
  settings_.outputDirectory = "/out";
  EXPECT_TRUE(convert(Build({Message("x\r\n")})));
  EXPECT_EQ(counter_, 1);
}

TEST_F(MboxWriterTest, EmptyFileNameNamesTheDirectory) {
  settings_.mboxTemplate = "";
  settings_.outputDirectory = "/out";
  EXPECT_FALSE(convert(Build({Message("x\r\n")})));
  EXPECT_EQ(console_.text(), "Unable to open outputfile \"/out/\"!\n");
  EXPECT_EQ(counter_, 0);
}

TEST_F(MboxWriterTest, DefectiveTextEndsTheFileAfterThePreviousMessage) {
  BuiltMailbox mailbox =
      Build({Message("m0\r\n"), Message("m1\r\n"), Message("m2\r\n"), Message("m3\r\n")});
  const uint32_t block = mailbox.blockOffsets[2].front();
  PutU32(mailbox.bytes, block + 0x0C, block);  // a block that names itself as next
  EXPECT_TRUE(convert(mailbox));
  EXPECT_EQ(contents("/mail/Inbox.mbx"), Framed("m0\r\n") + Framed("m1\r\n"));
  EXPECT_EQ(console_.text(), "File \"Inbox.dbx\" seems to be defective!\n");
  EXPECT_EQ(counter_, 0);
}

TEST_F(MboxWriterTest, DiskFullInTheFifthOfTenMessages) {
  std::vector<TestMessage> messages;
  std::string firstFour;
  for (int i = 0; i < 10; ++i) {
    const std::string text = "Subject: " + std::to_string(i) + "\r\n\r\n" + std::string(100, 'x');
    messages.push_back(Message(text));
    if (i < 4) firstFour += Framed(text, "a@example.org", "\r\n\r\n");
  }
  files_.setFileSizeLimit(firstFour.size() + 50);
  EXPECT_TRUE(convert(Build(messages)));
  EXPECT_EQ(console_.text(), "Unable to write to outputfile \"/mail/Inbox.mbx\" (disk full?)\n");
  EXPECT_EQ(contents("/mail/Inbox.mbx").substr(0, firstFour.size()), firstFour);
  EXPECT_EQ(counter_, 0);
}

TEST_F(MboxWriterTest, FailingCloseIsAFailedWrite) {
  files_.failOn(MemoryFileSystem::Operation::Close, "/mail/Inbox.mbx",
                 FileErrorCause::HardwareError);
  EXPECT_TRUE(convert(Build({Message("x\r\n")})));
  EXPECT_EQ(console_.text(), "Unable to write to outputfile \"/mail/Inbox.mbx\" (disk full?)\n");
  EXPECT_EQ(counter_, 0);
}

}  // namespace
}  // namespace quernel::testing
