#include "writers/eml_writer.h"

#include <gtest/gtest.h>

#include <memory>
#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dbx/mailbox_reader.h"
#include "platform/host.h"
#include "platform/memory/memory_file_system.h"
#include "support/dbx_builder.h"
#include "support/marking_converter.h"
#include "support/string_input_file.h"
#include "writers/eml_paths.h"

namespace quernel {
namespace {

using testing::DbxBuilder;
using testing::FileTimeFromUnix;
using testing::MarkingConverter;
using testing::StringInputFile;
using testing::TestMessage;

constexpr int64_t kSent = 1100000000;      // 2004-11-09
constexpr int64_t kReceived = 1100003600;  // an hour later

// A message named by its subject (the tests use the template "$SUBJ$").
TestMessage Message(std::string subject, std::string text, std::optional<int64_t> sent = kSent,
                    std::optional<int64_t> received = kReceived) {
  TestMessage message;
  message.subject = std::move(subject);
  message.text = std::move(text);
  if (sent) message.sendTime = FileTimeFromUnix(*sent);
  if (received) message.receiveTime = FileTimeFromUnix(*received);
  return message;
}

std::vector<TestMessage> Numbered(int count, const std::string& subject) {
  std::vector<TestMessage> messages;
  for (int i = 0; i < count; ++i) {
    messages.push_back(Message(subject, "Subject: " + subject + "\r\n\r\nbody " +
                                            std::to_string(i) + "\r\n"));
  }
  return messages;
}

class EmlWriterTest : public ::testing::Test {
 protected:
  EmlWriterTest() {
    options.nameTemplate = "$SUBJ$";
    fs.createDirectory("/mail");
  }

  // Converts one mailbox with `writer`; returns the eml counter's increment.
  int32_t convert(EmlWriter& writer, const std::string& bytes,
                  const std::string& inputPath = "/mail/Inbox.dbx") {
    StringInputFile file(bytes, inputPath);
    MailboxReader reader(file, SystemHost().calendar);
    int32_t counter = 0;
    const std::string fileName = SystemHost().paths.fileNamePart(inputPath);
    writer.convertMailbox(options, inputPath, fileName, SystemHost().text.displayForm(fileName), reader, *converter,
                          counter);
    return counter;
  }

  int32_t convert(EmlWriter& writer, const std::vector<TestMessage>& messages,
                  const std::string& inputPath = "/mail/Inbox.dbx") {
    return convert(writer, Build(messages), inputPath);
  }

  int32_t convert(const std::vector<TestMessage>& messages,
                  const std::string& inputPath = "/mail/Inbox.dbx") {
    return convert(writer, messages, inputPath);
  }

  static std::string Build(const std::vector<TestMessage>& messages) {
    DbxBuilder builder;
    for (const TestMessage& message : messages) builder.add(message);
    return builder.build().bytes;
  }

  // ---- What the file system holds ----------------------------------------

  std::optional<std::string> contents(const std::string& path) { return fs.contents(path); }
  std::optional<int64_t> writeTime(const std::string& path) { return fs.mtimeOf(path); }

  // The names of the regular files directly in `directory`, sorted.
  std::vector<std::string> namesIn(const std::string& directory) {
    const std::string prefix = directory + "/";
    std::vector<std::string> names;
    for (const std::string& path : fs.listFiles()) {
      if (path.starts_with(prefix) && path.find('/', prefix.size()) == std::string::npos) {
        names.push_back(path.substr(prefix.size()));
      }
    }
    return names;
  }

