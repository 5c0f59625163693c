// How a message is recognised on the server: Message-ID, INTERNALDATE and
// size, counted as a multiset; and the CRLF form it is sent in.

#include <gtest/gtest.h>

#include "imap/command.h"
#include "imap/response.h"
#include "imap/server_inventory.h"

namespace quernel {
namespace {

TEST(ServerInventoryTest, ReadsInternalDatesAsInstants) {
  const struct {
    const char* text;
    std::optional<int64_t> instant;
  } cases[] = {
      {"09-Nov-2004 13:33:20 +0000", 1100007200},
      {" 9-Nov-2004 14:33:20 +0100", 1100007200},
      {"9-Nov-2004 05:33:20 -0800", 1100007200},
      {"31-Oct-2021 00:59:59 +0000", 1635641999},
      {"09-Nox-2004 13:33:20 +0000", std::nullopt},
      {"09-Nov-2004 13:33:20 0000", std::nullopt},
      {"09-Nov-2004 13:33:20", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseInternalDate(c.text), c.instant);
  }
  // What quernel sends reads back as the same instant.
  for (const int64_t instant : {0LL, 951782400LL, 1635642001LL, 2147483647LL}) {
    EXPECT_EQ(ParseInternalDate(FormatInternalDate(instant)), instant);
  }
}

TEST(ServerInventoryTest, FindsTheMessageIdInAHeaderOnly) {
  EXPECT_EQ(MessageIdOf("From: a\r\nMessage-ID: <x@y>\r\n\r\nbody"), "<x@y>");
  EXPECT_EQ(MessageIdOf("message-id:\r\n  <folded@y> \r\nSubject: s\r\n\r\n"), "<folded@y>");
  EXPECT_EQ(MessageIdOf("Subject: s\n\nMessage-ID: <in body>\n"), "");
  EXPECT_EQ(MessageIdOf("\r\n"), "");
}

TEST(ServerInventoryTest, CountsCopiesAndKnowsMessagesWithoutIdByDateAndSize) {
  ResponseReader reader;
  reader.feed(
      "* 1 FETCH (UID 1 INTERNALDATE \"09-Nov-2004 13:33:20 +0000\" RFC822.SIZE 52 "
      "BODY[HEADER.FIELDS (MESSAGE-ID)] {2}\r\n\r\n)\r\n"
      "* 2 FETCH (UID 2 INTERNALDATE \"09-Nov-2004 13:33:20 +0000\" RFC822.SIZE 79 "
      "BODY[HEADER.FIELDS (MESSAGE-ID)] {21}\r\nMessage-ID: <t@e>\r\n\r\n)\r\n");
  std::vector<ImapResponse> responses;
  while (auto raw = reader.next()) responses.push_back(ParseResponse(*raw));
  ServerInventory inventory = ServerInventory::FromFetch(responses);
  EXPECT_EQ(inventory.size(), 2u);
  EXPECT_TRUE(inventory.take(MessageIdentity("", 1100007200, 52)));
  EXPECT_FALSE(inventory.take(MessageIdentity("", 1100007200, 52)));  // one copy only
  EXPECT_FALSE(inventory.take(MessageIdentity("", std::nullopt, 79)));
  EXPECT_TRUE(inventory.take(MessageIdentity("<t@e>", 1, 1)));  // the id alone decides
  EXPECT_EQ(inventory.size(), 0u);
  // Taken or not, what the folder held stays known with its UIDs: a server
  // that names one of them for a new copy kept no new copy.
  EXPECT_TRUE(inventory.known("id:<t@e>"));
  EXPECT_TRUE(inventory.holdsUid("id:<t@e>", 2));
  EXPECT_FALSE(inventory.holdsUid("id:<t@e>", 1));
  EXPECT_FALSE(inventory.known("id:<new@e>"));
  inventory.noteSent("id:<new@e>");
  EXPECT_TRUE(inventory.known("id:<new@e>"));
  inventory.noteSent("id:<new@e>", 3);
  EXPECT_TRUE(inventory.holdsUid("id:<new@e>", 3));
  EXPECT_EQ(inventory.size(), 0u);  // sent copies are not there to take
}

TEST(ServerInventoryTest, SendsEveryLineBreakAsCrlfAndNothingElseChanged) {
  EXPECT_EQ(WithCrlfLineEnds("a\nb\rc\r\nd"), "a\r\nb\r\nc\r\nd");
  EXPECT_EQ(WithCrlfLineEnds("\r\r\n\n"), "\r\n\r\n\r\n");
  EXPECT_EQ(WithCrlfLineEnds(std::string("x\0y", 3)), std::string("x\0y", 3));
}

}  // namespace
}  // namespace quernel
