#include "naming/naming_template.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/host.h"
#include "support/dbx_builder.h"
#include "support/local_zone.h"
#include "support/string_input_file.h"
#include "writers/message_naming_fields.h"

namespace quernel {
namespace {

using testing::DbxBuilder;
using testing::FileTimeFromUnix;
using testing::LocalZone;
using testing::StringInputFile;
using testing::TestMessage;

// Friday 2024-12-06 13:05:00 in Berlin.
constexpr int64_t kSent = 1733486700;
// Saturday 2024-12-07 14:06:00 in Berlin.
constexpr int64_t kReceived = kSent + 24 * 3600 + 3660;
// Wednesday 2025-01-15 08:30:00 in Berlin: the mailbox file's own time.
constexpr int64_t kMailboxWritten = 1736926200;

// A mailbox built in memory and the reader over it; names are made from its
// fields as the writers take them, with the default converter.
class TestMailbox {
 public:
  explicit TestMailbox(const std::vector<TestMessage>& messages,
                       std::string path = "/mail/Inbox.dbx",
                       std::optional<FileTimeTicks> lastWrite = FileTimeFromUnix(kMailboxWritten))
      : file_(Build(messages), std::move(path)) {
    file_.setLastWriteTime(lastWrite);
    reader_ = std::make_unique<MailboxReader>(file_, SystemHost().calendar);
  }

  // A negative index stands for the mailbox level.
  std::string expand(std::string_view namingTemplate, int32_t index) const {
    NamingFields fields = MailboxNamingFields(*reader_, SystemHost().paths);
    if (index >= 0) SetMessageNamingFields(fields, *reader_, index, *converter_);
    return ExpandNamingTemplate(namingTemplate, fields, SystemHost().text, SystemHost().calendar);
  }

 private:
  static std::string Build(const std::vector<TestMessage>& messages) {
    DbxBuilder builder;
    for (const TestMessage& message : messages) builder.add(message);
    return builder.build().bytes;
  }