  MemoryFileSystem fs;
  StringConsole console;
  EmlOptions options;
  std::unique_ptr<CodePageConverter> converter = MakeDefaultCodePageConverter();
  EmlWriter writer{fs, console, SystemHost()};
};

TEST_F(EmlWriterTest, TakenNamesGetTheNextNumberBeforeTheirLastDot) {
  const struct {
    const char* name;
    std::vector<std::string> expected;  // in message order
  } cases[] = {
      {"Hello.eml", {"Hello.eml", "Hello(1).eml", "Hello(2).eml"}},
      {"Note", {"Note", "Note(1)", "Note(2)"}},
      {".eml", {".eml", "(1).eml", "(2).eml"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string directory = std::string("/mail/") + c.name + "-box";
    auto messages = Numbered(3, c.name);
    EXPECT_EQ(convert(messages, directory + ".dbx"), 1);
    EXPECT_EQ(namesIn(directory).size(), 3u);
    for (size_t k = 0; k < 3; ++k) {
      EXPECT_EQ(contents(directory + "/" + c.expected[k]), messages[k].text);
    }
  }
  EXPECT_EQ(console.text(), "");
}

TEST_F(EmlWriterTest, NamesComeFromStoredStringsThroughTheMailboxsConverter) {
  // Stored Windows-1252 in the default converter: UTF-8 names on Linux.
  std::vector<TestMessage> messages = {Message("Caf\xE9", "1")};
  EXPECT_EQ(convert(messages), 1);
  EXPECT_EQ(contents("/mail/Inbox/Caf\xC3\xA9"), "1");

  // The mailbox's own name is a path already and is not converted; every
  // message string is, once.
  converter = std::make_unique<MarkingConverter>();
  options.nameTemplate = "$DBXNAME$ $SUBJ$ $SNAME$";
  messages = {Message("Hello", "2"), Message("", "3")};
  messages[0].senderName = "Ann";
  EXPECT_EQ(convert(messages, "/mail/Sent.dbx"), 1);
  EXPECT_EQ(namesIn("/mail/Sent"), (std::vector<std::string>{"Sent [Hello] [Ann]", "Sent [] []"}));
}

TEST_F(EmlWriterTest, SecondRunWithoutOverwriteKeepsTheFirstRunsFiles) {
  auto first = Numbered(2, "Hello.eml");
  ASSERT_EQ(convert(first), 1);
  EmlWriter secondRun(fs, console, SystemHost());
  auto second = Numbered(2, "Hello.eml");
  second[0].text = "second run 0";
  second[1].text = "second run 1";
  EXPECT_EQ(convert(secondRun, second), 1);

  EXPECT_EQ(contents("/mail/Inbox/Hello.eml"), first[0].text);
  EXPECT_EQ(contents("/mail/Inbox/Hello(1).eml"), first[1].text);
  EXPECT_EQ(contents("/mail/Inbox/Hello(2).eml"), second[0].text);
  EXPECT_EQ(contents("/mail/Inbox/Hello(3).eml"), second[1].text);
  EXPECT_EQ(namesIn("/mail/Inbox").size(), 4u);
}

TEST_F(EmlWriterTest, OverwriteReplacesEarlierRunsButNothingOfItsOwnRun) {
  auto first = Numbered(3, "Hello.eml");
  first[1].text.append(1000, 'x');  // longer than its replacement: truncation shows
  ASSERT_EQ(convert(first), 1);

  options.overwrite = true;
  EmlWriter secondRun(fs, console, SystemHost());
  auto second = Numbered(3, "Hello.eml");
  for (auto& message : second) message.text = "new " + message.text;
  EXPECT_EQ(convert(secondRun, second), 1);

  EXPECT_EQ(contents("/mail/Inbox/Hello.eml"), second[0].text);
  EXPECT_EQ(contents("/mail/Inbox/Hello(1).eml"), second[1].text);
  EXPECT_EQ(contents("/mail/Inbox/Hello(2).eml"), second[2].text);
  EXPECT_EQ(writeTime("/mail/Inbox/Hello(1).eml"), kSent);  // on the file that replaced the old one
  EXPECT_EQ(namesIn("/mail/Inbox").size(), 3u);
  EXPECT_EQ(console.text(), "");
}

TEST_F(EmlWriterTest, OverwriteSkipsANumberedNameThatAMessageWasGivenAsItsOwn) {
  options.overwrite = true;
  std::vector<TestMessage> messages = {Message("Hello(1).eml", "own name"),
                                       Message("Hello.eml", "first"),
                                       Message("Hello.eml", "second")};
  EXPECT_EQ(convert(messages), 1);
  EXPECT_EQ(contents("/mail/Inbox/Hello(1).eml"), "own name");
  EXPECT_EQ(contents("/mail/Inbox/Hello.eml"), "first");
  EXPECT_EQ(contents("/mail/Inbox/Hello(2).eml"), "second");
}

TEST_F(EmlWriterTest, OverwriteKeepsWhatAnEarlierMailboxOfTheRunWroteToTheSameFolder) {
  options.overwrite = true;
  options.flatFolders = true;
  fs.addFile("/mail/Hello.eml", "from last week");
  auto inbox = Numbered(1, "Hello.eml");
  auto archive = Numbered(2, "Hello.eml");
  archive[0].text = "archive 0";
  archive[1].text = "archive 1";
  EXPECT_EQ(convert(inbox, "/mail/Inbox.dbx"), 1);
  EXPECT_EQ(convert(archive, "/mail/Archive.dbx"), 1);

  EXPECT_EQ(contents("/mail/Hello.eml"), inbox[0].text);
  EXPECT_EQ(contents("/mail/Hello(1).eml"), archive[0].text);
  EXPECT_EQ(contents("/mail/Hello(2).eml"), archive[1].text);
}

// On a drive that ignores letter case (FAT, or any drive on Windows) the
// three names are one file: with -overwrite the second and third message
// must take numbered names rather than replace the first.
TEST_F(EmlWriterTest, OverwriteNumbersNamesThatDifferOnlyInCaseWhereCaseIsIgnored) {
  const struct {
    MemoryFileSystem::NameCase names;
    std::vector<std::string> expected;  // in message order
  } cases[] = {
      {MemoryFileSystem::NameCase::Sensitive, {"/mail/Hello.eml", "/mail/hello.eml", "/mail/HELLO.eml"}},
      {MemoryFileSystem::NameCase::Insensitive, {"/mail/Hello.eml", "/mail/hello(1).eml", "/mail/HELLO(2).eml"}},
  };
  options.overwrite = true;
  options.flatFolders = true;
  const std::vector<TestMessage> messages = {Message("Hello.eml", "1"), Message("hello.eml", "2"),
                                             Message("HELLO.eml", "3")};
  for (const auto& c : cases) {
    MemoryFileSystem files(c.names);
    files.addDirectory("/mail");
    EmlWriter run(files, console, SystemHost());
    EXPECT_EQ(convert(run, messages), 1);
    EXPECT_EQ(files.listFiles().size(), 3u);
    for (size_t k = 0; k < 3; ++k) EXPECT_EQ(files.contents(c.expected[k]), messages[k].text) << c.expected[k];
  }
  EXPECT_EQ(console.text(), "");
}

// With -overwrite an earlier run's file is replaced only by the complete
// message: a failure leaves it as it was, and nothing beside it.
TEST_F(EmlWriterTest, OverwriteKeepsTheEarlierFileWhenTheMessageFails) {
  DbxBuilder builder;
  builder.add(Message("Hello.eml", std::string(1500, 'n')));
  auto damaged = builder.build();
  const uint32_t block = damaged.blockOffsets[0][0];
  testing::PutU32(damaged.bytes, block + 0x0C, block);  // points to itself
  const std::string whole = Build({Message("Hello.eml", std::string(300, 'n'))});
  const struct {
    const char* name;
    const std::string& mailbox;
    std::function<void(MemoryFileSystem&)> arrange;
    const char* line;
  } cases[] = {
      {"Defective", damaged.bytes, [](MemoryFileSystem&) {}, "File \"Inbox.dbx\" seems to be defective!\n"},
      {"RefusedRename", whole,
       [](MemoryFileSystem& files) {
         files.failOn(MemoryFileSystem::Operation::Rename, "/mail/Inbox/Hello.eml", FileErrorCause::AccessDenied);
       },
       "Unable to write to outputfile \"/mail/Inbox/Hello.eml\" (disk full?)\n"},
      {"HeldByAnotherProgram", whole,
       [](MemoryFileSystem& files) { files.holdByOtherProcess("/mail/Inbox/Hello.eml"); },
       "Unable to open outputfile \"/mail/Inbox/Hello.eml\"!\n"},
  };
  options.overwrite = true;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryFileSystem files;
    files.addFile("/mail/Inbox/Hello.eml", "last week's", 7);
    c.arrange(files);
    console.clear();
    EmlWriter run(files, console, SystemHost());
    EXPECT_EQ(convert(run, c.mailbox), 0);
    EXPECT_EQ(console.text(), c.line);
    EXPECT_EQ(files.contents("/mail/Inbox/Hello.eml"), "last week's");
    EXPECT_EQ(files.lastWriteTimeOf("/mail/Inbox/Hello.eml"), 7u);
    EXPECT_EQ(files.listFiles(), std::vector<std::string>{"/mail/Inbox/Hello.eml"});
  }
}

TEST_F(EmlWriterTest, FlatFoldersCreateTheOutputDirectoryItself) {
  options.flatFolders = true;
  options.outputDirectory = "/out";
  auto messages = Numbered(1, "Hello.eml");
  EXPECT_EQ(convert(messages), 1);
  EXPECT_EQ(contents("/out/Hello.eml"), messages[0].text);
}

TEST_F(EmlWriterTest, MissingOutputDirectoryFailsAtTheFirstMessage) {
  options.outputDirectory = "/nowhere/out";
  EXPECT_EQ(convert(Numbered(2, "Hello.eml")), 0);
  EXPECT_EQ(console.text(), "Unable to open outputfile \"/nowhere/out/Inbox/Hello.eml\"!\n");
}

TEST_F(EmlWriterTest, NamesThatCannotBeCreatedEndTheMailbox) {
  // An empty name leaves the folder itself as the path; a folder in the way
  // counts as free for the search and then cannot be created.
  const struct {
    const char* subject;
    const char* line;
  } cases[] = {
      {"", "Unable to open outputfile \"/mail/Inbox/\"!\n"},
      {"Hello.eml", "Unable to open outputfile \"/mail/Inbox/Hello.eml\"!\n"},
  };
  fs.createDirectory("/mail/Inbox");
  fs.createDirectory("/mail/Inbox/Hello.eml");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.subject);
    console.clear();
    std::vector<TestMessage> messages = {Message("first", "1"), Message(c.subject, "2"),
                                         Message("third", "3")};
    EXPECT_EQ(convert(messages), 0);
    EXPECT_EQ(console.text(), c.line);
    EXPECT_FALSE(contents("/mail/Inbox/third").has_value());
  }
}

TEST_F(EmlWriterTest, FileTimeIsTheChosenMessageDateOrTheWriteTime) {
  std::vector<TestMessage> messages = {
      Message("both", "1", kSent, kReceived),
      Message("no send date", "2", std::nullopt, kReceived),
      Message("no receive date", "3", kSent, std::nullopt),
  };
  const std::string bytes = Build(messages);
  ASSERT_EQ(convert(writer, bytes), 1);
  EXPECT_EQ(writeTime("/mail/Inbox/both"), kSent);
  // Without its own date a file keeps the time it was written; the other
  // date is not taken instead.
  EXPECT_NE(writeTime("/mail/Inbox/no send date"), kReceived);
  EXPECT_NE(writeTime("/mail/Inbox/no send date"), kSent);
  EXPECT_EQ(writeTime("/mail/Inbox/no receive date"), kSent);

  options.date = MessageDate::Receive;
  options.flatFolders = true;
  ASSERT_EQ(convert(writer, bytes), 1);
  EXPECT_EQ(writeTime("/mail/both"), kReceived);
  EXPECT_EQ(writeTime("/mail/no send date"), kReceived);
  EXPECT_NE(writeTime("/mail/no receive date"), kSent);
}

TEST_F(EmlWriterTest, TextIsWrittenExactlyAndAnEmptyTextGivesAnEmptyFile) {
  const std::string raw = "From: a\r\nSubject: x\r\n\r\nFrom here\n>From there\r\n\xE4\xF6";
  std::vector<TestMessage> messages = {Message("raw", raw), Message("empty", "")};
  EXPECT_EQ(convert(messages), 1);
  EXPECT_EQ(contents("/mail/Inbox/raw"), raw);
  EXPECT_EQ(contents("/mail/Inbox/empty"), "");
}

TEST_F(EmlWriterTest, StateLinesOnRequestOnly) {
  std::vector<TestMessage> messages = {Message("answered", "Subject: a\r\nX-Status: D\r\n\r\nbody\r\n")};
  messages[0].flags = MessageFlags::kAnswered | MessageFlags::kForwarded;
  EXPECT_EQ(convert(messages), 1);
  EXPECT_EQ(contents("/mail/Inbox/answered"), messages[0].text);

  options.statusHeaders = true;
  options.flatFolders = true;
  EXPECT_EQ(convert(messages), 1);
  EXPECT_EQ(contents("/mail/answered"),
            "Subject: a\r\nStatus: O\r\nX-Status: A\r\nX-Mozilla-Status: 1002\r\n"
            "X-Mozilla-Status2: 00000000\r\n\r\nbody\r\n");
}

TEST_F(EmlWriterTest, DiskFullKeepsTheEarlierFilesAndDeletesTheFailedOne) {
  std::vector<TestMessage> messages;
  for (int i = 1; i <= 10; ++i) {
    // Message 5 is the first one larger than the limit.
    const size_t size = i < 5 ? 100 : 300;
    messages.push_back(Message("m" + std::to_string(i), std::string(size, 'a' + i)));
  }
  fs.setFileSizeLimit(200);
  EXPECT_EQ(convert(messages), 0);
  EXPECT_EQ(console.text(), "Unable to write to outputfile \"/mail/Inbox/m5\" (disk full?)\n");
  EXPECT_EQ(namesIn("/mail/Inbox"), (std::vector<std::string>{"m1", "m2", "m3", "m4"}));

  // The next mailbox is converted as usual.
  console.clear();
  EXPECT_EQ(convert(Numbered(2, "small"), "/mail/Next.dbx"), 1);
  EXPECT_EQ(console.text(), "");
}

TEST_F(EmlWriterTest, DefectiveTextChainNamesTheMailboxAndDeletesItsFile) {
  std::vector<TestMessage> messages;
  for (int i = 1; i <= 5; ++i) {
    messages.push_back(Message("m" + std::to_string(i), std::string(1500, 'a' + i)));
  }
  DbxBuilder builder;
  for (const TestMessage& message : messages) builder.add(message);
  auto built = builder.build();
  const uint32_t block = built.blockOffsets[2][0];
  testing::PutU32(built.bytes, block + 0x0C, block);  // points to itself

  EXPECT_EQ(convert(writer, built.bytes), 0);
  EXPECT_EQ(console.text(), "File \"Inbox.dbx\" seems to be defective!\n");
  EXPECT_EQ(namesIn("/mail/Inbox"), (std::vector<std::string>{"m1", "m2"}));
}

TEST_F(EmlWriterTest, FailingCloseCountsAsAFailedWrite) {
  // Every message is closed under the temporary name before it gets its own.
  fs.failOn(MemoryFileSystem::Operation::Close, "/mail/Inbox/" + TemporaryEmlName(0), FileErrorCause::DiskFull);
  std::vector<TestMessage> messages = {Message("m1", "1"), Message("m2", "2"),
                                       Message("m3", "3")};
  EXPECT_EQ(convert(messages), 0);
  EXPECT_EQ(console.text(), "Unable to write to outputfile \"/mail/Inbox/m1\" (disk full?)\n");
  EXPECT_EQ(namesIn("/mail/Inbox"), std::vector<std::string>{});
}

TEST_F(EmlWriterTest, FileHeldByAnotherProgramCountsAsFreeAndIsLeftAlone) {
  fs.createDirectory("/mail/Inbox");
  fs.addFile("/mail/Inbox/Hello.eml", "another program's");
  fs.holdByOtherProcess("/mail/Inbox/Hello.eml");
  EXPECT_EQ(convert({Message("Hello.eml", "1"), Message("Hello.eml", "2")}), 0);
  EXPECT_EQ(console.text(), "Unable to open outputfile \"/mail/Inbox/Hello.eml\"!\n");
  EXPECT_EQ(contents("/mail/Inbox/Hello.eml"), "another program's");
  EXPECT_FALSE(contents("/mail/Inbox/Hello(1).eml").has_value());
}

// A mailbox's messages with `before(i)` run as message i's text is asked
// for, after the writer has chosen its name and made its file.
class HookedSource final : public MessageSource {
 public:
  HookedSource(MessageSource& inner, std::function<void(int32_t)> before) : inner_(inner), before_(before) {}
  NamingFields mailboxFields() const override { return inner_.mailboxFields(); }
  int32_t messageCount() const override { return inner_.messageCount(); }
  const MessageProperties& properties(int32_t i) override { return inner_.properties(i); }
  bool appendText(int32_t i, std::string& text) override {
    before_(i);
    return inner_.appendText(i, text);
  }

