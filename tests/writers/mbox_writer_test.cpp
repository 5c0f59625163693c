#include "writers/mbox_writer.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/host.h"
#include "platform/memory/memory_file_system.h"
#include "support/dbx_builder.h"
#include "support/local_zone.h"
#include "support/marking_converter.h"
#include "writers/status_headers.h"

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
    files_.addDirectory("/mail");
    files_.addDirectory("/out");
  }

  // Stores the mailbox at `inputPath` and converts it with the writer of this test.
  bool convert(const BuiltMailbox& mailbox, const std::string& inputPath = "/mail/Inbox.dbx") {
    files_.addFile(inputPath, mailbox.bytes);
    const std::unique_ptr<InputFile> input = files_.openInput(inputPath);
    const MailboxReader reader(*input, SystemHost().calendar);
    return writer_.convertMailbox(options_, inputPath, SystemHost().paths.fileNamePart(inputPath), reader,
                                  *converter_, counter_);
  }

  std::string contents(const std::string& path) const {
    return files_.contents(path).value_or("<no file " + path + ">");
  }

  LocalZone zone_{"Europe/Berlin"};
  MboxOptions options_;
  std::unique_ptr<CodePageConverter> converter_ = MakeDefaultCodePageConverter();
  MemoryFileSystem files_;
  StringConsole console_;
  MboxWriter writer_{files_, console_, SystemHost()};
  int32_t counter_ = 0;
};

struct LayoutCase {
  const char* name;
  std::string text;
  QuoteRule quoting;
  bool doubleNewline;
  std::string expectedAfterSeparator;
};

class MboxLayoutTest : public MboxWriterTest,
                       public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(MboxLayoutTest, WritesTheMessageByteForByte) {
  const LayoutCase& c = GetParam();
  options_.quoting = c.quoting;
  options_.doubleNewline = c.doubleNewline;
  ASSERT_TRUE(convert(Build({Message(c.text)})));
  EXPECT_EQ(contents("/mail/Inbox.mbx"),
            "From a@example.org " + kSentText + "\r\n" + c.expectedAfterSeparator);
  EXPECT_EQ(counter_, 1);
  EXPECT_EQ(console_.text(), "");
}

constexpr QuoteRule kMboxo{MboxVariant::Mboxo, false};
constexpr QuoteRule kMboxrd{MboxVariant::Mboxrd, false};
constexpr QuoteRule kMboxrdIc{MboxVariant::Mboxrd, true};

