// The vote that stops reading: it must choose what the vote over every
// message chooses, and stop once the unread messages cannot change that.

#include "naming/code_page_vote.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/language_samples.h"

namespace quernel {
namespace {

using testing::LanguageMailbox;
using testing::LanguageMailboxes;
using testing::LanguageMailboxOf;
using testing::LanguageMessage;

MessageEvidence EvidenceOf(const LanguageMessage& m) {
  return CollectEvidence(m.storedSubject, m.storedSenderName, m.headerLines + "\r\nBody.\r\n");
}

struct VoteRun {
  int chosen;
  size_t read;  // messages counted before the choice was known
};

VoteRun RunVote(const std::vector<LanguageMessage>& messages) {
  CodePageVote vote;
  for (const LanguageMessage& m : messages) vote.expect(m.storedSubject, m.storedSenderName);
  size_t read = 0;
  for (const LanguageMessage& m : messages) {
    if (vote.choice()) break;
    vote.count(m.storedSubject, m.storedSenderName, EvidenceOf(m));
    ++read;
  }
  return VoteRun{vote.choice().value_or(0), read};
}

int WholeVote(const std::vector<LanguageMessage>& messages) {
  std::vector<MessageEvidence> evidence;
  for (const LanguageMessage& m : messages) evidence.push_back(EvidenceOf(m));
  return ChooseCodePage(evidence);
}

std::vector<LanguageMessage> Repeated(const std::vector<LanguageMessage>& messages, size_t count) {
  std::vector<LanguageMessage> out;
  for (size_t i = 0; i < count; ++i) out.push_back(messages[i % messages.size()]);
  return out;
}

std::vector<LanguageMessage> Joined(std::vector<LanguageMessage> a, const std::vector<LanguageMessage>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const LanguageMessage kWestern{"Gr\xFC\xDF" "e aus K\xF6ln", "J\xFCrgen M\xFCller",
                               "Subject: =?iso-8859-1?Q?Gr=FC=DFe_aus_K=F6ln?=\r\n"
                               "From: \"=?windows-1252?Q?J=FCrgen_M=FCller?=\" <j@example.de>\r\n",
                               "", ""};

TEST(CodePageVote, ChoosesWhatTheVoteOverEveryMessageChooses) {
  const std::vector<LanguageMessage>& russian = LanguageMailboxOf(1251).messages;
  const std::vector<LanguageMessage>& greek = LanguageMailboxOf(1253).messages;
  std::vector<std::vector<LanguageMessage>> mailboxes = {
      {},
      {kWestern},
      Repeated({kWestern}, 60),
      Repeated({russian[1]}, 2),
      Repeated(russian, 30),
      Joined(Repeated({russian[0]}, 20), Repeated({greek[0]}, 10)),  // exactly twice: 1252
      Joined(Repeated({russian[0]}, 21), Repeated({greek[0]}, 10)),
      Joined(Repeated({kWestern}, 20), Repeated({russian[0]}, 41)),  // Russian at the end
      Joined(Repeated({kWestern}, 20), Repeated({russian[0]}, 40)),
      Joined(Repeated({russian[0]}, 41), Repeated({kWestern}, 20)),
  };
  for (const LanguageMailbox& language : LanguageMailboxes()) {
    mailboxes.push_back(language.messages);
    mailboxes.push_back(Joined(Repeated({kWestern}, 10), Repeated(language.messages, 25)));
  }
  for (std::vector<LanguageMessage>& messages : mailboxes) {
    EXPECT_EQ(RunVote(messages).chosen, WholeVote(messages)) << messages.size();
    std::reverse(messages.begin(), messages.end());
    EXPECT_EQ(RunVote(messages).chosen, WholeVote(messages)) << messages.size() << " reversed";
  }
}

// A page that reads a Western message otherwise could still explain every
// unread one until 1252 has explained half as many as are left (1251, say);
// 1256, which reads the sender name as 1252 does but not the subject, and
// explains every message through the name, until 1252 has explained as many
// as are left. A page is chosen once it has explained more than twice what
// any other page can still reach.
TEST(CodePageVote, StopsOnceTheUnreadMessagesCannotChangeTheChoice) {
  const VoteRun western = RunVote(Repeated({kWestern}, 90));
  EXPECT_EQ(western.chosen, 1252);
  EXPECT_EQ(western.read, 45u);
  LanguageMessage subjectOnly = kWestern;
  subjectOnly.storedSenderName = "Juergen";
  const VoteRun subjects = RunVote(Repeated({subjectOnly}, 90));
  EXPECT_EQ(subjects.chosen, 1252);
  EXPECT_EQ(subjects.read, 30u);
  const std::vector<LanguageMessage>& russian = LanguageMailboxOf(1251).messages;
  const VoteRun cyrillic = RunVote(Repeated({russian[0], russian[1], russian[2]}, 90));
  EXPECT_EQ(cyrillic.chosen, 1251);
  EXPECT_EQ(cyrillic.read, 61u);
}

}  // namespace
}  // namespace quernel
