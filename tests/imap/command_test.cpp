// Commands as sent: quoting, literals of both kinds, and INTERNALDATE.

#include <gtest/gtest.h>

#include "imap/command.h"

namespace quernel {
namespace {

using Chunks = std::vector<std::string>;

TEST(ImapCommandTest, QuotesWhatItCanAndSendsTheRestAsLiterals) {
  EXPECT_EQ(ImapCommand("A1", "CREATE", LiteralMode::Synchronizing).string("a \"b\" \\c").finish(),
            (Chunks{"A1 CREATE \"a \\\"b\\\" \\\\c\"\r\n"}));
  EXPECT_EQ(ImapCommand("A2", "LOGIN", LiteralMode::Synchronizing).string("me").string("p\r\nw").finish(),
            (Chunks{"A2 LOGIN \"me\" {4}\r\n", "p\r\nw\r\n"}));
  EXPECT_EQ(ImapCommand("A3", "CREATE", LiteralMode::NonSynchronizing).string("Entwürfe").finish(),
            (Chunks{"A3 CREATE {9+}\r\n", "Entwürfe\r\n"}));
  EXPECT_EQ(ImapCommand("A4", "CREATE", LiteralMode::Synchronizing).string("Entwürfe", true).finish(),
            (Chunks{"A4 CREATE \"Entwürfe\"\r\n"}));
  EXPECT_EQ(ImapCommand("A5", "SELECT", LiteralMode::Synchronizing).string("").finish(),
            (Chunks{"A5 SELECT \"\"\r\n"}));
}

TEST(ImapCommandTest, BuildsAnAppendWithFlagsDateAndMessage) {
  EXPECT_EQ(ImapCommand("A6", "APPEND", LiteralMode::Synchronizing)
                .string("box")
                .atom("(\\Seen)")
                .string(FormatInternalDate(0))
                .literal("x\r\n")
                .finish(),
            (Chunks{"A6 APPEND \"box\" (\\Seen) \"01-Jan-1970 00:00:00 +0000\" {3}\r\n", "x\r\n\r\n"}));
}

TEST(FormatInternalDateTest, WritesTheInstantInUtc) {
  EXPECT_EQ(FormatInternalDate(951782400), "29-Feb-2000 00:00:00 +0000");
  EXPECT_EQ(FormatInternalDate(1711846799), "31-Mar-2024 00:59:59 +0000");
  EXPECT_EQ(FormatInternalDate(2147483647), "19-Jan-2038 03:14:07 +0000");
  EXPECT_EQ(FormatInternalDate(-1), "31-Dec-1969 23:59:59 +0000");
}

}  // namespace
}  // namespace quernel
