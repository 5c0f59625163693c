#include "support/tour_samples.h"

#include <cstdint>

#include "dbx/message_flags.h"
#include "support/folder_list_builder.h"
#include "support/language_samples.h"
#include "support/sample_mailbox.h"

namespace quernel::testing {
namespace {

constexpr SamplePerson kAnn{"Ann Lee", "ann@example.com"};
constexpr SamplePerson kBob{"Bob Ray", "bob@example.com"};

// A short message as Outlook Express stored it (CR LF line ends), sent at
// `unixTime` (written in +0100 in its Date line) and received 97 seconds
// later. Subject is the last header line, so that -flags puts its lines
// right after it.
TestMessage TourMessage(const SamplePerson& from, const SamplePerson& to, const std::string& subject,
                        const std::string& date, int64_t unixTime, const std::string& body,
                        uint32_t flags = 0) {
  TestMessage m;
  m.text = "From: " + std::string(from.name) + " <" + from.address + ">\r\n" +
           "To: " + std::string(to.name) + " <" + to.address + ">\r\n" + "Date: " + date + "\r\n" +
           "Subject: " + subject + "\r\n\r\n" + body;
  m.subject = subject;
  SetSampleIndexFields(m, from, to, unixTime);
  m.flags = flags;
  return m;
}

std::vector<TestMessage> TourMessages() {
  return {
      TourMessage(kAnn, kBob, "Re: Q3 report / draft?", "Fri, 06 Dec 2024 13:05:00 +0100", 1733486700,
                  "Looks good.\r\n", MessageFlags::kRead | MessageFlags::kAnswered),
      TourMessage(kBob, kAnn, "Lunch", "Sat, 07 Dec 2024 13:05:00 +0100", 1733573100,
                  "Ann,\r\n\r\nthe canteen closes early this month.\r\nFrom now on, Fridays.\r\n\r\nBob\r\n",
                  MessageFlags::kRead | MessageFlags::kMarked),
      TourMessage(kAnn, kBob, "Lunch", "Sun, 08 Dec 2024 13:05:00 +0100", 1733659500,
                  "Fridays are fine. Noon?\r\n"),
  };
}

DbxBuilder Mailbox(const std::vector<TestMessage>& messages) {
  DbxBuilder builder;
  for (const TestMessage& m : messages) builder.add(m);
  return builder;
}

DbxBuilder SentItems() {
  return Mailbox({
      TourMessage(kBob, kAnn, "Q3 report / draft?", "Thu, 05 Dec 2024 09:30:00 +0100", 1733387400,
                  "Ann,\r\n\r\nthe draft is attached in spirit.\r\n\r\nBob\r\n", MessageFlags::kRead),
      TourMessage(kBob, kAnn, "Re: Lunch", "Sun, 08 Dec 2024 14:00:00 +0100", 1733662800,
                  "Noon it is.\r\n", MessageFlags::kRead),
      TourMessage(kBob, kAnn, "Minutes", "Mon, 09 Dec 2024 10:00:00 +0100", 1733734800,
                  "Minutes of the Monday meeting: none.\r\n", MessageFlags::kRead),
  });
}

}  // namespace

DbxBuilder TourInbox() { return Mailbox(TourMessages()); }

BuiltMailbox DamagedTourInbox() {
  std::vector<TestMessage> messages = TourMessages();
  // The message the reply answers: still in the file, no longer indexed.
  TestMessage original = TourMessage(kBob, kAnn, "Q3 report / draft?", "Thu, 05 Dec 2024 09:30:00 +0100",
                                     1733387400, "Ann,\r\n\r\nthe draft is attached in spirit.\r\n\r\nBob\r\n");
  original.inIndex = false;
  messages.push_back(original);
  for (const char* subject : {"Newsletter", "Newsletter, second issue"}) {
    TestMessage deleted = TourMessage(kBob, kAnn, subject, "Mon, 02 Dec 2024 08:00:00 +0100", 1733122800,
                                      "Nothing new this week.\r\n");
    deleted.deleted = true;
    messages.push_back(deleted);
  }
  BuiltMailbox built = Mailbox(messages).build();
  const uint32_t block = built.blockOffsets[1].front();
  PutU32(built.bytes, block + 0x0C, block);  // the next-block link points back to the block
  return built;
}

std::vector<std::pair<std::string, std::string>> TourSampleFiles() {
  const std::string inbox = TourInbox().build().bytes;
  return {
      {"Inbox.dbx", inbox},
      {"damaged/Inbox.dbx", DamagedTourInbox().bytes},
      {"Posta.dbx", BuildMailbox(LanguageMailboxOf(1251).messages)},
      {"backup/Empty.dbx", Mailbox({}).build().bytes},
      {"backup/Folders.dbx", BuildFolderList(RealStoreFolders()).bytes},
      {"backup/Inbox.dbx", inbox},
      {"backup/Sent Items.dbx", SentItems().build().bytes},
  };
}

}  // namespace quernel::testing
