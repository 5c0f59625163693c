// The file-system contract run against Win32FileSystem, as a program of its
// own (no test framework is at hand for MinGW): the cases of
// file_system_contract_test.cpp with Windows spellings, in the folder given
// as the one argument. Prints each failed check and exits non-zero when any
// failed; scripts/windows-test.sh runs it under Wine.

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/file_time.h"
#include "platform/host.h"

namespace quernel {
namespace {

int failures = 0;

void Check(bool holds, const char* what, int line) {
  if (holds) return;
  ++failures;
  std::printf("line %d: failed: %s\n", line, what);
}

#define CHECK(condition) Check((condition), #condition, __LINE__)

// The cause of the FileError that `call` raises, or nothing.
std::optional<FileErrorCause> CauseOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const FileError& error) {
    return error.cause();
  }
  return std::nullopt;
}

class Contract {
 public:
  explicit Contract(std::string root) : fs_(MakeNativeFileSystem()), root_(std::move(root)) {}

  void run() {
    const std::pair<const char*, void (Contract::*)()> cases[] = {
        {"writes and reads back", &Contract::writesAndReadsBack},
        {"truncate and append", &Contract::truncateAndAppend},
        {"an output on an open input fails", &Contract::outputOnAnOpenInputFails},
        {"create new touches nothing", &Contract::createNewTouchesNothing},
        {"an open output is exclusive", &Contract::openOutputIsExclusive},
        {"missing paths and directories", &Contract::classifiesMissingPathsAndDirectories},
        {"replacement and rename", &Contract::replacementAndRename},
        {"patterns", &Contract::expandsPatterns},
        {"stamp", &Contract::stampSetsTheLastWriteTime},
    };
    for (const auto& [name, check] : cases) {
      try {
        (this->*check)();
      } catch (const std::exception& error) {
        ++failures;
        std::printf("%s: unexpected exception: %s\n", name, error.what());
      }
    }
  }

 private:
  std::string at(const std::string& name) const { return SystemHost().paths.join(root_, name); }

  void put(const std::string& name, std::string_view bytes) {
    std::unique_ptr<OutputFile> file = fs_->createOutput(at(name), CreateMode::Truncate);
    file->write(bytes);
    file->close();
  }

  std::string read(const std::string& name) {
    std::unique_ptr<InputFile> file = fs_->openInput(at(name));
    std::string bytes(file->length() + 10, '\0');
    bytes.resize(file->readAt(0, bytes.data(), bytes.size()));
    return bytes;
  }

  void writesAndReadsBack() {
    std::unique_ptr<OutputFile> out = fs_->createOutput(at("a.txt"), CreateMode::Truncate);
    const std::string_view pieces[] = {"Hello", "", ", ", "World"};
    out->write(pieces);
    out->write("!");
    out->close();
    std::unique_ptr<InputFile> in = fs_->openInput(at("a.txt"));
    CHECK(in->length() == 13u);
    char buffer[32] = {};
    CHECK(in->readAt(7, buffer, sizeof buffer) == 6u);
    CHECK(std::string(buffer, 6) == "World!");
    CHECK(in->readAt(13, buffer, 1) == 0u);
    CHECK(in->readAt(UINT64_MAX - 2, buffer, 8) == 0u);
  }

  void truncateAndAppend() {
    put("a.mbx", "first");
    fs_->createOutput(at("a.mbx"), CreateMode::Append)->write(" second");
    CHECK(read("a.mbx") == "first second");
    fs_->createOutput(at("a.mbx"), CreateMode::Truncate)->write("third");
    CHECK(read("a.mbx") == "third");
  }

  void outputOnAnOpenInputFails() {
    put("Inbox.dbx", "mailbox bytes");
    {
      std::unique_ptr<InputFile> input = fs_->openInput(at("Inbox.dbx"));
      for (CreateMode mode : {CreateMode::Truncate, CreateMode::Append}) {
        for (const std::string& spelling : {at("Inbox.dbx"), root_ + "\\.\\Inbox.dbx", root_ + "/INBOX.DBX"}) {
          CHECK(CauseOf([&] { fs_->createOutput(spelling, mode); }) == FileErrorCause::SharingViolation);
        }
      }
      CHECK(CauseOf([&] { fs_->createReplacement(at("Inbox.dbx"), at("Inbox.new")); }) ==
            FileErrorCause::SharingViolation);
      CHECK(!fs_->entryAt(at("Inbox.new")));
      // Windows opens take no sharers: a second reader is refused too.
      CHECK(CauseOf([&] { fs_->openInput(at("Inbox.dbx")); }) == FileErrorCause::SharingViolation);
    }
    CHECK(read("Inbox.dbx") == "mailbox bytes");
    fs_->createOutput(at("Inbox.dbx"), CreateMode::Truncate)->close();
    CHECK(read("Inbox.dbx").empty());
  }

  void createNewTouchesNothing() {
    put("old.txt", "keep me");
    fs_->createDirectory(at("dir"));
    CHECK(fs_->createNewOutput(at("old.txt")) == nullptr);
    CHECK(fs_->createNewOutput(at("OLD.TXT")) == nullptr);
    CHECK(read("old.txt") == "keep me");
    CHECK(fs_->createNewOutput(at("dir")) == nullptr);
    CHECK(CauseOf([&] { fs_->createNewOutput(at("missing\\new.txt")); }) == FileErrorCause::NotFound);
  }

