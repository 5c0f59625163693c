// The failure injection and call counting that tests of the writers rely on.

#include "platform/memory/memory_file_system.h"

#include <gtest/gtest.h>

#include "file_test_helpers.h"

namespace quernel {
namespace {

using Operation = MemoryFileSystem::Operation;
using testing::CauseOf;

TEST(MemoryFileSystem, ASizeLimitStoresThePartBelowItAndReportsDiskFull) {
  MemoryFileSystem fs;
  fs.setFileSizeLimit(10);
  std::unique_ptr<OutputFile> out = fs.createOutput("a.eml", CreateMode::Truncate);
  out->write("12345678");
  const std::string_view pieces[] = {"ab", "cdef"};
  EXPECT_EQ(CauseOf([&] { out->write(pieces); }), FileErrorCause::DiskFull);
  EXPECT_EQ(CauseOf([&] { out->write("z"); }), FileErrorCause::DiskFull);
  out->close();
  EXPECT_EQ(fs.contents("a.eml"), "12345678ab");
  // The limit holds for each file on its own.
  fs.createOutput("b.eml", CreateMode::Truncate)->write("0123456789");
  EXPECT_EQ(fs.contents("b.eml"), "0123456789");
}

TEST(MemoryFileSystem, InjectedFailuresRaiseTheirCause) {
  MemoryFileSystem fs;
  fs.addFile("/mail/Inbox.dbx", "bytes");
  fs.failOn(Operation::OpenInput, "/mail//Inbox.dbx", FileErrorCause::HardwareError);
  EXPECT_EQ(CauseOf([&] { fs.openInput("/mail/Inbox.dbx"); }), FileErrorCause::HardwareError);

  fs.addFile("/mail/Sent.dbx", "bytes");
  fs.failOn(Operation::Read, "/mail/Sent.dbx", FileErrorCause::UnexpectedEnd);
  std::unique_ptr<InputFile> sent = fs.openInput("/mail/Sent.dbx");
  char byte;
  EXPECT_EQ(CauseOf([&] { sent->readAt(0, &byte, 1); }), FileErrorCause::UnexpectedEnd);

  fs.failOn(Operation::CreateOutput, "/out/a.eml", FileErrorCause::AccessDenied);
  fs.addDirectory("/out");
  EXPECT_EQ(CauseOf([&] { fs.createOutput("/out/a.eml", CreateMode::Truncate); }),
            FileErrorCause::AccessDenied);
  EXPECT_FALSE(fs.exists("/out/a.eml"));

  fs.failOn(Operation::Write, "/out/b.eml", FileErrorCause::HardwareError);
  EXPECT_EQ(CauseOf([&] { fs.createOutput("/out/b.eml", CreateMode::Truncate)->write("x"); }),
            FileErrorCause::HardwareError);

  fs.failOn(Operation::Close, "/out/c.mbx", FileErrorCause::PlatformOther);
  std::unique_ptr<OutputFile> c = fs.createOutput("/out/c.mbx", CreateMode::Truncate);
  c->write("kept");
  EXPECT_EQ(CauseOf([&] { c->close(); }), FileErrorCause::PlatformOther);
  EXPECT_EQ(fs.contents("/out/c.mbx"), "kept");
  EXPECT_NO_THROW(fs.openInput("/out/c.mbx"));  // the failed close still let go of it
}

TEST(MemoryFileSystem, ABadByteFailsOnlyTheReadsThatCoverIt) {
  MemoryFileSystem fs;
  fs.addFile("/mail/Inbox.dbx", std::string(100, 'b'));
  fs.failReadAt("/mail/Inbox.dbx", 50, FileErrorCause::HardwareError);
  std::unique_ptr<InputFile> in = fs.openInput("/mail/Inbox.dbx");
  char bytes[100];
  EXPECT_EQ(in->readAt(0, bytes, 50), 50u);
  EXPECT_EQ(in->readAt(51, bytes, 100), 49u);
  for (uint64_t start : {0, 50}) {
    const std::optional<FileError> error = testing::ErrorOf([&] { in->readAt(start, bytes, 51); });
    ASSERT_TRUE(error) << start;
    EXPECT_EQ(error->cause(), FileErrorCause::HardwareError);
    EXPECT_EQ(error->target(), IoTarget::Input);
  }
}

TEST(MemoryFileSystem, AFileHeldByAnotherProcessCannotBeOpenedOrCreated) {
  MemoryFileSystem fs;
  fs.addFile("x.eml", "old");
  fs.holdByOtherProcess("x.eml");
  EXPECT_EQ(CauseOf([&] { fs.openInput("x.eml"); }), FileErrorCause::SharingViolation);
  EXPECT_EQ(CauseOf([&] { fs.createOutput("x.eml", CreateMode::Truncate); }),
            FileErrorCause::SharingViolation);
  fs.addFile("y.eml", "new");
  EXPECT_EQ(CauseOf([&] { fs.renameFile("y.eml", "x.eml"); }), FileErrorCause::SharingViolation);
  EXPECT_EQ(fs.contents("x.eml"), "old");
  fs.holdByOtherProcess("x.eml", false);
  fs.renameFile("y.eml", "x.eml");
  EXPECT_EQ(fs.contents("x.eml"), "new");
}

TEST(MemoryFileSystem, SpecialFilesAreListedButNotOpened) {
  MemoryFileSystem fs;
  fs.addSpecialFile("/m/pipe.dbx");
  fs.addFile("/m/real.dbx", "");
  EXPECT_EQ(fs.expandPattern("/m/*.dbx"), (std::vector<std::string>{"/m/pipe.dbx", "/m/real.dbx"}));
  EXPECT_EQ(CauseOf([&] { fs.openInput("/m/pipe.dbx"); }), FileErrorCause::NotRegularFile);
  EXPECT_EQ(CauseOf([&] { fs.createOutput("/m/pipe.dbx", CreateMode::Append); }),
            FileErrorCause::NotRegularFile);
  EXPECT_EQ(fs.listFiles(), (std::vector<std::string>{"/m/real.dbx"}));
}

TEST(MemoryFileSystem, CountsCallsLikeSystemCalls) {
  MemoryFileSystem fs;
  fs.addFile("in.dbx", std::string(100, 'x'), 5);
  std::unique_ptr<InputFile> in = fs.openInput("in.dbx");
  char buffer[64];
  in->readAt(0, buffer, 64);
  in->readAt(64, buffer, 64);
  EXPECT_EQ(in->lastWriteTime(), 5u);
  EXPECT_FALSE(fs.entryAt("out.eml"));
  std::unique_ptr<OutputFile> out = fs.createOutput("out.eml", CreateMode::Truncate);
  const std::string_view pieces[] = {"From ", "x", "\r\n"};
  out->write(pieces);
  EXPECT_TRUE(out->stamp(1120209000));
  out->close();
  out->close();  // a second close does nothing

  const MemoryFileSystem::Stats& stats = fs.stats();
  EXPECT_EQ(stats.inputOpens, 1u);
  EXPECT_EQ(stats.reads, 2u);
  EXPECT_EQ(stats.bytesRead, 100u);
  EXPECT_EQ(stats.entryQueries, 1u);
  EXPECT_EQ(stats.outputCreates, 1u);
  EXPECT_EQ(stats.writes, 1u);  // one gathered write
  EXPECT_EQ(stats.bytesWritten, 8u);
  EXPECT_EQ(stats.stamps, 1u);
  EXPECT_EQ(stats.closes, 1u);
  EXPECT_EQ(fs.mtimeOf("out.eml"), 1120209000);
  fs.resetStats();
  EXPECT_EQ(fs.stats().reads, 0u);
}

// Like a FAT drive: one file under every spelling, kept under the first.
TEST(MemoryFileSystem, TheCaseInsensitiveModeIgnoresAsciiLetterCase) {
  MemoryFileSystem fs(MemoryFileSystem::NameCase::Insensitive);
  fs.addFile("/Mail/Hello.eml", "first");
  EXPECT_EQ(fs.contents("/MAIL/hello.EML"), "first");
  EXPECT_EQ(fs.createNewOutput("/mail/HELLO.eml"), nullptr);
  EXPECT_EQ(fs.entryAt("/mail/hello.eml")->identity, fs.entryAt("/Mail/Hello.eml")->identity);
  EXPECT_EQ(fs.entryAt("/mail/h\xC3\xA9llo.eml"), std::nullopt);  // ASCII letters only

  fs.createOutput("/mail/HELLO.eml", CreateMode::Truncate)->write("second");
  fs.addFile("/mail/World.eml", "");
  EXPECT_EQ(fs.listFiles(), (std::vector<std::string>{"/Mail/Hello.eml", "/mail/World.eml"}));
  EXPECT_EQ(fs.contents("/Mail/Hello.eml"), "second");
  EXPECT_EQ(fs.expandPattern("/mail/*.EML"), (std::vector<std::string>{"/mail/Hello.eml", "/mail/World.eml"}));
  EXPECT_EQ(fs.expandPattern("/mail/world.eml"), (std::vector<std::string>{"/mail/World.eml"}));

  fs.renameFile("/mail/hello.eml", "/mail/WORLD.EML");
  EXPECT_EQ(fs.listFiles(), (std::vector<std::string>{"/mail/WORLD.EML"}));
  EXPECT_EQ(fs.contents("/mail/world.eml"), "second");

  MemoryFileSystem sensitive;
  sensitive.addFile("/Hello.eml", "");
  EXPECT_EQ(sensitive.entryAt("/hello.eml"), std::nullopt);
}

TEST(MemoryFileSystem, OpenFilesOutliveTheFileSystemAndRemovedFiles) {
  std::unique_ptr<OutputFile> out;
  {
    MemoryFileSystem fs;
    out = fs.createOutput("/a", CreateMode::Truncate);
    EXPECT_TRUE(fs.removeFile("/a"));
    out->write("still fine");
    EXPECT_FALSE(fs.exists("/a"));
  }
  out->close();
}

}  // namespace
}  // namespace quernel
