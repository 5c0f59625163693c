#pragma once
// The code page each mailbox's strings are read in: the one chosen with
// "-cp<N>", or, where the platform works it out, the one the mailbox's
// messages point to, or else the default.

#include <memory>
#include <string>
#include <vector>

#include "cli/run_settings.h"
#include "dbx/mailbox_reader.h"
#include "dbx/salvage.h"
#include "naming/code_page_detection.h"
#include "platform/code_page.h"
#include "platform/console.h"

namespace quernel {

// Readies the run for the code page chosen on the command line, before any
// input is listed: on Windows the program's own text becomes UTF-8, so that
// names in that page keep every character, and the settings' paths and
// templates are converted to it. Prints a line and returns false when this
// system cannot read the page.
bool PrepareChosenCodePage(RunSettings& settings, Console& console);

// The evidence of the mailbox's messages, one entry per distinct record that
// has some. Only the start of each text is read (the header, or 16 KiB where
// the charset of raw header text may be in the first part), and only for the
// messages whose stored subject or sender name can give evidence; a text
// that cannot be read gives none (the writers report it when they come to
// it).
std::vector<MessageEvidence> MailboxEvidence(const MailboxReader& reader);

// The page the mailbox's messages point to: MailboxVotes(reader).chosen(),
// with the messages read only as long as they can change it.
int MailboxCodePage(const MailboxReader& reader);

// What the messages of one or more mailboxes say about their code page, in
// counts that add up over the mailboxes of a store.
struct CodePageVotes {
  std::vector<CodePageTally> tally;  // as TallyEvidence gives it
  size_t messagesWithEvidence = 0;

  void add(const CodePageVotes& other);
  int chosen() const;  // ChooseFromTally
};
CodePageVotes MailboxVotes(const MailboxReader& reader);
// The same for the messages a scan found that have a record: a mailbox
// without a usable index votes with them.
CodePageVotes FoundVotes(Salvage& salvage);

// The converter for `codePage`, found from messages rather than chosen: when
// it is not Windows-1252, one line says so, naming `what` ("Mailbox") and
// the name it shows, so that the user can choose another.
std::unique_ptr<CodePageConverter> FoundCodePageConverter(int codePage, const char* what,
                                                          const std::string& shownName, Console& console);

// The converter for `chosenCodePage`, or the default one for 0: for strings
// that no mailbox's messages vouch for.
std::unique_ptr<CodePageConverter> ChosenCodePageConverter(int chosenCodePage);

// The converter for one mailbox: `chosenCodePage` when not 0; otherwise,
// where the platform detects code pages, the page the mailbox's messages
// point to (FoundCodePageConverter, announced after the progress line);
// otherwise the default converter.
std::unique_ptr<CodePageConverter> MailboxConverter(int chosenCodePage, const MailboxReader& reader,
                                                    const std::string& displayName, Console& console);
// The same for a mailbox that is only scanned, from its found messages.
std::unique_ptr<CodePageConverter> ScannedMailboxConverter(int chosenCodePage, Salvage& salvage,
                                                           const std::string& displayName, Console& console);

}  // namespace quernel
