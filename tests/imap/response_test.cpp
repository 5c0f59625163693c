// The response reader and parser: how bytes are cut into responses, the
// bounds on hostile input, and the data quernel reads from them.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

#include "imap/imap_error.h"
#include "imap/response.h"
#include "imap/response_data.h"
#include "imap/response_reader.h"

namespace quernel {
namespace {

std::vector<ImapResponse> ReadAll(const std::string& bytes, size_t piece) {
  ResponseReader reader;
  std::vector<ImapResponse> responses;
  for (size_t at = 0; at < bytes.size(); at += piece) {
    reader.feed(std::string_view(bytes).substr(at, piece));
    while (auto raw = reader.next()) responses.push_back(ParseResponse(*raw));
  }
  return responses;
}

TEST(ResponseReaderTest, GivesTheSameResponsesWhateverThePiecesTheBytesArriveIn) {
  const std::string bytes =
      "* 1 FETCH (UID 7 INTERNALDATE \"01-Jan-2001 10:00:00 +0000\" RFC822.SIZE 120 "
      "BODY[HEADER.FIELDS (MESSAGE-ID)] {21}\r\nMessage-ID: <a@b>\r\n\r\n)\r\n"
      "A2 OK [READ-WRITE] done\r\n";
  for (const size_t piece : {1, 2, 7, 1000}) {
    SCOPED_TRACE(piece);
    const std::vector<ImapResponse> responses = ReadAll(bytes, piece);
    ASSERT_EQ(responses.size(), 2u);
    const FetchedMessage message = ReadFetch(responses[0]);
    EXPECT_EQ(responses[0].number, 1u);
    EXPECT_EQ(message.uid, 7u);
    EXPECT_EQ(message.internalDate, "01-Jan-2001 10:00:00 +0000");
    EXPECT_EQ(message.size, 120u);
    EXPECT_EQ(message.headerFields, "Message-ID: <a@b>\r\n\r\n");
    EXPECT_EQ(responses[1].tag, "A2");
    EXPECT_EQ(responses[1].code, "READ-WRITE");
  }
}

TEST(ResponseReaderTest, RefusesWhatOutgrowsTheBounds) {
  ResponseReader longLine;
  longLine.feed("* OK " + std::string(kMaxLineBytes, 'x'));
  EXPECT_THROW(longLine.next(), ImapProtocolError);

  ResponseReader hugeLiteral;
  hugeLiteral.feed("* 1 FETCH (BODY[] {67108865}\r\n");
  EXPECT_THROW(hugeLiteral.next(), ImapProtocolError);

  // Many small literals add up past the bound without any one being large.
  ResponseReader manyLiterals;
  std::string piece = "* 1 FETCH (X {65536}\r\n" + std::string(65536, 'y');
  EXPECT_THROW(
      for (int i = 0; i < 1100; ++i) {
        manyLiterals.feed(piece);
        while (manyLiterals.next()) {
        }
      },
      ImapProtocolError);

  // A literal of the largest size is waited for, not refused.
  ResponseReader largest;
  largest.feed("* 1 FETCH (BODY[] {67108864}\r\n");
  EXPECT_FALSE(largest.next().has_value());
}

struct StatusCase {
  const char* line;
  ImapResponse::Kind kind;
  const char* name;
  const char* code;
  const char* codeArguments;
  const char* text;
};

class StatusResponseTest : public testing::TestWithParam<StatusCase> {};

TEST_P(StatusResponseTest, ReadsTagNameCodeAndText) {
  const StatusCase& c = GetParam();
  const std::vector<ImapResponse> responses = ReadAll(std::string(c.line) + "\r\n", 100);
  ASSERT_EQ(responses.size(), 1u);
  EXPECT_EQ(responses[0].kind, c.kind);
  EXPECT_EQ(responses[0].name, c.name);
  EXPECT_EQ(responses[0].code, c.code);
  EXPECT_EQ(responses[0].codeArguments, c.codeArguments);
  EXPECT_EQ(responses[0].text, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, StatusResponseTest,
    testing::Values(
        StatusCase{"A1 NO [TRYCREATE] Mailbox doesn't exist", ImapResponse::Kind::Tagged, "NO", "TRYCREATE", "",
                   "Mailbox doesn't exist"},
        StatusCase{"A2 no [OverQuota] Quota exceeded", ImapResponse::Kind::Tagged, "NO", "OVERQUOTA", "",
                   "Quota exceeded"},
        StatusCase{"A3 NO [LIMIT] too big", ImapResponse::Kind::Tagged, "NO", "LIMIT", "", "too big"},
        StatusCase{"A4 NO [TOOBIG] too big", ImapResponse::Kind::Tagged, "NO", "TOOBIG", "", "too big"},
        StatusCase{"A5 NO [UNAVAILABLE] later", ImapResponse::Kind::Tagged, "NO", "UNAVAILABLE", "", "later"},
        StatusCase{"A6 NO [CANNOT] Invalid mailbox name", ImapResponse::Kind::Tagged, "NO", "CANNOT", "",
                   "Invalid mailbox name"},
        StatusCase{"A7 OK [APPENDUID 38505 3955] APPEND completed", ImapResponse::Kind::Tagged, "OK",
                   "APPENDUID", "38505 3955", "APPEND completed"},
        StatusCase{"* BYE Server shutting down", ImapResponse::Kind::Untagged, "BYE", "", "",
                   "Server shutting down"},
        StatusCase{"+ Ready for literal data", ImapResponse::Kind::Continuation, "", "", "",
                   "Ready for literal data"},
        StatusCase{"A8 NO Request is throttled. Suggested Backoff Time: 1200 milliseconds",
                   ImapResponse::Kind::Tagged, "NO", "", "",
                   "Request is throttled. Suggested Backoff Time: 1200 milliseconds"}));

TEST(ResponseDataTest, ReadsCapabilitiesFromDataAndFromTheGreetingsCode) {
  const auto responses =
      ReadAll("* CAPABILITY IMAP4rev1 LITERAL+ auth=plain APPENDLIMIT=1000\r\n"
              "* OK [CAPABILITY IMAP4rev1 STARTTLS LOGINDISABLED] ready\r\n",
              100);
  const Capabilities data = *CapabilitiesIn(responses[0]);
  EXPECT_EQ(data, (Capabilities{"IMAP4REV1", "LITERAL+", "AUTH=PLAIN", "APPENDLIMIT=1000"}));
  EXPECT_EQ(AppendLimitIn(data), 1000u);
  EXPECT_EQ(*CapabilitiesIn(responses[1]), (Capabilities{"IMAP4REV1", "STARTTLS", "LOGINDISABLED"}));
  EXPECT_EQ(AppendLimitIn(Capabilities{"APPENDLIMIT"}), std::nullopt);
}

TEST(ResponseDataTest, ReadsListEntriesWithQuotedLiteralAndNilParts) {
  const auto responses = ReadAll(
      "* LIST (\\HasNoChildren \\Noselect) \".\" \"Outlook Express.a\\\"b\"\r\n"
      "* LIST () NIL {5}\r\nA&-B.\r\n"
      "* LIST (\\Marked) \"/\" INBOX\r\n",
      100);
  const ListEntry quoted = ReadListEntry(responses[0]);
  EXPECT_EQ(quoted.attributes, (std::set<std::string>{"\\HASNOCHILDREN", "\\NOSELECT"}));
  EXPECT_EQ(quoted.delimiter, '.');
  EXPECT_EQ(quoted.name, "Outlook Express.a\"b");
  const ListEntry literal = ReadListEntry(responses[1]);
  EXPECT_EQ(literal.delimiter, std::nullopt);
  EXPECT_EQ(literal.name, "A&-B.");
  EXPECT_EQ(ReadListEntry(responses[2]).name, "INBOX");
}

TEST(ResponseDataTest, ReadsPermanentFlags) {
  const auto responses = ReadAll("* OK [PERMANENTFLAGS (\\Seen \\Flagged $Forwarded \\*)] Limited\r\n", 100);
  EXPECT_EQ(*PermanentFlagsIn(responses[0]),
            (std::set<std::string>{"\\SEEN", "\\FLAGGED", "$FORWARDED", "\\*"}));
}

TEST(ResponseDataTest, ReadsTheUidOfOneAppendedMessageOnly) {
  struct Case {
    const char* response;
    std::optional<uint32_t> uid;
  };
  for (const Case& c : {
           Case{"A1 OK [APPENDUID 38505 3955] APPEND completed\r\n", 3955u},
           Case{"A1 OK [appenduid 1 4294967295] done\r\n", 4294967295u},
           Case{"A1 OK [APPENDUID 38505 3955:3956] two at once\r\n", std::nullopt},
           Case{"A1 OK [APPENDUID 38505 0] no UID 0\r\n", std::nullopt},
           Case{"A1 OK [APPENDUID 38505 4294967296] too large\r\n", std::nullopt},
           Case{"A1 OK [APPENDUID 38505] half\r\n", std::nullopt},
           Case{"A1 NO [APPENDUID 38505 3955] refused\r\n", std::nullopt},
           Case{"A1 OK [READ-WRITE] other code\r\n", std::nullopt},
       }) {
    SCOPED_TRACE(c.response);
    const std::optional<AppendUid> appended = AppendUidIn(ReadAll(c.response, 100).at(0));
    EXPECT_EQ(appended ? std::optional<uint32_t>(appended->uid) : std::nullopt, c.uid);
  }
}

TEST(ResponseDataTest, ReadsStatusItemsWithNilAsNoNumber) {
  const auto responses = ReadAll(
      "* STATUS \"Outlook Express.Inbox\" (MESSAGES 3 APPENDLIMIT 1024)\r\n"
      "* STATUS INBOX (appendlimit NIL)\r\n",
      100);
  const FolderStatus limited = ReadFolderStatus(responses[0]);
  EXPECT_EQ(limited.name, "Outlook Express.Inbox");
  EXPECT_EQ(limited.items, (std::map<std::string, std::optional<uint64_t>>{{"MESSAGES", 3}, {"APPENDLIMIT", 1024}}));
  const FolderStatus unlimited = ReadFolderStatus(responses[1]);
  EXPECT_EQ(unlimited.items, (std::map<std::string, std::optional<uint64_t>>{{"APPENDLIMIT", std::nullopt}}));
}

TEST(ResponseParseTest, RefusesMalformedResponsesWithOneError) {
  for (const char* bytes : {
           "\r\n",
           "A1 LIST () \"/\" x\r\n",          // tagged data
           "* LIST (\\A \"/\" x\r\n",          // unclosed list
           "* LIST () \"/ x\r\n",              // unclosed string
           "* OK [TRYCREATE no\r\n",           // unclosed code
           "* 1 FETCH (UID 0)\r\n",            // no UID 0
           "* 1 FETCH (UID 5 RFC822.SIZE x)\r\n",
           "* 1 FETCH (UID 5 RFC822.SIZE)\r\n",
           "* LIST () \"//\" x\r\n",
           "* 9999999999 EXISTS\r\n",
           "* STATUS x (APPENDLIMIT)\r\n",         // an item without its value
           "* STATUS x (APPENDLIMIT -1)\r\n",
           "* STATUS x (APPENDLIMIT \"12\")\r\n",   // a number is an atom
           "* STATUS (APPENDLIMIT 1)\r\n",          // no name
       }) {
    SCOPED_TRACE(bytes);
    EXPECT_THROW(
        for (const ImapResponse& response : ReadAll(bytes, 100)) {
          if (response.name == "LIST") ReadListEntry(response);
          if (response.name == "FETCH") ReadFetch(response);
          if (response.name == "STATUS") ReadFolderStatus(response);
        },
        ImapProtocolError);
  }
  // Deep nesting is refused, not recursed into without end.
  EXPECT_THROW(ReadAll("* X " + std::string(10000, '(') + "\r\n", 100000), ImapProtocolError);
}

}  // namespace
}  // namespace quernel
