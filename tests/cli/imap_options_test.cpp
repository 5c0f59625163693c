// The "-imap" options on the command line, and the URL they name.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/command_line.h"
#include "imap/imap_url.h"
#include "platform/memory/memory_file_system.h"

namespace quernel {
namespace {

CommandLine Parse(const std::vector<std::string>& arguments) {
  MemoryFileSystem fileSystem;
  return ParseCommandLine(arguments, fileSystem, PositionalStyle::ManyInputsThenOutput);
}

TEST(ImapOptionsTest, TakesTheValuesThatFollowTheOptions) {
  const CommandLine parsed =
      Parse({"-imap", "imaps://me@host", "-passcmd", "pass show mail", "-cafile", "-ca.pem", "-oauth2", "a.dbx"});
  ASSERT_EQ(parsed.action, CommandLine::Action::Run);
  EXPECT_TRUE(parsed.settings.has(flags::kImap));
  EXPECT_EQ(parsed.settings.imap.url, "imaps://me@host");
  EXPECT_EQ(parsed.settings.imap.passwordCommand, "pass show mail");
  EXPECT_EQ(parsed.settings.imap.caFile, "-ca.pem");  // a value, though it starts with "-"
  EXPECT_TRUE(parsed.settings.imap.oauth2);
  EXPECT_EQ(parsed.settings.inputs, (std::vector<std::string>{"a.dbx"}));
}

// Otherwise the second name (Windows) or a last name that is no file
// (Linux) is the output folder, which -imap has none of: it must go up or
// get its line, not be dropped.
TEST(ImapOptionsTest, TakesEveryNameAsAMailbox) {
  for (const PositionalStyle style : {PositionalStyle::InputThenOutput, PositionalStyle::ManyInputsThenOutput}) {
    MemoryFileSystem fileSystem;
    const CommandLine parsed = ParseCommandLine({"-imap", "imaps://me@host", "a.dbx", "missing.dbx"}, fileSystem, style);
    ASSERT_EQ(parsed.action, CommandLine::Action::Run);
    EXPECT_EQ(parsed.settings.inputs, (std::vector<std::string>{"a.dbx", "missing.dbx"}));
    EXPECT_TRUE(parsed.settings.outputDirectory.empty());
  }
}

TEST(ImapOptionsTest, RefusesMissingValuesAndOtherOutputs) {
  const struct {
    std::vector<std::string> arguments;
    const char* line;
  } cases[] = {
      {{"-imap"}, "-imap needs a value!\n"},
      {{"-imap", "imaps://me@h", "-cafile"}, "-cafile needs a value!\n"},
      {{"-imap", "imaps://me@h", "-eml", "a.dbx"},
       "-imap is an output of its own: give none of -mbx, -mbxrd, -eml and -maildir with it!\n"},
      {{"-imap", "imaps://me@h", "-tree", "store", "out"}, "-imap -tree takes one store and no output folder!\n"},
      {{"-passcmd", "x", "a.dbx"}, "-passcmd, -cafile and -oauth2 go with -imap!\n"},
  };
  for (const auto& c : cases) {
    const CommandLine parsed = Parse(c.arguments);
    EXPECT_EQ(parsed.action, CommandLine::Action::Fail);
    EXPECT_EQ(parsed.failureLine, c.line);
  }
}

TEST(ImapUrlTest, ReadsUserHostPortAndParentFolder) {
  const struct {
    const char* url;
    bool tls;
    const char* user;
    const char* host;
    uint16_t port;
    std::vector<std::string> parent;
  } cases[] = {
      {"imaps://me%40gmail.com@imap.gmail.com", true, "me@gmail.com", "imap.gmail.com", 993, {"Outlook Express"}},
      {"imap://me@127.0.0.1:1143/Old%20mail/2003", false, "me", "127.0.0.1", 1143, {"Old mail", "2003"}},
      {"IMAPS://a@[::1]:994/", true, "a", "::1", 994, {"Outlook Express"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    const auto parsed = ParseImapUrl(c.url);
    ASSERT_TRUE(std::holds_alternative<ImapUrl>(parsed));
    const ImapUrl& url = std::get<ImapUrl>(parsed);
    EXPECT_EQ(url.tlsFromStart, c.tls);
    EXPECT_EQ(url.user, c.user);
    EXPECT_EQ(url.host, c.host);
    EXPECT_EQ(url.port, c.port);
    EXPECT_EQ(url.parent, c.parent);
  }
  for (const char* bad : {"http://me@host", "imaps://host", "imaps://@host", "imaps://me@host:0",
                          "imaps://me@host:70000", "imaps://me@", "imaps://me%4@host", "imaps://me@host/a%zz"}) {
    SCOPED_TRACE(bad);
    EXPECT_TRUE(std::holds_alternative<std::string>(ParseImapUrl(bad)));
  }
}

}  // namespace
}  // namespace quernel
