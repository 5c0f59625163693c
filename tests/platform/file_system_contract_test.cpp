// The contract every FileSystem keeps, run against the native one (in a
// folder under /dev/shm) and the in-memory one.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "file_test_helpers.h"
#include "platform/file_system.h"
#include "platform/file_time.h"
#include "platform/host.h"
#include "platform/memory/memory_file_system.h"
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
    EXPECT_EQ(testing::CauseOf([&] { fs_->createReplacement(at("Inbox.dbx"), at("Inbox.new")); }),
              FileErrorCause::SharingViolation);
    EXPECT_FALSE(fs_->entryAt(at("Inbox.new")));
    put("other", "other bytes");
    EXPECT_THROW(fs_->renameFile(at("other"), at("Inbox.dbx")), FileError);
    EXPECT_EQ(read("other"), "other bytes");
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
  EXPECT_EQ(testing::CauseOf([&] { fs_->createReplacement(at("x.eml"), at("x.new")); }),
            FileErrorCause::SharingViolation);
  ASSERT_TRUE(fs_->entryAt(at("x.eml")));  // takes no lock, so finds it all the same
  EXPECT_EQ(fs_->entryAt(at("x.eml"))->identity, out->identity());
  out->close();
  EXPECT_EQ(read("x.eml"), "text");
}

TEST_P(FileSystemContract, FailuresTellTheInputFromAnOutput) {
  ASSERT_TRUE(fs_->createDirectory(at("sub")));
  struct Case {
    const char* name;
    std::function<void()> call;
    IoTarget target;
  };
  const std::vector<Case> cases = {
      {"open a missing input", [&] { fs_->openInput(at("missing.dbx")); }, IoTarget::Input},
      {"open a directory as input", [&] { fs_->openInput(at("sub")); }, IoTarget::Input},
      {"create in a missing directory", [&] { fs_->createOutput(at("none/x.eml"), CreateMode::Truncate); },
       IoTarget::Output},
      {"create over a directory", [&] { fs_->createOutput(at("sub"), CreateMode::Append); }, IoTarget::Output},
      {"create new in a missing directory", [&] { fs_->createNewOutput(at("none/y.eml")); }, IoTarget::Output},
  };
  for (const Case& c : cases) {
    const std::optional<FileError> error = testing::ErrorOf(c.call);
    ASSERT_TRUE(error) << c.name;
    EXPECT_TRUE(error->isIo()) << c.name;
    EXPECT_EQ(error->target(), c.target) << c.name;
    EXPECT_EQ(error->hitOutput(), c.target == IoTarget::Output) << c.name;
    EXPECT_FALSE(error->reason().empty()) << c.name;
    EXPECT_NE(std::string(error->what()).find(root_), std::string::npos) << c.name << ": " << error->what();
  }
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

  EXPECT_EQ(fs_->entryAt(at("missing.dbx")), std::nullopt);
  EXPECT_EQ(fs_->entryAt(at("sub"))->kind, EntryKind::Directory);
  EXPECT_EQ(fs_->entryAt(at("file"))->kind, EntryKind::RegularFile);
  EXPECT_EQ(testing::CauseOf([&] { fs_->createReplacement(at("missing.dbx"), at("side")); }),
            FileErrorCause::NotFound);
  EXPECT_EQ(testing::CauseOf([&] { fs_->createReplacement(at("sub"), at("side")); }),
            FileErrorCause::NotRegularFile);
  EXPECT_EQ(fs_->entryAt(at("side")), std::nullopt);
  EXPECT_TRUE(fs_->isRegularFile(at("file")));
  EXPECT_FALSE(fs_->isRegularFile(at("sub")));
  EXPECT_FALSE(fs_->isRegularFile(at("missing.dbx")));

  EXPECT_TRUE(fs_->removeFile(at("file")));
  EXPECT_FALSE(fs_->removeFile(at("file")));
  EXPECT_FALSE(fs_->isRegularFile(at("file")));
}

