// The contract every FileSystem keeps, run against the native one (in a
// folder under /dev/shm) and the in-memory one.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "platform/file_system.h"
#include "platform/file_time.h"
#include "platform/host.h"
#include "platform/memory/memory_file_system.h"
#include "file_test_helpers.h"
#include "temporary_folder.h"

namespace quernel {
namespace {

class FileSystemContract : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (GetParam() == "native") {
      folder_ = std::make_unique<testing::TemporaryFolder>();
      fs_ = MakeNativeFileSystem();
      root_ = folder_->path();
    } else {
      fs_ = std::make_unique<MemoryFileSystem>();
      root_ = "/sandbox";
      ASSERT_TRUE(fs_->createDirectory(root_));
    }
  }

  std::string at(const std::string& name) const { return root_ + "/" + name; }

  void put(const std::string& name, std::string_view bytes) { testing::WriteWholeFile(*fs_, at(name), bytes); }

  std::string read(const std::string& name) { return testing::ReadWholeFile(*fs_, at(name)); }

  std::unique_ptr<testing::TemporaryFolder> folder_;
  std::unique_ptr<FileSystem> fs_;
  std::string root_;
};

TEST_P(FileSystemContract, WritesPiecesAndReadsThemBackAtAnyOffset) {
  std::unique_ptr<OutputFile> out = fs_->createOutput(at("a.txt"), CreateMode::Truncate);
  const std::string_view pieces[] = {"Hello", "", ", ", "World"};
  out->write(pieces);
  out->write("!");
  out->close();

  std::unique_ptr<InputFile> in = fs_->openInput(at("a.txt"));
  EXPECT_EQ(in->path(), at("a.txt"));
  EXPECT_EQ(in->length(), 13u);
  char buffer[32] = {};
  EXPECT_EQ(in->readAt(7, buffer, sizeof buffer), 6u);  // fewer only at the end
  EXPECT_EQ(std::string(buffer, 6), "World!");
  EXPECT_EQ(in->readAt(0, buffer, 5), 5u);
  EXPECT_EQ(std::string(buffer, 5), "Hello");
  EXPECT_EQ(in->readAt(13, buffer, 1), 0u);
  EXPECT_EQ(in->readAt(UINT64_MAX - 2, buffer, 8), 0u);
}

TEST_P(FileSystemContract, TruncateEmptiesAndAppendKeeps) {
  put("a.mbx", "first");
  fs_->createOutput(at("a.mbx"), CreateMode::Append)->write(" second");  // closed unasked
  EXPECT_EQ(read("a.mbx"), "first second");
  fs_->createOutput(at("a.mbx"), CreateMode::Truncate)->write("third");
  EXPECT_EQ(read("a.mbx"), "third");
  fs_->createOutput(at("new.mbx"), CreateMode::Append)->write("x");
  EXPECT_EQ(read("new.mbx"), "x");
}

TEST_P(FileSystemContract, AnOutputOnAnOpenInputFailsAndLeavesItWhole) {
  put("Inbox.dbx", "mailbox bytes");
  {
    std::unique_ptr<InputFile> input = fs_->openInput(at("Inbox.dbx"));
    for (CreateMode mode : {CreateMode::Truncate, CreateMode::Append}) {
      for (const std::string& spelling : {at("Inbox.dbx"), root_ + "/./Inbox.dbx", root_ + "//Inbox.dbx"}) {
        EXPECT_EQ(testing::CauseOf([&] { fs_->createOutput(spelling, mode); }), FileErrorCause::SharingViolation)
            << spelling;
      }
    }
    EXPECT_TRUE(fs_->probeExisting(at("Inbox.dbx")));
    EXPECT_EQ(read("Inbox.dbx"), "mailbox bytes");  // a second reader is fine
  }
  EXPECT_EQ(read("Inbox.dbx"), "mailbox bytes");
  fs_->createOutput(at("Inbox.dbx"), CreateMode::Truncate)->close();  // free again
  EXPECT_EQ(read("Inbox.dbx"), "");
}