const LayoutCase kLayoutCases[] = {
    {"EndsInCrLf", "A: b\r\n\r\nbody\r\n", kMboxo, false, "A: b\r\n\r\nbody\r\n\r\n"},
    {"NoFinalLineEnd", "A: b\r\n\r\nbody", kMboxo, false, "A: b\r\n\r\nbody\r\n\r\n"},
    {"EndsInBareLf", "body\n", kMboxo, false, "body\n\r\n"},
    {"EndsInBareCr", "body\r", kMboxo, false, "body\r\r\n\r\n"},
    {"Empty", "", kMboxo, false, "\r\n"},
    {"DoubleNewlineAfterCrLf", "body\r\n", kMboxo, true, "body\r\n\r\n\r\n"},
    {"DoubleNewlineNoFinalLineEnd", "body", kMboxo, true, "body\r\n\r\n"},
    {"DoubleNewlineEmpty", "", kMboxo, true, "\r\n\r\n"},
    {"MboxoQuoting", "From a\r\n>From b\r\n", kMboxo, false, ">From a\r\n>From b\r\n\r\n"},
    {"MboxrdQuoting", "From a\r\n>From b\r\n", kMboxrd, false, ">From a\r\n>>From b\r\n\r\n"},
    {"LowerCaseNotQuoted", "from a\r\n", kMboxrd, false, "from a\r\n\r\n"},
    {"LowerCaseQuotedWithIc", "from a\r\n>from b\r\n", kMboxrdIc, false,
     ">from a\r\n>>from b\r\n\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, MboxLayoutTest, ::testing::ValuesIn(kLayoutCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MboxWriterTest, SeparatorLineShowsTheSenderSafely) {
  ASSERT_TRUE(convert(Build({Message("1\r\n", ""), Message("2\r\n", std::nullopt),
                             Message("3\r\n", "<x@y> \xe4"),
                             Message("4\r\n", "evil\r\nFrom forged\x01\x1f\x7f")})));
  EXPECT_EQ(contents("/mail/Inbox.mbx"),
            Framed("1\r\n", "-") + Framed("2\r\n", "-") + Framed("3\r\n", "<x@y> \xc3\xa4") +
                Framed("4\r\n", "evil__From forged__\x7f"));
}

TEST_F(MboxWriterTest, SenderGoesThroughTheMailboxsConverterOnce) {
  converter_ = std::make_unique<MarkingConverter>();
  ASSERT_TRUE(convert(Build({Message("1\r\n"), Message("2\r\n", "")})));
  // Whether "-" stands in is decided by the stored address.
  EXPECT_EQ(contents("/mail/Inbox.mbx"),
            Framed("1\r\n", "[a@example.org]") + Framed("2\r\n", "-"));
}

// The writer lays the state lines out as pieces of their own around the
// text; the file must hold what the text changed in place gives.
TEST_F(MboxWriterTest, StateLinesAsPiecesGiveTheTextChangedInPlace) {
  const std::string texts[] = {
      "",
      "no line end",
      "From a\r\nStatus: RO\r\n\r\nFrom b\r\n",
      "X-Status: A\r\n folded\r\nFrom: x\r\nStatus: O\r\n>From c\r\nX-Mozilla-Status: 0001",
      "Subject: a\n>From d\nStatus: O\n\n>>From e\nFrom f",
      "\r\nFrom g\r\n",
  };
  const uint32_t flags[] = {0, MessageFlags::kRead | MessageFlags::kAnswered, MessageFlags::kMarked};
  std::vector<TestMessage> messages;
  for (const std::string& text : texts) {
    for (uint32_t bits : flags) {
      messages.push_back(Message(text));
      messages.back().flags = bits;
    }
  }
  const BuiltMailbox mailbox = Build(messages);
  std::vector<TestMessage> changed = messages;
  for (TestMessage& message : changed) AddStatusHeaders(message.text, 0, MessageFlags(message.flags));
  const BuiltMailbox reference = Build(changed);
  for (QuoteRule quoting : {kMboxo, kMboxrd}) {
    for (bool doubleNewline : {false, true}) {
      SCOPED_TRACE(::testing::Message() << static_cast<int>(quoting.variant) << doubleNewline);
      options_.quoting = quoting;
      options_.doubleNewline = doubleNewline;
      options_.statusHeaders = false;
      options_.nameTemplate = "reference.mbx";
      ASSERT_TRUE(convert(reference, "/mail/Reference.dbx"));
      options_.statusHeaders = true;
      options_.nameTemplate = "edited.mbx";
      ASSERT_TRUE(convert(mailbox));
      EXPECT_EQ(contents("/mail/edited.mbx"), contents("/mail/reference.mbx"));
    }
  }
}

TEST_F(MboxWriterTest, ReceiveDateOnRequest) {
  options_.date = MessageDate::Receive;
  ASSERT_TRUE(convert(Build({Message("x\r\n")})));
  EXPECT_EQ(contents("/mail/Inbox.mbx"), "From a@example.org " + kReceivedText + "\r\nx\r\n\r\n");
}

TEST_F(MboxWriterTest, ReplacesAFileLeftByAnEarlierRun) {
  files_.addFile("/mail/Inbox.mbx", "old contents that must go");
  ASSERT_TRUE(convert(Build({Message("x\r\n")})));
  EXPECT_EQ(contents("/mail/Inbox.mbx"), Framed("x\r\n"));
  EXPECT_EQ(files_.listFiles(), (std::vector<std::string>{"/mail/Inbox.dbx", "/mail/Inbox.mbx"}));
}

TEST_F(MboxWriterTest, TwoMailboxesIntoOneFileKeepBoth) {
  files_.addFile("/out/All.mbox", "from an earlier run");
  options_.nameTemplate = "All.mbox";
  options_.outputDirectory = "/out";
  ASSERT_TRUE(convert(Build({Message("one\r\n")}), "/mail/Inbox.dbx"));
  ASSERT_TRUE(convert(Build({Message("two\r\n"), Message("three\r\n")}), "/mail/Sent.dbx"));
  EXPECT_EQ(contents("/out/All.mbox"), Framed("one\r\n") + Framed("two\r\n") + Framed("three\r\n"));
  EXPECT_EQ(counter_, 2);
}

// On a drive that ignores letter case (FAT, or any drive on Windows)
// "Inbox.mbx" and "INBOX.mbx" are one file: the second mailbox must go on in
// it, not replace the first one's messages.
TEST_F(MboxWriterTest, TwoSpellingsOfOneFileAreOneFileWhereCaseIsIgnored) {
  const struct {
    MemoryFileSystem::NameCase names;
    std::vector<std::pair<std::string, std::string>> expected;  // path, contents
  } cases[] = {
      {MemoryFileSystem::NameCase::Sensitive,
       {{"/mail/INBOX.mbx", Framed("two\r\n") + Framed("three\r\n")}, {"/mail/Inbox.mbx", Framed("one\r\n")}}},
      {MemoryFileSystem::NameCase::Insensitive,
       {{"/mail/Inbox.mbx", Framed("one\r\n") + Framed("two\r\n") + Framed("three\r\n")}}},
  };
  options_.nameTemplate = "$DBXNAME_L:5$.mbx";
  for (const auto& c : cases) {
    MemoryFileSystem files(c.names);
    MboxWriter writer(files, console_, SystemHost());
    int32_t counter = 0;
    const std::pair<std::string, BuiltMailbox> mailboxes[] = {
        {"/mail/Inbox.dbx", Build({Message("one\r\n")})},
        {"/mail/INBOX2.dbx", Build({Message("two\r\n"), Message("three\r\n")})}};
    for (const auto& [path, mailbox] : mailboxes) {
      files.addFile(path, mailbox.bytes);
      const std::unique_ptr<InputFile> input = files.openInput(path);
      ASSERT_TRUE(writer.convertMailbox(options_, path, SystemHost().paths.fileNamePart(path), MailboxReader(*input, SystemHost().calendar), *converter_, counter));
    }
    std::vector<std::pair<std::string, std::string>> mboxes;
    for (const std::string& path : files.listFiles()) {
      if (path.ends_with(".mbx")) mboxes.emplace_back(path, *files.contents(path));
    }
    EXPECT_EQ(mboxes, c.expected);
    EXPECT_EQ(counter, 2);
  }
  EXPECT_EQ(console_.text(), "");
}

// A file from an earlier run is replaced only by a complete mailbox. When
// the conversion fails it stays as it was, and what was written is kept
// beside it under the name the failure line shows.
TEST_F(MboxWriterTest, AFailedConversionLeavesTheEarlierFileAndKeepsItsOutputBeside) {
  BuiltMailbox damaged = Build({Message("m0\r\n"), Message("m1\r\n"), Message("m2\r\n")});
  const uint32_t block = damaged.blockOffsets[1].front();
  PutU32(damaged.bytes, block + 0x0C, block);  // a block that names itself as next
  const BuiltMailbox whole = Build({Message("m0\r\n"), Message("m1\r\n"), Message("m2\r\n")});
  const std::string complete = Framed("m0\r\n") + Framed("m1\r\n") + Framed("m2\r\n");
  using Operation = MemoryFileSystem::Operation;
  const std::string defective = "File \"Inbox.dbx\" seems to be defective!";
  const std::string refused = "Unable to write to outputfile \"/mail/Inbox.mbx\" (disk full?)";
  const std::string keptBeside = " (output kept in \"/mail/Inbox.mbx.new\")\n";
  const struct {
    const char* name;
    const BuiltMailbox& mailbox;
    std::function<void(MemoryFileSystem&)> arrange;
    std::string line;
    std::string keptContents;
  } cases[] = {
      {"Defective", damaged, [](MemoryFileSystem&) {}, defective + keptBeside, Framed("m0\r\n")},
      {"RefusedRename", whole,
       [](MemoryFileSystem& fs) { fs.failOn(Operation::Rename, "/mail/Inbox.mbx", FileErrorCause::AccessDenied); },
       refused + keptBeside, complete},
      {"SideNameTaken", damaged, [](MemoryFileSystem& fs) { fs.addFile("/mail/Inbox.mbx.new", "someone's"); },
       defective + " (output kept in \"/mail/Inbox.mbx(1).new\")\n", Framed("m0\r\n")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryFileSystem files;
    files.addFile("/mail/Inbox.mbx", "last week's complete mbox", 7);
    c.arrange(files);
    files.addFile("/mail/Inbox.dbx", c.mailbox.bytes);
    const std::unique_ptr<InputFile> input = files.openInput("/mail/Inbox.dbx");
    StringConsole console;
    int32_t counter = 0;
    EXPECT_TRUE(MboxWriter(files, console, SystemHost()).convertMailbox(options_, "/mail/Inbox.dbx", "Inbox.dbx",
                                                          MailboxReader(*input, SystemHost().calendar), *converter_, counter));
    EXPECT_EQ(console.text(), c.line);
    EXPECT_EQ(counter, 0);
    EXPECT_EQ(files.contents("/mail/Inbox.mbx"), "last week's complete mbox");
    EXPECT_EQ(files.lastWriteTimeOf("/mail/Inbox.mbx"), 7u);
    const size_t kept = c.line.find("output kept in \"") + 16;
    EXPECT_EQ(files.contents(c.line.substr(kept, c.line.find('"', kept) - kept)), c.keptContents);
  }
}

// Two mailboxes into one file that an earlier run left: the first fails,
// so the second goes on in the file kept beside it, and the earlier file
// stays whole.
TEST_F(MboxWriterTest, AfterAFailedReplacementTheRunGoesOnInTheKeptFile) {
  files_.addFile("/out/All.mbox", "from an earlier run");
  options_.nameTemplate = "All.mbox";
  options_.outputDirectory = "/out";
  BuiltMailbox damaged = Build({Message("one\r\n"), Message("lost\r\n")});
  const uint32_t block = damaged.blockOffsets[1].front();
  PutU32(damaged.bytes, block + 0x0C, block);
  ASSERT_TRUE(convert(damaged, "/mail/Inbox.dbx"));
  ASSERT_TRUE(convert(Build({Message("two\r\n")}), "/mail/Sent.dbx"));
  EXPECT_EQ(contents("/out/All.mbox"), "from an earlier run");
  EXPECT_EQ(contents("/out/All.mbox.new"), Framed("one\r\n") + Framed("two\r\n"));
  EXPECT_EQ(console_.text(), "File \"Inbox.dbx\" seems to be defective! (output kept in \"/out/All.mbox.new\")\n");
  EXPECT_EQ(counter_, 1);
}

struct PathCase {
  const char* name;
  std::string outputDirectory;
  std::string expectedPath;
};

class MboxPathTest : public MboxWriterTest, public ::testing::WithParamInterface<PathCase> {};

TEST_P(MboxPathTest, JoinsDirectoryAndExpandedName) {
  options_.outputDirectory = GetParam().outputDirectory;
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
  options_.outputDirectory = "/nowhere";
  EXPECT_FALSE(convert(Build({Message("x\r\n")})));
  EXPECT_EQ(console_.text(), "Unable to open outputfile \"/nowhere/Inbox.mbx\"!\n");
  EXPECT_FALSE(files_.exists("/nowhere/Inbox.mbx"));
  EXPECT_EQ(counter_, 0);

  // The writer stays usable for the next mailbox.
  options_.outputDirectory = "/out";
  EXPECT_TRUE(convert(Build({Message("x\r\n")})));
  EXPECT_EQ(counter_, 1);
}

TEST_F(MboxWriterTest, EmptyFileNameNamesTheDirectory) {
  options_.nameTemplate = "";
  options_.outputDirectory = "/out";
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

// Messages are gathered into writes of up to 1 MiB. Whatever stops the
// writing, the file must hold exactly what writing each message on its own
// leaves: every message before a failed read, and below a size limit the
// same bytes up to the limit.
enum class Damage { None, BadSector, SelfPointingBlock };

struct GatheringCase {
  const char* name;
  size_t textSize;     // bytes of filler per message
  int messages;
  Damage damage;       // in the middle of message `damaged`
  int damaged;
  std::optional<size_t> limitInMessage;  // a file size limit in the middle of this message
  const char* line;    // the console's report
  size_t writes;       // writes the file receives (attempts included)
};

const GatheringCase kGatheringCases[] = {
    {"SmallMessagesOneWrite", 100, 40, Damage::None, 0, std::nullopt, "", 1},
    {"LargeMessagesTwoPerWrite", 400 * 1024, 5, Damage::None, 0, std::nullopt, "", 3},
    {"MessageLargerThanAWriteAlone", 1536 * 1024, 2, Damage::None, 0, std::nullopt, "", 2},
    {"DefectiveSmallMessage", 100, 40, Damage::SelfPointingBlock, 25, std::nullopt,
     "File \"Inbox.dbx\" seems to be defective!\n", 1},
    {"DefectiveFirstMessage", 100, 3, Damage::SelfPointingBlock, 0, std::nullopt,
     "File \"Inbox.dbx\" seems to be defective!\n", 0},
    {"BadSectorAfterAFullWrite", 400 * 1024, 6, Damage::BadSector, 3, std::nullopt,
     "Unable to read mailbox \"Inbox.dbx\" (hardware error)!\n", 2},
    {"LimitInAWaitingMessage", 400 * 1024, 6, Damage::None, 0, 3,
     "Unable to write to outputfile \"/mail/Inbox.mbx\" (disk full?)\n", 2},
    {"LimitBeforeTheBadSector", 400 * 1024, 6, Damage::BadSector, 3, 2,
     "Unable to write to outputfile \"/mail/Inbox.mbx\" (disk full?)\n", 2},
    {"LimitInSmallMessages", 100, 40, Damage::None, 0, 30,
     "Unable to write to outputfile \"/mail/Inbox.mbx\" (disk full?)\n", 1},
};

class MboxGatheringTest : public MboxWriterTest,
                          public ::testing::WithParamInterface<GatheringCase> {};

TEST_P(MboxGatheringTest, FileHoldsWhatSingleWritesWouldLeave) {
  const GatheringCase& c = GetParam();
  options_.quoting = kMboxrd;
  std::vector<TestMessage> messages;
  std::vector<std::string> framed;  // each message as the file must hold it
  for (int i = 0; i < c.messages; ++i) {
    // A "From " line in every message, so that quotes lie between the runs.
    const std::string filler(c.textSize, static_cast<char>('a' + i % 26));
    messages.push_back(Message("Subject: " + std::to_string(i) + "\r\n\r\nFrom here\r\n" + filler));
    framed.push_back(Framed("Subject: " + std::to_string(i) + "\r\n\r\n>From here\r\n" + filler,
                            "a@example.org", "\r\n\r\n"));
  }
  BuiltMailbox mailbox = Build(messages);
  const std::vector<uint32_t>& blocks = mailbox.blockOffsets[static_cast<size_t>(c.damaged)];
  const uint32_t middle = blocks[blocks.size() / 2];
  if (c.damage == Damage::SelfPointingBlock) PutU32(mailbox.bytes, middle + 0x0C, middle);
  if (c.damage == Damage::BadSector) {
    files_.failReadAt("/mail/Inbox.dbx", middle + 0x20, FileErrorCause::HardwareError);
  }
  const int readable = c.damage == Damage::None ? c.messages : c.damaged;
  std::string expected;
  for (int i = 0; i < readable; ++i) expected += framed[static_cast<size_t>(i)];
  if (c.limitInMessage) {
    size_t limit = framed[*c.limitInMessage].size() / 2;
    for (size_t i = 0; i < *c.limitInMessage; ++i) limit += framed[i].size();
    files_.setFileSizeLimit(limit);
    expected.resize(limit);
  }

  EXPECT_TRUE(convert(mailbox));
  EXPECT_EQ(contents("/mail/Inbox.mbx"), expected);
  EXPECT_EQ(console_.text(), c.line);
  EXPECT_EQ(counter_, std::string(c.line).empty() ? 1 : 0);
  EXPECT_EQ(files_.stats().writes, c.writes);
}

INSTANTIATE_TEST_SUITE_P(Cases, MboxGatheringTest, ::testing::ValuesIn(kGatheringCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MboxWriterTest, FailingCloseIsAFailedWrite) {
  files_.failOn(MemoryFileSystem::Operation::Close, "/mail/Inbox.mbx",
                 FileErrorCause::HardwareError);
  EXPECT_TRUE(convert(Build({Message("x\r\n")})));
  EXPECT_EQ(console_.text(), "Unable to write to outputfile \"/mail/Inbox.mbx\" (disk full?)\n");
  EXPECT_EQ(counter_, 0);
}

}  // namespace
}  // namespace quernel::testing
