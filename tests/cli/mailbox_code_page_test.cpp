// The evidence a mailbox gives for its code page: which messages' texts are
// read, and how much of them.

#include "cli/mailbox_code_page.h"

#include <gtest/gtest.h>

#include "dbx/layout.h"
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
  const MailboxReader reader(file);
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

}  // namespace
}  // namespace quernel::testing
