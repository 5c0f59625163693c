// End-to-end checks of names from mailboxes of other languages: Linux works
// each mailbox's code page out from its messages, "-cp<N>" chooses it on
// either platform, and the names come out correctly spelled in UTF-8 on the
// Linux disk (under Wine: through the wide-character file API).

#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "dbx/folder_list.h"
#include "e2e/quernel_process.h"
#include "e2e/target_platform.h"
#include "support/dbx_builder.h"
#include "support/folder_list_builder.h"
#include "support/language_samples.h"

namespace quernel::testing {
namespace {

const char kNamingOption[] = "-eml$SNAME$ = $SUBJ$.eml";

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

std::string ProcessingLine(const std::string& shownName, size_t messages) {
  return "Processing mailbox \"" + shownName + "\" (" + std::to_string(messages) + " messages)...\n";
}

std::string NoticeLine(const std::string& shownName, int codePage) {
  return "Mailbox \"" + shownName + "\" reads as code page " + std::to_string(codePage) +
         " (use -cp<N> to choose another)\n";
}

const char kEmlSummary[] = "1 of 1 mailboxes converted to EML-format!\n";

struct LanguageRun {
  int codePage;
  bool chosen;  // "-cp<N>" given; otherwise the page is found from the messages
};

class LanguageRuns : public ::testing::TestWithParam<LanguageRun> {};

TEST_P(LanguageRuns, NamesAreSpelledInTheMailboxesLanguage) {
  const LanguageRun& run = GetParam();
  if (!run.chosen && TargetIsWindows()) GTEST_SKIP() << "Windows reads its own ANSI code page";
  const LanguageMailbox& mailbox = LanguageMailboxOf(run.codePage);
  ScratchDir dir;
  WriteFile(dir / "box.dbx", BuildMailbox(mailbox.messages));
  std::vector<std::string> arguments{kNamingOption, "box.dbx"};
  if (run.chosen) arguments.insert(arguments.begin(), "-cp" + std::to_string(run.codePage));

  const ProcessResult result = RunQuernelProcess(arguments, dir.path());
  const std::string notice = run.chosen ? "" : NoticeLine("box.dbx", run.codePage);
  EXPECT_EQ(result.out, ProcessingLine("box.dbx", mailbox.messages.size()) + notice + kEmlSummary);
  EXPECT_EQ(result.status, 0);
  std::vector<std::string> expected;
  for (const LanguageMessage& message : mailbox.messages) {
    expected.push_back(message.senderName + " = " + message.subjectName + ".eml");
  }
  EXPECT_EQ(ListDirectory(dir / "box"), Sorted(expected)) << mailbox.language;
}

std::vector<LanguageRun> AllLanguageRuns() {
  std::vector<LanguageRun> runs;
  for (const LanguageMailbox& mailbox : LanguageMailboxes()) {
    runs.push_back({mailbox.codePage, false});
    runs.push_back({mailbox.codePage, true});
  }
  return runs;
}

INSTANTIATE_TEST_SUITE_P(CodePages, LanguageRuns, ::testing::ValuesIn(AllLanguageRuns()),
                         [](const ::testing::TestParamInfo<LanguageRun>& info) {
                           return (info.param.chosen ? "Chosen" : "Detected") +
                                  std::to_string(info.param.codePage);
                         });

// The Russian subjects as Windows-1252 reads them: what "-cp1252" gives on
// Linux, and what a Western Windows gives without the option.
const std::vector<std::string> kRussianRead1252 = {
    "Ïðèâåò, ìèð.eml", "Ïðèâåò, ìèð(1).eml", "Îò÷¸ò çà ìàé.eml", "Re Îò÷¸ò çà ìàé.eml"};

TEST(CodePages, TheOptionOverridesWhatTheMessagesSay) {
  ScratchDir dir;
  WriteFile(dir / "box.dbx", BuildMailbox(LanguageMailboxOf(1251).messages));
  std::vector<std::string> arguments{"-eml$SUBJ$.eml", "box.dbx"};
  if (!TargetIsWindows()) arguments.insert(arguments.begin(), "-CP1252");
  const ProcessResult result = RunQuernelProcess(arguments, dir.path());
  EXPECT_EQ(result.out, ProcessingLine("box.dbx", 4) + kEmlSummary);
  EXPECT_EQ(ListDirectory(dir / "box"), Sorted(kRussianRead1252));
}

TEST(CodePages, SplitEvidenceStaysWithWindows1252Silently) {
  if (TargetIsWindows()) GTEST_SKIP() << "Windows reads its own ANSI code page";
  const std::vector<LanguageMessage>& russian = LanguageMailboxOf(1251).messages;
  const std::vector<LanguageMessage>& greek = LanguageMailboxOf(1253).messages;
  ScratchDir dir;
  WriteFile(dir / "box.dbx", BuildMailbox({russian[0], russian[1], greek[0], greek[1]}));
  const ProcessResult result = RunQuernelProcess({"-eml$SUBJ$.eml", "box.dbx"}, dir.path());
  EXPECT_EQ(result.out, ProcessingLine("box.dbx", 4) + kEmlSummary);
  EXPECT_EQ(ListDirectory(dir / "box"),
            Sorted({"Ïðèâåò, ìèð.eml", "Îò÷¸ò çà ìàé.eml", "ÊáëçìÝñá êüóìå.eml", "ÓõíÜíôçóç.eml"}));
}

TEST(CodePages, LetterCaseChangesWithinThePage) {
  ScratchDir dir;
  WriteFile(dir / "box.dbx", BuildMailbox(LanguageMailboxOf(1251).messages));
  const ProcessResult result = RunQuernelProcess({"-cp1251", "-eml$SUBJ_C:1$.eml", "box.dbx"}, dir.path());
  EXPECT_EQ(result.out, ProcessingLine("box.dbx", 4) + kEmlSummary);
  EXPECT_EQ(ListDirectory(dir / "box"),
            Sorted({"ПРИВЕТ, МИР.eml", "ПРИВЕТ, МИР(1).eml", "ОТЧЁТ ЗА МАЙ.eml", "RE ОТЧЁТ ЗА МАЙ.eml"}));
}

// Every trail byte of 表 (0x95 0x5C) is "\" in ASCII. "L:64" counts UTF-8
// bytes on Linux and the code page's bytes on Windows; either way the cut
// falls before a character that would not fit whole.
TEST(CodePages, JapaneseNameIsCutOnACharacterBoundary) {
  std::string stored = "ABC";
  for (int k = 0; k < 40; ++k) stored += "\x95\\";
  const LanguageMessage message{stored, "x", "Subject: " + stored + "\r\n", "", "x"};
  ScratchDir dir;
  WriteFile(dir / "box.dbx", BuildMailbox({message}));
  const ProcessResult result = RunQuernelProcess({"-cp932", "-eml$SUBJ_L:64$.eml", "box.dbx"}, dir.path());
  EXPECT_EQ(result.out, ProcessingLine("box.dbx", 1) + kEmlSummary);
  const int whole = TargetIsWindows() ? 30 : 20;  // 3 + 30 * 2 or 3 + 20 * 3 bytes
  std::string expected = "ABC";
  for (int k = 0; k < whole; ++k) expected += "表";
  EXPECT_EQ(ListDirectory(dir / "box"), std::vector<std::string>{expected + ".eml"});
}

// With a chosen code page even the mailbox's own file name may hold
// characters beyond the system's ANSI code page on Windows; the console
// shows what its OEM code page has of them.
TEST(CodePages, MailboxNamedInTheChosenPage) {
  ScratchDir dir;
  const std::string name = "Входящие";
  WriteFile(dir / (name + ".dbx"), BuildMailbox(LanguageMailboxOf(1251).messages));
  const ProcessResult result = RunQuernelProcess({"-cp1251", "-mbx", "-eml$SUBJ$.eml", "*.dbx"}, dir.path());
  const std::string shown = TargetIsWindows() ? "????????.dbx" : name + ".dbx";
  EXPECT_EQ(result.out, ProcessingLine(shown, 4) + "1 of 1 mailboxes converted to MBOXO-format!\n" + kEmlSummary);
  EXPECT_TRUE(FileExists(dir / (name + ".mbx")));
  EXPECT_EQ(ListDirectory(dir / name),
            Sorted({"Привет, мир.eml", "Привет, мир(1).eml", "Отчёт за май.eml", "Re Отчёт за май.eml"}));
}

// A mailbox whose signature is lost, or whose index lists no message, is
// only scanned: its found messages vote on its code page as indexed ones
// do, alone and when a tree weighs the store's.
TEST(CodePages, ScannedMailboxReadsInThePageOfItsFoundMessages) {
  if (TargetIsWindows()) GTEST_SKIP() << "Windows reads its own ANSI code page";
  const std::vector<LanguageMessage>& russian = LanguageMailboxOf(1251).messages;
  std::string noSignature = BuildMailbox(russian);
  PutU32(noSignature, 0, 0);
  DbxBuilder unlisted;
  for (const LanguageMessage& message : russian) {
    TestMessage m = ToTestMessage(message);
    m.inIndex = false;
    unlisted.add(m);
  }
  const std::pair<std::string, bool> cases[] = {
      {noSignature, false}, {noSignature, true}, {unlisted.build().bytes, false}, {unlisted.build().bytes, true}};
  for (const auto& [bytes, tree] : cases) {
    ScratchDir dir;
    ASSERT_EQ(mkdir((dir / "store").c_str(), 0777), 0);
    ASSERT_EQ(mkdir((dir / "out").c_str(), 0777), 0);
    WriteFile(dir / "store/box.dbx", bytes);
    std::vector<std::string> arguments{"-recover", "-eml$SUBJ$.eml", tree ? "store" : "store/box.dbx", "out"};
    if (tree) arguments.insert(arguments.begin(), "-tree");
    const ProcessResult result = RunQuernelProcess(arguments, dir.path());
    EXPECT_NE(result.out.find(NoticeLine("box.dbx", 1251)), std::string::npos) << result.out;
    EXPECT_EQ(ListDirectory(dir / "out/box/recovered"),
              Sorted({"Привет, мир.eml", "Привет, мир(1).eml", "Отчёт за май.eml", "Re Отчёт за май.eml"}))
        << tree;
  }
}

// A Russian store: the folder list names its folders and their files in
// 1251, and the mailbox files carry Cyrillic names on the disk. The folder
// list is read in the page the mailboxes agree on, or in the chosen one.
class RussianStore : public ::testing::TestWithParam<bool> {};

TEST_P(RussianStore, FoldersAndMessagesAreNamedInCyrillic) {
  const bool chosen = GetParam();
  if (!chosen && TargetIsWindows()) GTEST_SKIP() << "Windows reads its own ANSI code page";
  ScratchDir dir;
  ASSERT_EQ(mkdir((dir / "store").c_str(), 0777), 0);
  const std::vector<TestFolder> folders = {
      {.id = 0, .parent = 0xFFFFFFFF, .accountKind = kAccountRoot, .name = "Outlook Express"},
      {.id = 1, .parent = 0, .accountKind = kAccountLocalStore, .name = "Local Folders", .accountKey = "LocalStore"},
      {.id = 2, .parent = 1, .name = "\xC2\xF5\xEE\xE4\xFF\xF9\xE8\xE5",  // Входящие
       .fileName = "\xC2\xF5\xEE\xE4\xFF\xF9\xE8\xE5.dbx"},
      {.id = 3, .parent = 2, .name = "\xCE\xF2\xF7\xB8\xF2\xFB", .fileName = "Reports.dbx"},  // Отчёты
  };
  WriteFile(dir / "store/Folders.dbx", BuildFolderList(folders).bytes);
  const std::vector<LanguageMessage>& russian = LanguageMailboxOf(1251).messages;
  WriteFile(dir / "store/Входящие.dbx", BuildMailbox(russian));
  WriteFile(dir / "store/Reports.dbx", BuildMailbox({russian[1], russian[2]}));
  std::vector<std::string> arguments{"-tree", "-eml$SUBJ$.eml", "store", "out"};
  if (chosen) arguments.insert(arguments.begin(), "-cp1251");

  const ProcessResult result = RunQuernelProcess(arguments, dir.path());
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(result.out.find("2 of 2 mailboxes converted to EML-format!\n"), std::string::npos) << result.out;
  const std::string notices[] = {
      "Folder list \"" + ShownFullPath(dir / "store/Folders.dbx") + "\" reads as code page 1251",
      NoticeLine("Reports.dbx", 1251)};
  for (const std::string& notice : notices) {
    EXPECT_EQ(result.out.find(notice) != std::string::npos, !chosen) << notice << result.out;
  }
  EXPECT_EQ(ListDirectory(dir / "out/Local Folders/Входящие"),
            Sorted({"Отчёты", "Привет, мир.eml", "Привет, мир(1).eml", "Отчёт за май.eml", "Re Отчёт за май.eml"}));
  EXPECT_EQ(ListDirectory(dir / "out/Local Folders/Входящие/Отчёты"),
            Sorted({"Отчёт за май.eml", "Re Отчёт за май.eml"}));
}

INSTANTIATE_TEST_SUITE_P(CodePages, RussianStore, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "Chosen" : "Detected";
                         });

}  // namespace
}  // namespace quernel::testing
