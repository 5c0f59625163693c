#pragma once
// The sets of messages a scan of a mailbox file finds, kept apart from the
// messages of its index so that users see what is certain: each set goes to
// an output of its own, named after the set. Any writer takes them from here.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dbx/salvage.h"
#include "platform/host.h"
#include "writers/message_source.h"

namespace quernel {

struct FoundSet {
  FoundKind kind;
  std::string_view name;  // "recovered", "deleted", "damaged"
};
inline constexpr FoundSet kFoundSets[] = {
    {FoundKind::Recovered, "recovered"},
    {FoundKind::Deleted, "deleted"},
    {FoundKind::Damaged, "damaged"},
};

// The mbox file of a set: the mailbox's mbox file with "." and the set's name
// put before its extension ("Inbox.mbx" gives "Inbox.deleted.mbx"), by
// `host`'s rules.
std::string MboxSetPath(const std::string& mboxPath, std::string_view setName, const Host& host);
// The same beside a tree folder's mbox file, whose name has no extension
// whatever dots it holds: "." and the set's name appended ("Mail.2004"
// gives "Mail.2004.deleted"), so that the folder plan can keep it free.
std::string TreeSetPath(const std::string& mboxPath, std::string_view setName);

// The Maildir++ subfolder of a set inside a plain Maildir: "<maildir>/.deleted".
std::string MaildirSubfolderPath(const std::string& maildir, std::string_view setName, const PathRules& paths);

// The found messages of one set, in the order the scan gives them. Names
// and dates come from their records or, without one, their header lines.
class FoundSource : public MessageSource {
 public:
  // `mailbox`: the mailbox's own naming fields. The salvage must not gain
  // damaged messages while the source is used.
  FoundSource(Salvage& salvage, FoundKind kind, NamingFields mailbox);

  NamingFields mailboxFields() const override { return mailbox_; }
  int32_t messageCount() const override { return static_cast<int32_t>(found_.size()); }
  const MessageProperties& properties(int32_t i) override;
  bool appendText(int32_t i, std::string& text) override;

 private:
  const FoundMessage& message(int32_t i) const;

  Salvage& salvage_;
  NamingFields mailbox_;
  std::vector<size_t> found_;  // positions in salvage_.messages()
  int32_t cached_ = -1;        // the message whose properties are in properties_
  MessageProperties properties_;
};

}  // namespace quernel
