// The evidence a mailbox gives for its code page: which messages' texts are
// read, and how much of them.

#include "cli/mailbox_code_page.h"

#include <gtest/gtest.h>

#include "dbx/layout.h"
#include "platform/host.h"
#include "support/language_samples.h"
#include "support/string_input_file.h"

namespace quernel::testing {
namespace {

TEST(MailboxEvidence, ReadsTheStartOfEachTextThatCanGiveEvidence) {
  const LanguageMessage russian = LanguageMailboxOf(1251).messages[0];
  TestMessage ascii = ToTestMessage(russian);
  ascii.subject = "plain";
  ascii.senderName = "Ivan";
  // The header comes first; a long body after it ends in a damaged block
  // that only a read of the whole text meets.
  TestMessage longBody = ToTestMessage(russian);
  longBody.text += std::string(64 * 1024, 'x');
  TestMessage damaged = ToTestMessage(russian);

  DbxBuilder builder;
  builder.add(ascii);
  const uint32_t once = builder.add(ToTestMessage(russian));
  const uint32_t withLongBody = builder.add(longBody);
  const uint32_t withDamage = builder.add(damaged);
  TreeShape tree;
  for (uint32_t message : {0u, once, once, withLongBody, withDamage}) tree.entries.push_back({message, {}});
  BuiltMailbox built = builder.tree(tree).build();
  PutU32(built.bytes, built.blockOffsets[withLongBody].back() + dbx::kBlockNext, built.blockOffsets[withLongBody].back());
  PutU32(built.bytes, built.blockOffsets[withDamage].front() + dbx::kBlockNext, built.blockOffsets[withDamage].front());

  StringInputFile file(built.bytes);
  const MailboxReader reader(file, SystemHost().calendar);
  ASSERT_EQ(reader.messageCount(), 5);
  // Not the ASCII message, the record listed twice once, the long one from
  // its start, the damaged one not at all.
  const std::vector<MessageEvidence> evidence = MailboxEvidence(reader);
  ASSERT_EQ(evidence.size(), 2u);
  for (const MessageEvidence& message : evidence) {
    ASSERT_EQ(message.size(), 2u);
    EXPECT_EQ(message[0].decoded, russian.subjectName);
    EXPECT_EQ(message[1].decoded, russian.senderName);
  }
}

// A store's folder list is read in the page its mailboxes agree on: each of
// two small mailboxes has a page of its own, together they have none.
TEST(CodePageVotes, AddUpOverTheMailboxesOfAStore) {
  const std::vector<LanguageMessage>& russian = LanguageMailboxOf(1251).messages;
  const std::vector<LanguageMessage>& greek = LanguageMailboxOf(1253).messages;
  const struct {
    std::vector<std::vector<LanguageMessage>> mailboxes;
    std::vector<int> each;
    int together;
  } cases[] = {
      {{{russian[0], russian[1]}, {russian[2]}}, {1251, 1251}, 1251},
      {{{russian[0], russian[1]}, {greek[0], greek[1]}}, {1251, 1253}, 1252},
      {{{russian[0], russian[1], russian[2]}, {greek[0]}}, {1251, 1253}, 1251},
      {{}, {}, 1252},
  };
  for (const auto& c : cases) {
    CodePageVotes all;
    for (size_t k = 0; k < c.mailboxes.size(); ++k) {
      StringInputFile file(BuildMailbox(c.mailboxes[k]));
      const CodePageVotes votes = MailboxVotes(MailboxReader(file, SystemHost().calendar));
      EXPECT_EQ(votes.chosen(), c.each[k]) << k;
      all.add(votes);
    }
    EXPECT_EQ(all.chosen(), c.together) << c.mailboxes.size();
  }
}

// The vote that stops reading chooses what the whole vote chooses, from the
// header lines alone where they suffice.
TEST(MailboxCodePage, ChoosesWhatEveryMessagesVotesChoose) {
  std::vector<std::vector<LanguageMessage>> mailboxes;
  std::vector<LanguageMessage> all;
  for (const LanguageMailbox& language : LanguageMailboxes()) {
    mailboxes.push_back(language.messages);
    all.insert(all.end(), language.messages.begin(), language.messages.end());
  }
  mailboxes.push_back(all);
  for (const std::vector<LanguageMessage>& messages : mailboxes) {
    StringInputFile file(BuildMailbox(messages));
    const MailboxReader reader(file, SystemHost().calendar);
    EXPECT_EQ(MailboxCodePage(reader), MailboxVotes(reader).chosen()) << messages.size();
  }
}

}  // namespace
}  // namespace quernel::testing