TEST_P(FileSystemContract, CreateNewTouchesNothingThatExists) {
  put("old.txt", "keep me");
  fs_->createDirectory(at("dir"));
  EXPECT_EQ(fs_->createNewOutput(at("old.txt")), nullptr);
  EXPECT_EQ(read("old.txt"), "keep me");
  EXPECT_EQ(fs_->createNewOutput(at("dir")), nullptr);

  std::unique_ptr<OutputFile> fresh = fs_->createNewOutput(at("new.txt"));
  ASSERT_NE(fresh, nullptr);
  fresh->write("made");
  fresh->close();
  EXPECT_EQ(read("new.txt"), "made");

  try {
    fs_->createNewOutput(at("missing/new.txt"));
    ADD_FAILURE() << "a missing directory must raise";
  } catch (const FileError& error) {
    EXPECT_EQ(error.cause(), FileErrorCause::NotFound);
  }
}

TEST_P(FileSystemContract, AnOpenOutputIsExclusive) {
  std::unique_ptr<OutputFile> out = fs_->createOutput(at("x.eml"), CreateMode::Truncate);
  out->write("text");
  EXPECT_EQ(testing::CauseOf([&] { fs_->createOutput(at("x.eml"), CreateMode::Truncate); }),
            FileErrorCause::SharingViolation);
  EXPECT_EQ(testing::CauseOf([&] { fs_->openInput(at("x.eml")); }), FileErrorCause::SharingViolation);
  EXPECT_FALSE(fs_->probeExisting(at("x.eml")));  // held elsewhere counts as free
  out->close();
  EXPECT_TRUE(fs_->probeExisting(at("x.eml")));
  EXPECT_EQ(read("x.eml"), "text");
}

TEST_P(FileSystemContract, ClassifiesMissingPathsAndDirectories) {
  ASSERT_TRUE(fs_->createDirectory(at("sub")));
  EXPECT_FALSE(fs_->createDirectory(at("sub")));
  EXPECT_FALSE(fs_->createDirectory(at("none/deeper")));
  put("file", "f");

  EXPECT_EQ(testing::CauseOf([&] { fs_->openInput(at("missing.dbx")); }), FileErrorCause::NotFound);
  EXPECT_EQ(testing::CauseOf([&] { fs_->openInput(at("sub")); }), FileErrorCause::NotRegularFile);
  EXPECT_EQ(testing::CauseOf([&] { fs_->createOutput(at("none/x.eml"), CreateMode::Truncate); }),
            FileErrorCause::NotFound);
  EXPECT_EQ(testing::CauseOf([&] { fs_->createOutput(at("file/x.eml"), CreateMode::Truncate); }),
            FileErrorCause::NotFound);
  EXPECT_EQ(testing::CauseOf([&] { fs_->createOutput(at("sub"), CreateMode::Truncate); }),
            FileErrorCause::NotRegularFile);

  EXPECT_FALSE(fs_->probeExisting(at("missing.dbx")));
  EXPECT_FALSE(fs_->probeExisting(at("sub")));  // a directory counts as free
  EXPECT_TRUE(fs_->probeExisting(at("file")));
  EXPECT_TRUE(fs_->isRegularFile(at("file")));
  EXPECT_FALSE(fs_->isRegularFile(at("sub")));
  EXPECT_FALSE(fs_->isRegularFile(at("missing.dbx")));

  EXPECT_TRUE(fs_->removeFile(at("file")));
  EXPECT_FALSE(fs_->removeFile(at("file")));
  EXPECT_FALSE(fs_->isRegularFile(at("file")));
}