 private:
  MessageSource& inner_;
  std::function<void(int32_t)> before_;
};

struct Killed {};  // the end of a run killed while it writes a message

TEST_F(EmlWriterTest, AnInterruptedRunLeavesNoPartFileUnderAMessagesNameAndTheNextRunClearsUp) {
  const std::vector<TestMessage> messages = {Message("first.eml", "1"), Message("big one.eml", "2")};
  const std::string bytes = Build(messages);
  fs.createDirectory("/mail/Inbox");
  StringInputFile file(bytes, "/mail/Inbox.dbx");
  MailboxReader reader(file, SystemHost().calendar);
  ReaderSource whole(reader, SystemHost().paths);
  HookedSource dying(whole, [](int32_t i) {
    if (i == 1) throw Killed{};
  });
  int32_t counter = 0;
  EXPECT_THROW(writer.convertMailboxInto(options, "/mail/Inbox/", "Inbox.dbx", dying, *converter, counter), Killed);
  EXPECT_EQ(namesIn("/mail/Inbox"), (std::vector<std::string>{"first.eml", TemporaryEmlName(0)}));

  // What an interrupted run left is removed, unless another run holds it;
  // names quernel never writes stay whatever they resemble.
  const std::vector<std::string> foreign = {"quernel.tmp", "\x7Fquernel(1)a.tmp", "\x7Fquernel(01).tmp"};
  for (const std::string& name : foreign) fs.addFile("/mail/Inbox/" + name, "theirs");
  fs.addFile("/mail/Inbox/" + TemporaryEmlName(7), "left");
  fs.addFile("/mail/Inbox/" + TemporaryEmlName(2), "being written");
  fs.holdByOtherProcess("/mail/Inbox/" + TemporaryEmlName(2));
  EmlWriter rerun(fs, console, SystemHost());
  EXPECT_EQ(convert(rerun, bytes), 1);
  std::vector<std::string> expected = {"big one.eml", "first(1).eml", "first.eml", TemporaryEmlName(2)};
  expected.insert(expected.end(), foreign.begin(), foreign.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(namesIn("/mail/Inbox"), expected);
  EXPECT_EQ(contents("/mail/Inbox/big one.eml"), messages[1].text);
  EXPECT_EQ(console.text(), "");

  // A name another program takes while the message is written is left alone.
  HookedSource intruding(whole, [this](int32_t) { fs.addFile("/mail/Inbox/Hello.eml", "another program's"); });
  options.nameTemplate = "Hello.eml";
  writer.convertMailboxInto(options, "/mail/Inbox/", "Inbox.dbx", intruding, *converter, counter);
  EXPECT_EQ(counter, 1);
  EXPECT_EQ(contents("/mail/Inbox/Hello.eml"), "another program's");
  EXPECT_EQ(contents("/mail/Inbox/Hello(1).eml"), messages[0].text);
  EXPECT_EQ(contents("/mail/Inbox/Hello(2).eml"), messages[1].text);
}

TEST_F(EmlWriterTest, ManyMessagesWithOneNameCostOneProbeEach) {
  constexpr int kCount = 10000;
  const std::string bytes = Build(Numbered(kCount, "Same.eml"));
  fs.resetStats();
  ASSERT_EQ(convert(writer, bytes), 1);
  // A free name is created at once, without a probe; then one write, stamp
  // and close per message.
  EXPECT_LE(fs.stats().inputOpens, size_t{kCount} + 1);
  EXPECT_EQ(fs.stats().outputCreates, size_t{kCount});
  EXPECT_EQ(fs.stats().writes, size_t{kCount});
  EXPECT_EQ(fs.stats().stamps, size_t{kCount});
  EXPECT_EQ(fs.stats().closes, size_t{kCount});
  EXPECT_EQ(namesIn("/mail/Inbox").size(), size_t{kCount});
  EXPECT_TRUE(contents("/mail/Inbox/Same(9999).eml").has_value());

  // A second run searches past the first run's names once, then goes on
  // from there.
  EmlWriter secondRun(fs, console, SystemHost());
  fs.resetStats();
  ASSERT_EQ(convert(secondRun, bytes), 1);
  EXPECT_LE(fs.stats().inputOpens, size_t{2 * kCount} + 1);
  EXPECT_TRUE(contents("/mail/Inbox/Same(19999).eml").has_value());
}

}  // namespace
}  // namespace quernel