  void openOutputIsExclusive() {
    std::unique_ptr<OutputFile> out = fs_->createOutput(at("x.eml"), CreateMode::Truncate);
    out->write("text");
    CHECK(CauseOf([&] { fs_->openInput(at("x.eml")); }) == FileErrorCause::SharingViolation);
    const std::optional<Entry> entry = fs_->entryAt(at("x.eml"));
    CHECK(entry && entry->identity == out->identity());
    out->close();
    CHECK(read("x.eml") == "text");
  }

  void classifiesMissingPathsAndDirectories() {
    CHECK(fs_->createDirectory(at("sub")));
    CHECK(!fs_->createDirectory(at("sub")));
    put("file", "f");
    CHECK(CauseOf([&] { fs_->openInput(at("missing.dbx")); }) == FileErrorCause::NotFound);
    CHECK(CauseOf([&] { fs_->openInput(at("sub")); }) == FileErrorCause::NotRegularFile);
    CHECK(CauseOf([&] { fs_->createOutput(at("none\\x.eml"), CreateMode::Truncate); }) ==
          FileErrorCause::NotFound);
    CHECK(CauseOf([&] { fs_->createOutput(at("sub"), CreateMode::Truncate); }) ==
          FileErrorCause::NotRegularFile);
    CHECK(fs_->entryAt(at("missing.dbx")) == std::nullopt);
    CHECK(fs_->entryAt(at("sub"))->kind == EntryKind::Directory);
    CHECK(fs_->entryAt(at("file"))->kind == EntryKind::RegularFile);
    CHECK(fs_->isRegularFile(at("file")) && !fs_->isRegularFile(at("sub")));
    CHECK(fs_->removeFile(at("file")));
    CHECK(!fs_->removeFile(at("file")));
  }

  void replacementAndRename() {
    put("Inbox.mbx", "old");
    std::unique_ptr<OutputFile> side = fs_->createReplacement(at("Inbox.mbx"), at("Inbox.mbx.new"));
    CHECK(side != nullptr);
    if (!side) return;
    side->write("new and longer");
    side->close();
    CHECK(read("Inbox.mbx") == "old");
    CHECK(fs_->createReplacement(at("Inbox.mbx"), at("Inbox.mbx.new")) == nullptr);
    fs_->renameFile(at("Inbox.mbx.new"), at("Inbox.mbx"));
    CHECK(read("Inbox.mbx") == "new and longer");
    CHECK(fs_->entryAt(at("Inbox.mbx.new")) == std::nullopt);
    CHECK(CauseOf([&] { fs_->renameFile(at("gone"), at("Inbox.mbx")); }) == FileErrorCause::NotFound);

    // A rename to a new name never replaces a file or a directory.
    put("moved", "moved bytes");
    CHECK(fs_->createDirectory(at("in the way")));
    CHECK(!fs_->renameToNewName(at("moved"), at("Inbox.mbx")));
    CHECK(!fs_->renameToNewName(at("moved"), at("in the way")));
    CHECK(read("Inbox.mbx") == "new and longer");
    CHECK(fs_->renameToNewName(at("moved"), at("moved again")));
    CHECK(read("moved again") == "moved bytes");
  }

  // Windows names ignore case: one of "a.dbx" and "A.dbx" only.
  void expandsPatterns() {
    const std::string folder = at("patterns");
    CHECK(fs_->createDirectory(folder));
    for (const char* name : {"b.dbx", "a[1].dbx", "a.dbx", "x.txt"}) put(SystemHost().paths.join("patterns", name), "");
    CHECK(fs_->createDirectory(SystemHost().paths.join(folder, "d.dbx")));
    auto names = [&](const std::string& pattern) {
      std::vector<std::string> found;
      for (const std::string& path : fs_->expandPattern(pattern)) found.push_back(SystemHost().paths.fileNamePart(path));
      return found;
    };
    using Names = std::vector<std::string>;
    CHECK(names(SystemHost().paths.join(folder, "*.dbx")) == (Names{"a.dbx", "a[1].dbx", "b.dbx"}));
    CHECK(names(SystemHost().paths.join(folder, "?.dbx")) == (Names{"a.dbx", "b.dbx"}));
    CHECK(names(SystemHost().paths.join(folder, "a[1].dbx")) == (Names{"a[1].dbx"}));
    CHECK(names(SystemHost().paths.join(folder, "d.dbx")).empty());
    CHECK(names(SystemHost().paths.join(folder, "nothing.dbx")).empty());
    for (const std::string& path : fs_->expandPattern(SystemHost().paths.join(folder, "*.txt"))) {
      CHECK(path == SystemHost().paths.join(folder, "x.txt") || path.size() > folder.size());
      CHECK(fs_->isRegularFile(path));
    }
  }

  void stampSetsTheLastWriteTime() {
    std::unique_ptr<OutputFile> out = fs_->createOutput(at("m.eml"), CreateMode::Truncate);
    out->write("message");
    CHECK(out->stamp(1120209000));
    out->close();
    CHECK(fs_->openInput(at("m.eml"))->lastWriteTime() == FileTimeFromUnix(1120209000));
  }

  std::unique_ptr<FileSystem> fs_;
  std::string root_;
};

}  // namespace
}  // namespace quernel

int main(int argc, char** argv) {
  if (argc != 2) {
    std::printf("usage: %s EMPTY-FOLDER\n", argv[0]);
    return 2;
  }
  quernel::InitializeHost();
  quernel::Contract(argv[1]).run();
  std::printf("%d failed checks\n", quernel::failures);
  return quernel::failures == 0 ? 0 : 1;
}