  StringInputFile file_;
  std::unique_ptr<MailboxReader> reader_;
  std::unique_ptr<CodePageConverter> converter_ = MakeDefaultCodePageConverter();
};

TestMessage Message(std::optional<std::string> senderName, std::optional<std::string> subject) {
  TestMessage message;
  message.text = "Subject: test\r\n\r\nbody\r\n";
  message.senderName = std::move(senderName);
  message.subject = std::move(subject);
  return message;
}

// The messages every table below refers to by index.
enum : int32_t { kWorked, kEmpty, kLongSender, kQuestionMarks, kAccented, kControls, kLong };

std::vector<TestMessage> SampleMessages() {
  TestMessage worked = Message("Ruzi Vovuzadid", "Re: Q3 report / draft?");
  worked.sendTime = FileTimeFromUnix(kSent);
  worked.receiveTime = FileTimeFromUnix(kReceived);
  worked.recipientName = "Ann Lee; Bob Ray; Cid Poe";
  worked.senderAddress = "ruzi@example.org";
  worked.recipientAddress = "ann@example.org;bob@example.org";
  // Stored in Windows-1252: "Été ÿ ß ÷" and "ÀÞŠŒŽ×".
  TestMessage controls = Message("a$SUBJ$b_c", "A\x81" "B\tC\r\nD");
  controls.recipientName = ";Bob";
  TestMessage accented = Message("\xC9t\xE9 \xFF \xDF \xF7", "Caf\xE9");
  accented.recipientName = "\xC0\xDE\x8A\x8C\x8E\xD7";
  return {
      worked,
      Message(std::nullopt, std::nullopt),
      Message("Maximilian Alexander Fitzgerald-Worthington", "Re: Q3 report / draft?"),
      Message("Ruzi Vovuzadid", "???"),
      accented,
      // 0x81 is undefined in Windows-1252 and arrives as the C1 control U+0081.
      controls,
      Message(std::string(300, 'n'), std::string(300, 's')),
  };
}

constexpr const char* kDefaultEml = "$SNAME_L:32_E:Unknown$ - $SUBJ_L:64_E:No Subject$.eml";
constexpr int32_t kMailboxLevel = -1;

struct ExpansionCase {
  const char* namingTemplate;
  int32_t index;
  std::string expected;
};

void PrintTo(const ExpansionCase& c, std::ostream* out) {
  *out << "\"" << c.namingTemplate << "\" at " << c.index;
}

class ExpansionTest : public ::testing::TestWithParam<ExpansionCase> {
 protected:
  static void SetUpTestSuite() {
    zone_ = new LocalZone("Europe/Berlin");
    mailbox_ = new TestMailbox(SampleMessages());
  }
  static void TearDownTestSuite() {
    delete mailbox_;
    delete zone_;
  }
  static LocalZone* zone_;
  static TestMailbox* mailbox_;
};
LocalZone* ExpansionTest::zone_ = nullptr;
TestMailbox* ExpansionTest::mailbox_ = nullptr;

TEST_P(ExpansionTest, GivesTheExpectedName) {
  EXPECT_EQ(mailbox_->expand(GetParam().namingTemplate, GetParam().index), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, ExpansionTest,
    ::testing::Values(
        ExpansionCase{"$DBXNAME$.mbx", kMailboxLevel, "Inbox.mbx"},
        ExpansionCase{kDefaultEml, kWorked, "Ruzi Vovuzadid - Re Q3 report draft .eml"},
        ExpansionCase{kDefaultEml, kEmpty, "Unknown - No Subject.eml"},
        ExpansionCase{kDefaultEml, kLongSender,
                      "Maximilian Alexander Fitzgerald- - Re Q3 report draft .eml"},
        ExpansionCase{"$SDATE$ $SNAME_C:1$", kWorked, "2024-12-06 RUZI VOVUZADID"},
        ExpansionCase{"$SDATE_F:%H:%M$", kWorked, "13 05"},
        ExpansionCase{"$RNAME_N:2$", kWorked, "Ann Lee; Bob Ray"},
        ExpansionCase{"$SUBJ$.mbx", kMailboxLevel, "$SUBJ$.mbx"},
        ExpansionCase{"$SNAME_L:32_E:Unknown$.mbx", kMailboxLevel, "$SNAME_L 32_E Unknown$.mbx"}));

INSTANTIATE_TEST_SUITE_P(
    Fields, ExpansionTest,
    ::testing::Values(
        ExpansionCase{"", kWorked, ""},
        ExpansionCase{"plain name.eml", kWorked, "plain name.eml"},
        ExpansionCase{"Cost $5", kWorked, "Cost $5"},
        ExpansionCase{"$$", kWorked, "$$"},
        ExpansionCase{"a$$b", kWorked, "a$$b"},
        ExpansionCase{"$X$DBXNAME$", kWorked, "$XInbox"},
        ExpansionCase{"$X$Y$Z$", kWorked, "$X$Y$Z$"},
        ExpansionCase{"$X$SUBJ$", kWorked, "$XRe Q3 report draft"},
        ExpansionCase{"$sname$", kWorked, "$sname$"},
        ExpansionCase{"$SNAME_$", kWorked, "Ruzi Vovuzadid"},
        ExpansionCase{"$SNAME$$SUBJ$", kWorked, "Ruzi VovuzadidRe Q3 report draft"},
        ExpansionCase{"$DBXNAME$ $SNAME$", kMailboxLevel, "Inbox $SNAME$"},
        ExpansionCase{"$DBXNAME$ $SNAME$", kWorked, "Inbox Ruzi Vovuzadid"},
        // Values are plain text: never searched for "$" or "_".
        ExpansionCase{"$SNAME$", kControls, "a$SUBJ$b_c"},
        ExpansionCase{"$SADDR$ $RADDR$", kWorked, "ruzi@example.org ann@example.org;bob@example.org"},
        ExpansionCase{"$SDATE$ $RDATE$", kWorked, "2024-12-06 2024-12-07"},
        ExpansionCase{"$RDATE_F:%H.%M$", kWorked, "14.06"},
        ExpansionCase{"$DBXDATE$", kMailboxLevel, "2025-01-15"},
        ExpansionCase{"$DBXDATE_F:%d.%m.%Y %H.%M$", kWorked, "15.01.2025 08.30"},
        ExpansionCase{"$SDATE_F:%Y_%m$", kWorked, "2024"},
        ExpansionCase{"$SDATE_F:$", kWorked, ""},
        ExpansionCase{"$SDATE_F:_E:none$", kWorked, "none"},
        ExpansionCase{"$SDATE_F:%Y%_E:bad$", kWorked, "bad"},
        ExpansionCase{"[$SDATE_F:%Y-%q$]", kWorked, "[2024-]"},
        ExpansionCase{"$SDATE_F:%c$", kWorked, "12 06 24 13 05 00"}));

INSTANTIATE_TEST_SUITE_P(
    Modifiers, ExpansionTest,
    ::testing::Values(
        ExpansionCase{"$SUBJ_L:5$", kWorked, "Re Q"},
        ExpansionCase{"$SUBJ_L:0$", kWorked, "Re Q3 report draft"},
        ExpansionCase{"$SUBJ_L:256$", kWorked, "Re Q3 report draft"},
        ExpansionCase{"$SUBJ_L:255$", kLong, std::string(255, 's')},
        ExpansionCase{"$SUBJ_L:256$", kLong, std::string(300, 's')},
        ExpansionCase{"$SUBJ_L:3_L:6$", kWorked, "Re Q3"},
        ExpansionCase{"$SUBJ_L:6_L:3$", kWorked, "Re"},
        ExpansionCase{"$SUBJ_E:None_L:2$", kEmpty, "No"},
        ExpansionCase{"$SUBJ_E:None_C:1$", kEmpty, "NONE"},
        ExpansionCase{"$SUBJ_E:None$", kWorked, "Re Q3 report draft"},
        ExpansionCase{"$SUBJ_E:a_b$", kEmpty, "a"},
        ExpansionCase{"$SUBJ_L:1_L:2_L:3_E:a_b$", kEmpty, "a_b"},
        ExpansionCase{"$SNAME_C:$", kWorked, "ruzi vovuzadid"},
        ExpansionCase{"$SNAME_C:0$", kWorked, "ruzi vovuzadid"},
        ExpansionCase{"$SNAME_C:2$", kWorked, "Ruzi Vovuzadid"},
        ExpansionCase{"$SNAME_C:-1$", kWorked, "Ruzi Vovuzadid"},
        ExpansionCase{"$SNAME_C:1_C:0$", kWorked, "ruzi vovuzadid"},
        ExpansionCase{"$SNAME_L: 4$", kWorked, "Ruzi"},
        ExpansionCase{"$SNAME_L:+4x$", kWorked, "Ruzi"},
        ExpansionCase{"$SNAME_L:-5$", kWorked, "Ruzi Vovuzadid"},
        ExpansionCase{"$SNAME_L:4294967300$", kWorked, "Ruzi Vovuzadid"},
        ExpansionCase{"$SNAME_l:4$", kWorked, "Ruzi Vovuzadid"},
        ExpansionCase{"$RNAME_N:0$", kWorked, "Ann Lee; Bob Ray; Cid Poe"},
        ExpansionCase{"$RNAME_N:1$", kWorked, "Ann Lee"},
        ExpansionCase{"$RNAME_N:3$", kWorked, "Ann Lee; Bob Ray; Cid Poe"},
        ExpansionCase{"$RNAME_N:9$", kWorked, "Ann Lee; Bob Ray; Cid Poe"},
        ExpansionCase{"$RADDR_N:1$", kWorked, "ann@example.org"},
        ExpansionCase{"$SNAME_N:1$", kControls, "a$SUBJ$b_c"},
        // N before E: ";Bob" is not empty, but what N:1 leaves of it is.
        ExpansionCase{"$RNAME_N:1_E:nobody$", kControls, "nobody"},
        ExpansionCase{"$RNAME_N:2_E:nobody$", kControls, ";Bob"},
        // E before L and C: the default text is cut and converted too.
        ExpansionCase{"$SNAME_E:unknown sender_L:7_C:1$", kEmpty, "UNKNOWN"}));

INSTANTIATE_TEST_SUITE_P(
    Cleaning, ExpansionTest,
    ::testing::Values(
        ExpansionCase{kDefaultEml, kQuestionMarks, "Ruzi Vovuzadid - .eml"},
        ExpansionCase{"  $SUBJ$  .eml", kWorked, "Re Q3 report draft .eml"},
        ExpansionCase{"$SUBJ$", kControls, "A B C D"},
        ExpansionCase{"a/b\\c:$SNAME$", kWorked, "a b c Ruzi Vovuzadid"},
        ExpansionCase{"$SUBJ$", kEmpty, ""}));

// The worked examples again, now on the platform's character set (UTF-8).
INSTANTIATE_TEST_SUITE_P(
    Utf8Values, ExpansionTest,
    ::testing::Values(
        // "Café": "L:4" would end inside the two-byte "é" and stops before it.
        ExpansionCase{"$SUBJ_L:4$", kAccented, "Caf"},
        ExpansionCase{"$SUBJ_L:5$", kAccented, "Caf\xC3\xA9"},
        ExpansionCase{"$SUBJ_L:4_C:1$", kAccented, "CAF"},
        ExpansionCase{"$SUBJ_L:5_C:1$", kAccented, "CAF\xC3\x89"},
        // "Été ÿ ß ÷": the Windows-1252 letters change case, ß and ÷ stay.
        ExpansionCase{"$SNAME_C:1$", kAccented, "\xC3\x89T\xC3\x89 \xC5\xB8 \xC3\x9F \xC3\xB7"},
        ExpansionCase{"$SNAME_C:0$", kAccented, "\xC3\xA9t\xC3\xA9 \xC3\xBF \xC3\x9F \xC3\xB7"},
        // "ÀÞŠŒŽ×" in lower case; × has no other case.
        ExpansionCase{"$RNAME_C:0$", kAccented,
                      "\xC3\xA0\xC3\xBE\xC5\xA1\xC5\x93\xC5\xBE\xC3\x97"}));

// Fields filled without a mailbox, as for messages found without a record:
// the values are used as they are given, and at the mailbox level the
// message's fields are not looked at even when they are filled.
TEST(ExpandNamingTemplate, TakesTheFieldsAsGiven) {
  LocalZone zone("Europe/Berlin");
  NamingFields fields;
  fields.mailboxName = "Lost+Found.d.dbx";
  fields.mailboxTime = -1;
  fields.senderName = "Ann";
  fields.senderAddress = "ann@example.org";
  fields.recipientName = "Bob; Cid";
  fields.recipientAddress = "bob@example.org";
  fields.subject = "Caf\xC3\xA9";
  fields.sendTime = static_cast<MessageTime>(kSent);
  fields.receiveTime = static_cast<MessageTime>(kReceived);
  const char* const kAll =
      "$DBXNAME$|$DBXDATE$|$SNAME$|$SADDR$|$RNAME_N:1$|$RADDR$|$SUBJ$|$SDATE$|$RDATE$";
  EXPECT_EQ(ExpandNamingTemplate(kAll, fields, SystemHost().text, SystemHost().calendar),
            "Lost+Found.d $SNAME$ $SADDR$ $RNAME_N 1$ $RADDR$ $SUBJ$ $SDATE$ $RDATE$");
  fields.hasMessage = true;
  EXPECT_EQ(ExpandNamingTemplate(kAll, fields, SystemHost().text, SystemHost().calendar),
            "Lost+Found.d Ann ann@example.org Bob bob@example.org Caf\xC3\xA9 2024-12-06 "
            "2024-12-07");
}

TEST(ExpandNamingTemplate, MailboxNameLosesOnlyItsLastExtension) {
  LocalZone zone("Europe/Berlin");
  const std::vector<TestMessage> none;
  EXPECT_EQ(TestMailbox(none, "/m/My.Old.Mail.dbx").expand("$DBXNAME$", -1), "My.Old.Mail");
  EXPECT_EQ(TestMailbox(none, "/m/Archive").expand("$DBXNAME$", -1), "Archive");
  EXPECT_EQ(TestMailbox(none, "/m/.dbx").expand("$DBXNAME$.mbx", -1), ".mbx");
  EXPECT_EQ(TestMailbox(none, "/m/.dbx").expand("$DBXNAME_E:Mailbox$.mbx", -1), "Mailbox.mbx");
  EXPECT_EQ(TestMailbox(none, "/m.d/Sent Items.DBX").expand("$DBXNAME_C:1$", -1), "SENT ITEMS");
}

TEST(ExpandNamingTemplate, MailboxTimeOutOfRangeGivesNoDate) {
  LocalZone zone("Europe/Berlin");
  // Past 2038 the 32-bit time cannot hold the file's time: it reads as -1.
  const TestMailbox mailbox({}, "/m/Inbox.dbx", FileTimeFromUnix(int64_t{1} << 33));
  EXPECT_EQ(mailbox.expand("$DBXDATE$", -1), "");
  EXPECT_EQ(mailbox.expand("[$DBXDATE_E:undated$]", -1), "[undated]");
}

TEST(ExpandNamingTemplate, MissingSendDateIsTheEpochInLocalTime) {
  const TestMailbox mailbox({Message("x", "y")});
  {
    LocalZone zone("America/New_York");
    EXPECT_EQ(mailbox.expand("$SDATE$", 0), "1969-12-31");
  }
  {
    LocalZone zone("Europe/Berlin");
    EXPECT_EQ(mailbox.expand("$SDATE$", 0), "1970-01-01");
  }
}

TEST(ExpandNamingTemplate, ResultNeverHoldsASeparatorOrControl) {
  LocalZone zone("Europe/Berlin");
  TestMessage hostile = Message("../../etc/passwd", "\x01\x02/\\\x7F\x81\x9D");
  hostile.recipientName = "a:b*c\"d<e>f|g?h";
  const TestMailbox mailbox({hostile});
  for (const char* namingTemplate : {"$SNAME$", "$SUBJ$", "$RNAME$", "/$SNAME$/..\\$SUBJ$\r\n"}) {
    const std::string name = mailbox.expand(namingTemplate, 0);
    for (const char c : name) {
      EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20 && c != '\x7F' && std::string_view("<>|?/\\\":*").find(c) ==
                                                               std::string_view::npos)
          << "in \"" << name << "\" from " << namingTemplate;
    }
    EXPECT_EQ(name.find("\xC2\x81"), std::string::npos);
  }
  EXPECT_EQ(mailbox.expand("$SNAME$", 0), ".. .. etc passwd");
}

}  // namespace
}  // namespace quernel
