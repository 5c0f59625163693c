// How the flag word becomes the writers' options: each option reaches the
// writer it concerns and no other.

#include "cli/writer_options.h"

#include <gtest/gtest.h>

#include <string>

namespace quernel {
namespace {

struct FlagCase {
  const char* name;
  uint32_t flags;
  MboxVariant variant;
  bool ignoreCase;
  bool doubleNewline;
  MessageDate date;
  bool flatFolders;
  bool overwrite;
  bool statusHeaders = false;
};

constexpr auto kO = MboxVariant::Mboxo;
constexpr auto kRd = MboxVariant::Mboxrd;
constexpr auto kSend = MessageDate::Send;
constexpr auto kReceive = MessageDate::Receive;

const FlagCase kFlagCases[] = {
    {"None", 0, kO, false, false, kSend, false, false},
    {"Mboxo", flags::kMboxo, kO, false, false, kSend, false, false},
    {"Mboxrd", flags::kMboxrd, kRd, false, false, kSend, false, false},
    {"BothVariantsWriteMboxrd", flags::kMboxo | flags::kMboxrd, kRd, false, false, kSend, false,
     false},
    {"IgnoreCase", flags::kIgnoreCase, kO, true, false, kSend, false, false},
    {"DoubleNewline", flags::kDoubleNewline, kO, false, true, kSend, false, false},
    {"SendDateIsTheDefault", flags::kSendDate, kO, false, false, kSend, false, false},
    {"ReceiveDate", flags::kReceiveDate, kO, false, false, kReceive, false, false},
    {"ReceiveDateWinsOverSendDate", flags::kReceiveDate | flags::kSendDate, kO, false, false,
     kReceive, false, false},
    {"FlatFolders", flags::kFlatFolders, kO, false, false, kSend, true, false},
    {"Overwrite", flags::kOverwrite, kO, false, false, kSend, false, true},
    {"FormatFlagsChangeNothingElse", flags::kMboxo | flags::kEml | flags::kMaildir, kO, false,
     false, kSend, false, false},
    {"StatusHeaders", flags::kStatusHeaders, kO, false, false, kSend, false, false, true},
};

class WriterOptionsTest : public ::testing::TestWithParam<FlagCase> {};

TEST_P(WriterOptionsTest, EachFlagReachesItsWriter) {
  const FlagCase& c = GetParam();
  RunSettings settings;
  settings.flags = c.flags;
  const MboxOptions mbox = MboxOptionsFrom(settings);
  EXPECT_EQ(mbox.quoting.variant, c.variant);
  EXPECT_EQ(mbox.quoting.ignoreCase, c.ignoreCase);
  EXPECT_EQ(mbox.doubleNewline, c.doubleNewline);
  EXPECT_EQ(mbox.date, c.date);
  const EmlOptions eml = EmlOptionsFrom(settings);
  EXPECT_EQ(eml.date, c.date);
  EXPECT_EQ(eml.flatFolders, c.flatFolders);
  EXPECT_EQ(eml.overwrite, c.overwrite);
  EXPECT_EQ(mbox.statusHeaders, c.statusHeaders);
  EXPECT_EQ(eml.statusHeaders, c.statusHeaders);
  // Maildir keeps the bytes as stored and stamps the receive time always.
  EXPECT_EQ(MaildirOptionsFrom(settings).overwrite, c.overwrite);
}

INSTANTIATE_TEST_SUITE_P(Flags, WriterOptionsTest, ::testing::ValuesIn(kFlagCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WriterOptions, TemplatesAndOutputDirectoryGoToTheirWriters) {
  RunSettings settings;
  EXPECT_EQ(MboxOptionsFrom(settings).nameTemplate, "$DBXNAME$.mbx");
  EXPECT_EQ(EmlOptionsFrom(settings).nameTemplate,
            "$SNAME_L:32_E:Unknown$ - $SUBJ_L:64_E:No Subject$.eml");
  settings.mboxTemplate = "all.mbox";
  settings.emlTemplate = "$SUBJ$.eml";
  settings.outputDirectory = "/out";
  const MboxOptions mbox = MboxOptionsFrom(settings);
  const EmlOptions eml = EmlOptionsFrom(settings);
  EXPECT_EQ(mbox.nameTemplate, "all.mbox");
  EXPECT_EQ(eml.nameTemplate, "$SUBJ$.eml");
  EXPECT_EQ(mbox.outputDirectory, "/out");
  EXPECT_EQ(eml.outputDirectory, "/out");
  EXPECT_EQ(MaildirOptionsFrom(settings).outputDirectory, "/out");
}

}  // namespace
}  // namespace quernel
