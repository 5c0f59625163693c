// The state header lines of "-flags": where they go, how they end, what they
// replace, and what each state bit turns into.

#include "writers/status_headers.h"

#include <gtest/gtest.h>

#include <string>

namespace quernel {
namespace {

constexpr uint32_t kRead = MessageFlags::kRead;
constexpr uint32_t kMarked = MessageFlags::kMarked;
constexpr uint32_t kAnswered = MessageFlags::kAnswered;
constexpr uint32_t kForwarded = MessageFlags::kForwarded;

// The four lines for an unread message without other state, and for a read,
// answered, flagged and forwarded one.
const std::string kNone =
    "Status: O\r\nX-Status: \r\nX-Mozilla-Status: 0000\r\nX-Mozilla-Status2: 00000000\r\n";
const std::string kAll =
    "Status: RO\r\nX-Status: AF\r\nX-Mozilla-Status: 1007\r\nX-Mozilla-Status2: 00000000\r\n";

std::string WithLf(std::string crlf) {
  std::string lf;
  for (char c : crlf) {
    if (c != '\r') lf += c;
  }
  return lf;
}

TEST(StatusHeaders, EachStateBitGivesItsLetterAndMozillaBit) {
  const struct {
    uint32_t bits;
    const char* status;
    const char* xStatus;
    const char* mozilla;
  } cases[] = {
      {0, "O", "", "0000"},
      {kRead, "RO", "", "0001"},
      {kAnswered, "O", "A", "0002"},
      {kMarked, "O", "F", "0004"},
      {kForwarded, "O", "", "1000"},
      {kRead | kAnswered | kMarked | kForwarded, "RO", "AF", "1007"},
      // Composed here, downloaded, signed, with attachments: none of them is
      // a state, and 0x0008 (which makes Thunderbird drop the message) never
      // appears.
      {0x08 | 0x01 | 0x1000 | 0x4000, "O", "", "0000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bits);
    std::string text = "Subject: x\r\n\r\nbody\r\n";
    AddStatusHeaders(text, 0, MessageFlags(c.bits));
    EXPECT_EQ(text, std::string("Subject: x\r\nStatus: ") + c.status + "\r\nX-Status: " + c.xStatus +
                        "\r\nX-Mozilla-Status: " + c.mozilla +
                        "\r\nX-Mozilla-Status2: 00000000\r\n\r\nbody\r\n");
  }
}

TEST(StatusHeaders, GoAtTheEndOfTheHeaderBlockWithTheMessagesLineEnds) {
  const struct {
    const char* name;
    std::string text;
    std::string expected;
  } cases[] = {
      {"CR LF", "From: a\r\nSubject: b\r\n\r\nStatus: RO\r\n", "From: a\r\nSubject: b\r\n" + kNone + "\r\nStatus: RO\r\n"},
      {"LF", "From: a\nSubject: b\n\nbody\n", WithLf("From: a\r\nSubject: b\r\n" + kNone) + "\nbody\n"},
      {"no header lines", "\r\nbody\r\n", kNone + "\r\nbody\r\n"},
      {"no empty line", "From: a\r\nSubject: b\r\n", "From: a\r\nSubject: b\r\n" + kNone + "\r\n"},
      {"no empty line, LF", "Subject: b\n", WithLf("Subject: b\r\n" + kNone) + "\n"},
      {"no final line end", "Subject: b\nX: c", WithLf("Subject: b\r\nX: c\r\n" + kNone) + "\n"},
      {"no line end at all", "Subject: b", "Subject: b\r\n" + kNone + "\r\n"},
      {"empty", "", kNone + "\r\n"},
      {"empty line of a lone CR", "Subject: b\n\r\nbody", WithLf("Subject: b\r\n" + kNone) + "\r\nbody"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text = c.text;
    AddStatusHeaders(text, 0, MessageFlags());
    EXPECT_EQ(text, c.expected);
  }
}

TEST(StatusHeaders, ReplaceLinesOfTheirNamesInTheHeaderBlockOnly) {
  std::string text =
      "status: RO\r\n"
      "From: a\r\n"
      "X-Status:  D\r\n"
      "X-Mozilla-Status : 0009\r\n"
      "X-MOZILLA-STATUS2: 10000000\r\n"
      "\tfolded on\r\n"
      " and on\r\n"
      "Status-Code: 5\r\n"
      "X-Status2: kept\r\n"
      "Subject: Status: mentioned\r\n"
      "\r\n"
      "Status: RO\r\n";
  AddStatusHeaders(text, 0, MessageFlags(kRead | kAnswered | kMarked | kForwarded));
  EXPECT_EQ(text,
            "From: a\r\n"
            "Status-Code: 5\r\n"
            "X-Status2: kept\r\n"
            "Subject: Status: mentioned\r\n" +
                kAll + "\r\nStatus: RO\r\n");
}

TEST(StatusHeaders, LeaveTheBytesBeforeTheMessageAlone) {
  const std::string separator = "From a@b Thu Mar 06 09:05:07 2003\r\n";
  std::string text = separator + "Status: O\r\n\r\nbody\r\n";
  AddStatusHeaders(text, separator.size(), MessageFlags(kRead | kAnswered | kMarked | kForwarded));
  EXPECT_EQ(text, separator + kAll + "\r\nbody\r\n");

  // A message without any line end, after a separator that has one.
  text = separator + "x";
  AddStatusHeaders(text, separator.size(), MessageFlags());
  EXPECT_EQ(text, separator + "x\r\n" + kNone + "\r\n");
}

}  // namespace
}  // namespace quernel