TEST_P(FileSystemContract, AnEntryIsTheSameFileUnderEverySpelling) {
  put("a", "1");
  put("b", "1");
  ASSERT_TRUE(fs_->createDirectory(at("sub")));
  const std::optional<Entry> a = fs_->entryAt(at("a"));
  ASSERT_TRUE(a);
  for (const std::string& spelling : {root_ + "/./a", root_ + "//a"}) {
    ASSERT_TRUE(fs_->entryAt(spelling)) << spelling;
    EXPECT_EQ(fs_->entryAt(spelling)->identity, a->identity) << spelling;
  }
  EXPECT_NE(fs_->entryAt(at("b"))->identity, a->identity);
  EXPECT_NE(fs_->entryAt(at("sub"))->identity, a->identity);

  std::unique_ptr<OutputFile> out = fs_->createOutput(at("c"), CreateMode::Truncate);
  const FileIdentity c = out->identity();
  out->close();
  EXPECT_EQ(fs_->entryAt(at("c"))->identity, c);
  EXPECT_THROW(out->identity(), FileError);  // only while open
  EXPECT_TRUE(fs_->removeFile(at("c")));
  EXPECT_EQ(fs_->entryAt(at("c")), std::nullopt);
}

TEST_P(FileSystemContract, AReplacementTakesThePlaceOfTheOldFileOnlyWhenRenamedOverIt) {
  put("Inbox.mbx", "old");
  std::unique_ptr<OutputFile> side = fs_->createReplacement(at("Inbox.mbx"), at("Inbox.mbx.new"));
  ASSERT_NE(side, nullptr);
  side->write("new and longer");
  side->close();
  EXPECT_EQ(read("Inbox.mbx"), "old");
  EXPECT_EQ(fs_->createReplacement(at("Inbox.mbx"), at("Inbox.mbx.new")), nullptr);  // taken
  EXPECT_EQ(read("Inbox.mbx.new"), "new and longer");

  fs_->renameFile(at("Inbox.mbx.new"), at("Inbox.mbx"));
  EXPECT_EQ(read("Inbox.mbx"), "new and longer");
  EXPECT_EQ(fs_->entryAt(at("Inbox.mbx.new")), std::nullopt);

  EXPECT_EQ(testing::CauseOf([&] { fs_->renameFile(at("gone"), at("Inbox.mbx")); }), FileErrorCause::NotFound);
  ASSERT_TRUE(fs_->createDirectory(at("dir")));
  EXPECT_THROW(fs_->renameFile(at("Inbox.mbx"), at("dir")), FileError);
  EXPECT_EQ(read("Inbox.mbx"), "new and longer");
}

TEST_P(FileSystemContract, RenameToANewNameNeverReplaces) {
  put("a", "first");
  put("b", "second");
  ASSERT_TRUE(fs_->createDirectory(at("dir")));
  EXPECT_FALSE(fs_->renameToNewName(at("a"), at("b")));
  EXPECT_FALSE(fs_->renameToNewName(at("a"), at("dir")));
  EXPECT_EQ(read("a"), "first");
  EXPECT_EQ(read("b"), "second");
  EXPECT_TRUE(fs_->renameToNewName(at("a"), at("c")));
  EXPECT_EQ(read("c"), "first");
  EXPECT_EQ(fs_->entryAt(at("a")), std::nullopt);
  EXPECT_EQ(testing::CauseOf([&] { fs_->renameToNewName(at("gone"), at("d")); }), FileErrorCause::NotFound);
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
      found.push_back(SystemHost().paths.fileNamePart(path));
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

// A Maildir delivery: from tmp/ to a name that cur/ does not hold yet.
TEST_P(FileSystemContract, RenameToANewNameInAnotherFolder) {
  ASSERT_TRUE(fs_->createDirectory(at("tmp")));
  ASSERT_TRUE(fs_->createDirectory(at("cur")));
  put("tmp/m", "message");
  fs_->renameFile(at("tmp/m"), at("cur/m"));
  EXPECT_EQ(read("cur/m"), "message");
  EXPECT_EQ(fs_->entryAt(at("tmp/m")), std::nullopt);
  put("tmp/n", "kept");
  EXPECT_EQ(testing::CauseOf([&] { fs_->renameFile(at("tmp/n"), at("missing/n")); }),
            FileErrorCause::NotFound);
  EXPECT_EQ(read("tmp/n"), "kept");
}

INSTANTIATE_TEST_SUITE_P(Both, FileSystemContract, ::testing::Values("native", "memory"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace quernel