TEST_P(FileSystemContract, ExpandsPatternsToSortedFilesOnly) {
  for (const char* name : {"b.dbx", "a[1].dbx", "a.dbx", "A.dbx", "x.txt", "Ä.dbx"}) put(name, "");
  ASSERT_TRUE(fs_->createDirectory(at("d.dbx")));
  put("d.dbx/inner.dbx", "");  // only the pattern's own directory is listed

  auto names = [&](const std::string& pattern) {
    std::vector<std::string> found;
    for (const std::string& path : fs_->expandPattern(pattern)) {
      EXPECT_TRUE(fs_->isRegularFile(path)) << path;
      EXPECT_EQ(path.find("//"), std::string::npos) << path;
      found.push_back(FileNamePart(path));
    }
    return found;
  };
  using Names = std::vector<std::string>;
  EXPECT_EQ(names(at("*.dbx")), (Names{"A.dbx", "a.dbx", "a[1].dbx", "b.dbx", "Ä.dbx"}));
  EXPECT_EQ(names(at("?.dbx")), (Names{"A.dbx", "a.dbx", "b.dbx", "Ä.dbx"}));
  EXPECT_EQ(names(at("a[1].dbx")), (Names{"a[1].dbx"}));
  EXPECT_EQ(names(at("a[1]*")), (Names{"a[1].dbx"}));
  EXPECT_EQ(names(at("x.txt")), (Names{"x.txt"}));
  EXPECT_EQ(names(at("*.DBX")), Names{});
  EXPECT_EQ(names(at("d.dbx")), Names{});  // a directory, named without wildcards
  EXPECT_EQ(names(at("nothing.dbx")), Names{});
  EXPECT_EQ(names(at("missing/*.dbx")), Names{});
  EXPECT_EQ(names(at("")), Names{});
  EXPECT_EQ(names(root_ + "/./*.txt"), (Names{"x.txt"}));
}

TEST_P(FileSystemContract, StampSetsTheLastWriteTime) {
  std::unique_ptr<OutputFile> out = fs_->createOutput(at("m.eml"), CreateMode::Truncate);
  out->write("message");
  EXPECT_TRUE(out->stamp(1120209000));
  out->close();
  EXPECT_EQ(fs_->openInput(at("m.eml"))->lastWriteTime(), FileTimeFromUnix(1120209000));
  EXPECT_EQ(FileTimeFromUnix(1120209000), 127646826000000000u);
}

TEST_P(FileSystemContract, RenameReplacesInOneStepButNeverAnOpenInput) {
  ASSERT_TRUE(fs_->createDirectory(at("tmp")));
  ASSERT_TRUE(fs_->createDirectory(at("cur")));
  put("tmp/n", "to a new name");
  fs_->renameFile(at("tmp/n"), at("cur/n"));
  EXPECT_EQ(read("cur/n"), "to a new name");
  put("tmp/m", "new");
  put("cur/m", "old");
  fs_->renameFile(at("tmp/m"), at("cur/m"));
  EXPECT_EQ(read("cur/m"), "new");
  EXPECT_FALSE(fs_->isRegularFile(at("tmp/m")));
  EXPECT_FALSE(fs_->isRegularFile(at("tmp/n")));

  put("tmp/m", "newer");
  {
    std::unique_ptr<InputFile> input = fs_->openInput(at("cur/m"));
    EXPECT_EQ(testing::CauseOf([&] { fs_->renameFile(at("tmp/m"), at("cur/m")); }),
              FileErrorCause::SharingViolation);
  }
  EXPECT_EQ(read("cur/m"), "new");
  EXPECT_EQ(read("tmp/m"), "newer");
  EXPECT_EQ(testing::CauseOf([&] { fs_->renameFile(at("tmp/gone"), at("cur/gone")); }),
            FileErrorCause::NotFound);
  EXPECT_EQ(testing::CauseOf([&] { fs_->renameFile(at("tmp/m"), at("missing/m")); }),
            FileErrorCause::NotFound);
  EXPECT_EQ(read("tmp/m"), "newer");
}

INSTANTIATE_TEST_SUITE_P(Both, FileSystemContract, ::testing::Values("native", "memory"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace quernel
