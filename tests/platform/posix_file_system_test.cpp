// What only the native file system can show: FIFOs, locks held through other
// descriptors, a full disk, access times and the kernel's short writes.

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "file_test_helpers.h"
#include "temporary_folder.h"

namespace quernel {
namespace {

class PosixFileSystem : public ::testing::Test {
 protected:
  std::string at(const std::string& name) const { return folder_.path() + "/" + name; }

  void put(const std::string& name, std::string_view bytes) { testing::WriteWholeFile(*fs_, at(name), bytes); }

  std::string read(const std::string& name) { return testing::ReadWholeFile(*fs_, at(name)); }

  testing::TemporaryFolder folder_;
  std::unique_ptr<FileSystem> fs_ = MakeNativeFileSystem();
};

TEST_F(PosixFileSystem, AFifoIsMatchedButNeverOpened) {
  ASSERT_EQ(mkfifo(at("pipe.dbx").c_str(), 0666), 0);
  put("real.dbx", "x");
  EXPECT_EQ(fs_->expandPattern(at("*.dbx")),
            (std::vector<std::string>{at("pipe.dbx"), at("real.dbx")}));
  // Each of these would block forever on a FIFO without O_NONBLOCK.
  EXPECT_EQ(testing::CauseOf([&] { fs_->openInput(at("pipe.dbx")); }), FileErrorCause::NotRegularFile);
  EXPECT_EQ(testing::CauseOf([&] { fs_->createOutput(at("pipe.dbx"), CreateMode::Truncate); }),
            FileErrorCause::NotRegularFile);
  EXPECT_EQ(testing::CauseOf([&] { fs_->createReplacement(at("pipe.dbx"), at("side")); }),
            FileErrorCause::NotRegularFile);
  EXPECT_EQ(fs_->entryAt(at("pipe.dbx"))->kind, EntryKind::Other);
  EXPECT_FALSE(fs_->isRegularFile(at("pipe.dbx")));
}

TEST_F(PosixFileSystem, ALockHeldThroughAnotherDescriptionIsASharingViolation) {
  put("held.mbx", "precious");
  const int other = open(at("held.mbx").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(other, 0);

  ASSERT_EQ(flock(other, LOCK_EX), 0);
  EXPECT_EQ(testing::CauseOf([&] { fs_->openInput(at("held.mbx")); }), FileErrorCause::SharingViolation);
  EXPECT_EQ(testing::CauseOf([&] { fs_->createOutput(at("held.mbx"), CreateMode::Truncate); }),
            FileErrorCause::SharingViolation);
  EXPECT_EQ(testing::CauseOf([&] { fs_->createReplacement(at("held.mbx"), at("side")); }),
            FileErrorCause::SharingViolation);

  ASSERT_EQ(flock(other, LOCK_SH), 0);  // another reader: reading is fine, writing is not
  EXPECT_EQ(read("held.mbx"), "precious");
  EXPECT_EQ(testing::CauseOf([&] { fs_->createOutput(at("held.mbx"), CreateMode::Truncate); }),
            FileErrorCause::SharingViolation);
  EXPECT_EQ(testing::CauseOf([&] { fs_->createReplacement(at("held.mbx"), at("side")); }),
            FileErrorCause::SharingViolation);
  EXPECT_FALSE(fs_->entryAt(at("side")));
  close(other);
  EXPECT_EQ(read("held.mbx"), "precious");  // never truncated before the lock was held
}

TEST_F(PosixFileSystem, TheDirectoryPartIsResolvedAndStatDecidesWhatIsADirectory) {
  ASSERT_EQ(mkdir(at("real").c_str(), 0777), 0);
  ASSERT_EQ(mkdir(at("real/folder.dbx").c_str(), 0777), 0);
  put("real/Inbox.dbx", "");
  ASSERT_EQ(symlink(at("real").c_str(), at("link").c_str()), 0);
  ASSERT_EQ(symlink(at("real/folder.dbx").c_str(), at("real/linked-folder.dbx").c_str()), 0);
  ASSERT_EQ(symlink(at("real/Inbox.dbx").c_str(), at("real/linked-file.dbx").c_str()), 0);

  EXPECT_EQ(fs_->expandPattern(at("link/../link/*.dbx")),
            (std::vector<std::string>{at("real/Inbox.dbx"), at("real/linked-file.dbx")}));
}

// A rename puts a new file in the old one's place: it must bring the old
// file's permissions (and, for root, its owner) with it.
TEST_F(PosixFileSystem, AReplacementKeepsTheOwnerAndPermissionsOfTheFileItReplaces) {
  put("private.mbx", "old");
  ASSERT_EQ(chmod(at("private.mbx").c_str(), 0640), 0);
  const bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(at("private.mbx").c_str(), 4321, 4322), 0);
  }
  const mode_t mask = umask(0077);  // the permissions must not come from the umask
  std::unique_ptr<OutputFile> side = fs_->createReplacement(at("private.mbx"), at("private.new"));
  umask(mask);
  ASSERT_NE(side, nullptr);
  side->close();
  fs_->renameFile(at("private.new"), at("private.mbx"));
  struct stat status;
  ASSERT_EQ(stat(at("private.mbx").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(status.st_uid, 4321u);
    EXPECT_EQ(status.st_gid, 4322u);
  }
}

TEST_F(PosixFileSystem, GatheredWritesOfManyPiecesArriveWholeAndInOrder) {
  std::vector<std::string> texts;
  std::string expected;
  for (int i = 0; i < 3000; ++i) {  // more pieces than one writev takes
    texts.push_back(std::string(static_cast<size_t>(i % 700), static_cast<char>('a' + i % 26)));
    expected += texts.back();
  }
  std::vector<std::string_view> pieces(texts.begin(), texts.end());
  std::unique_ptr<OutputFile> out = fs_->createOutput(at("big.mbx"), CreateMode::Truncate);
  out->write(pieces);
  out->close();
  EXPECT_EQ(read("big.mbx"), expected);
}

TEST_F(PosixFileSystem, AFileSizeLimitIsADiskFullThatKeepsWhatFitted) {
  const std::string path = at("full.eml");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    int status = 1;
    try {
      std::unique_ptr<OutputFile> out = MakeNativeFileSystem()->createOutput(path, CreateMode::Truncate);
      out->write(std::string(3000, 'a'));
      status = 2;
      out->write(std::string(3000, 'b'));  // crosses the limit: part stored, then EFBIG
      status = 3;
    } catch (const FileError& error) {
      if (error.cause() == FileErrorCause::DiskFull && status == 2) status = 0;
    }
    _exit(status);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(read("full.eml"), std::string(3000, 'a') + std::string(1096, 'b'));
}

TEST_F(PosixFileSystem, StampSetsTheModificationTimeAndKeepsTheAccessTime) {
  put("m.eml", "x");
  const timespec earlier[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, at("m.eml").c_str(), earlier, 0), 0);
  std::unique_ptr<OutputFile> out = fs_->createOutput(at("m.eml"), CreateMode::Append);
  EXPECT_TRUE(out->stamp(1120209000));
  out->close();
  struct stat status;
  ASSERT_EQ(stat(at("m.eml").c_str(), &status), 0);
  EXPECT_EQ(status.st_mtim.tv_sec, 1120209000);
  EXPECT_EQ(status.st_mtim.tv_nsec, 0);
  EXPECT_EQ(status.st_atim.tv_sec, 1000000000);
}

}  // namespace
}  // namespace quernel
