#include "platform/host.h"
#include "writers/eml_paths.h"

#include <gtest/gtest.h>

namespace quernel {
namespace {

struct DirectoryCase {
  const char* outputDirectory;
  const char* inputPath;
  const char* inputFileName;
  bool flat;
  const char* expected;
};

TEST(EmlDirectoryTest, SubdirectoryIsTheMailboxNameWithoutItsExtension) {
  const DirectoryCase cases[] = {
      {"", "/mail/Inbox.dbx", "Inbox.dbx", false, "/mail/Inbox/"},
      {"", "/mail/Archive.2004.dbx", "Archive.2004.dbx", false, "/mail/Archive.2004/"},
      {"", "/mail/Inbox", "Inbox", false, "/mail/Inbox/"},
      // A name that is empty or only dots never names the output directory
      // or the one above it.
      {"", "/mail/.dbx", ".dbx", false, "/mail/_/"},
      {"/base/out", "/in/..dbx", "..dbx", false, "/base/out/_/"},
      {"/base/out", "/in/...dbx", "...dbx", false, "/base/out/__/"},
      {"/base/out", "/in/. ..dbx", ". ..dbx", false, "/base/out/___/"},
      {"/base/out", "/in/....dbx", "....dbx", true, "/base/out/"},
      {"/base/out", "/in/.. x.dbx", ".. x.dbx", false, "/base/out/.. x/"},
      {"", "/Inbox.dbx", "Inbox.dbx", false, "/Inbox/"},
      {"/out", "/mail/Inbox.dbx", "Inbox.dbx", false, "/out/Inbox/"},
      {"/out/", "/mail/Inbox.dbx", "Inbox.dbx", false, "/out/Inbox/"},
      {"/out", "/mail/Inbox.dbx", "Inbox.dbx", true, "/out/"},
      {"/out/", "/mail/Inbox.dbx", "Inbox.dbx", true, "/out/"},
      {"", "/mail/Inbox.dbx", "Inbox.dbx", true, "/mail/"},
      // The "." of a directory is no extension of the mailbox name.
      {"", "/mail.d/Inbox", "Inbox", false, "/mail.d/Inbox/"},
  };
  for (const DirectoryCase& c : cases) {
    EmlOptions options;
    options.outputDirectory = c.outputDirectory;
    options.flatFolders = c.flat;
    EXPECT_EQ(EmlDirectory(options, c.inputPath, c.inputFileName, SystemHost()), c.expected)
        << "output '" << c.outputDirectory << "', input " << c.inputPath
        << (c.flat ? " -ff" : "");
  }
}

TEST(NumberedNameTest, NumberGoesBeforeTheLastDot) {
  const struct {
    const char* name;
    uint64_t number;
    const char* expected;
  } cases[] = {
      {"Hello.eml", 0, "Hello.eml"},       {"Hello.eml", 1, "Hello(1).eml"},
      {"Hello.eml", 10, "Hello(10).eml"},  {"Note", 1, "Note(1)"},
      {".eml", 1, "(1).eml"},              {"a.b.eml", 2, "a.b(2).eml"},
      {"Re. Lunch", 3, "Re(3). Lunch"},    {"", 1, "(1)"},
      {"x.", 7, "x(7)."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NumberedName(c.name, c.number, SystemHost().text), c.expected) << c.name << " #" << c.number;
  }
}

}  // namespace
}  // namespace quernel
