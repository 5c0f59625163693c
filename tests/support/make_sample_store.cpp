// Writes the bundled sample store (samples/store) with the test-mailbox
// builder: the folder list Folders.dbx of an Outlook Express store and its
// mailboxes, made up to show what a whole-store conversion handles.
//
//   Local Folders
//     Inbox                  Inbox.dbx, five messages
//       Family               Family.dbx
//         Urlaub in München  Neuer Ordner.dbx: renamed, and stored in
//                            Windows-1252, so its name is in the list only
//     Outbox                 Outbox.dbx, empty, no count in the list
//     Sent Items             Sent Items.dbx
//     Deleted Items, Drafts  no files yet
//   news.example.org         a news account: of its two groups only the
//     comp.mail.misc         opened one, with a file, is converted
//   Hotmail                  a web-mail account without files: left out
//   Inbox(1).dbx             a leftover file no folder names
//
// Usage: quernel_make_sample_store DIRECTORY

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "dbx/folder_list.h"
#include "support/folder_list_builder.h"
#include "support/sample_mailbox.h"

namespace {

using namespace quernel::testing;
using quernel::kAccountLocalStore;
using quernel::kAccountNews;
using quernel::kAccountRoot;
using quernel::kAccountWebMail;

DbxBuilder Mailbox(std::vector<TestMessage> messages) {
  DbxBuilder builder;
  for (TestMessage& m : messages) builder.add(std::move(m));
  return builder;
}

DbxBuilder Family() {
  return Mailbox({SampleMessage(kClara, kAnna, "Photos from the weekend", "Photos from the weekend",
                                "Mon, 01 Aug 2005 19:02:11 +0200", 1122915731,
                                "005001c596b8$2c3d4e50$6401a8c0@laptop",
                                {"Anna,", "", "the photos are on the way on a CD.", "", "Clara"}),
                  SampleMessage(kAnna, kClara, "Re: Photos from the weekend",
                                "Re: Photos from the weekend", "Tue, 02 Aug 2005 08:15:40 +0200",
                                1122963340, "005101c59727$11223340$0500a8c0@home",
                                {"Thank you! From now on I keep a camera in the car.", "",
                                 "> the photos are on the way on a CD.", "", "Anna"})});
}

DbxBuilder Holiday() {
  return Mailbox({SampleMessage(kDaniel, kAnna, "Zugfahrt nach M\xFCnchen",
                                "=?iso-8859-1?Q?Zugfahrt_nach_M=FCnchen?=",
                                "Fri, 15 Jul 2005 12:30:00 +0200", 1121423400,
                                "006001c58939$0a0b0c00$0200a8c0@desk",
                                {"Hallo Anna,", "", "der Zug f\xE4hrt um 8:04 Uhr ab Gleis 12.", "",
                                 "Daniel"})});
}

DbxBuilder SentItems() {
  return Mailbox({SampleMessage(kAnna, kBen, "Re: Lunch on Friday?", "Re: Lunch on Friday?",
                                "Tue, 14 Jun 2005 11:02:09 +0200", 1118739729,
                                "000901c570c9$0b1c2d30$0500a8c0@home",
                                {"Friday is fine, see you at noon.", "", "Anna"})});
}

DbxBuilder NewsGroup() {
  return Mailbox({SampleMessage(kBen, {"comp.mail.misc", "comp.mail.misc@news.example.org"},
                                "Converting old mailboxes", "Converting old mailboxes",
                                "Wed, 05 Oct 2005 17:45:00 +0200", 1128527100,
                                "007001c5c9c5$01020300$0a00a8c0@bigbox",
                                {"Which tools keep the folder tree?", "", "Ben"})});
}

DbxBuilder Leftover() {
  return Mailbox({SampleMessage(kBen, kAnna, "Old note", "Old note", "Thu, 03 Mar 2005 09:00:00 +0100",
                                1109836800, "008001c51fd1$00000000$0a00a8c0@bigbox",
                                {"A note from an earlier copy of the Inbox.", "", "Ben"})});
}

std::vector<TestFolder> Folders() {
  return {
      {.id = 0, .parent = 0xFFFFFFFF, .accountKind = kAccountRoot, .name = "Outlook Express"},
      {.id = 1, .parent = 0, .accountKind = kAccountLocalStore, .name = "Local Folders",
       .accountKey = "LocalStore"},
      {.id = 2, .parent = 1, .specialFolder = 1, .messageCount = 5, .name = "Inbox", .fileName = "Inbox.dbx"},
      {.id = 3, .parent = 1, .specialFolder = 2, .name = "Outbox", .fileName = "Outbox.dbx"},
      {.id = 4, .parent = 1, .specialFolder = 3, .messageCount = 1, .name = "Sent Items",
       .fileName = "Sent Items.dbx"},
      {.id = 5, .parent = 1, .specialFolder = 4, .name = "Deleted Items"},
      {.id = 6, .parent = 1, .specialFolder = 5, .name = "Drafts"},
      {.id = 9, .accountKind = kAccountWebMail, .name = "Hotmail", .accountKey = "00000002"},
      // Listed before its parent, as real lists may.
      {.id = 11, .parent = 10, .messageCount = 1, .name = "Urlaub in M\xFCnchen",
       .fileName = "Neuer Ordner.dbx"},
      {.id = 10, .parent = 2, .messageCount = 2, .name = "Family", .fileName = "Family.dbx"},
      {.id = 20, .parent = 0, .accountKind = kAccountNews, .name = "news.example.org",
       .accountKey = "00000003"},
      {.id = 21, .parent = 20, .accountKind = kAccountNews, .messageCount = 1, .name = "comp.mail.misc",
       .fileName = "comp.mail.misc.dbx"},
      {.id = 22, .parent = 20, .accountKind = kAccountNews, .name = "alt.test"},
  };
}

bool Write(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) std::fprintf(stderr, "cannot write %s\n", path.c_str());
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  const std::pair<const char*, DbxBuilder> mailboxes[] = {
      {"Inbox.dbx", SampleInbox()},     {"Outbox.dbx", Mailbox({})},
      {"Sent Items.dbx", SentItems()},  {"Family.dbx", Family()},
      {"Neuer Ordner.dbx", Holiday()},  {"comp.mail.misc.dbx", NewsGroup()},
      {"Inbox(1).dbx", Leftover()},
  };
  bool ok = Write(dir / "Folders.dbx", BuildFolderList(Folders()).bytes);
  for (const auto& [name, builder] : mailboxes) ok = Write(dir / name, builder.build().bytes) && ok;
  return ok ? 0 : 1;
}
