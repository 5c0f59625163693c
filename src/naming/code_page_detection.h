#pragma once
// Working out the code page a mailbox's strings were stored in, from the
// evidence its messages carry: each message's header lines name the charset
// of its subject and sender name, and the record stores the same text in the
// ANSI code page of the Windows that received it. The candidate page that
// turns the record's bytes into the text the header gives explains that
// message; the label itself only decodes the header (a koi8-r message
// received on a Russian Windows has a 1251 subject in its record).

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quernel {

// One field of one message: the record's bytes (holding a byte beyond
// ASCII) and the same field decoded from the message's header, as UTF-8.
struct FieldEvidence {
  std::string stored;
  std::string decoded;
};

// The fields of one message that can be compared; empty when none can.
using MessageEvidence = std::vector<FieldEvidence>;

// True when the stored subject or sender name holds a byte beyond ASCII:
// only such a message can give evidence, so only its text need be read.
bool MayCarryEvidence(std::string_view storedSubject, std::string_view storedSenderName);

// The evidence of one message: its stored subject and sender name, each when
// it holds a byte beyond ASCII and the header of `messageText` gives the
// same field (Subject, and the display name of From) in a form that decodes.
MessageEvidence CollectEvidence(std::string_view storedSubject, std::string_view storedSenderName,
                                std::string_view messageText);

// The same from the message's whole header (HeaderSize): `messageCharset`
// gives MessageCharset of the text, and is called only when raw header text
// needs it, so that the rest of the text is read only then.
MessageEvidence CollectEvidence(std::string_view storedSubject, std::string_view storedSenderName,
                                std::string_view header, const std::function<std::string()>& messageCharset);

// True when `codePage` turns the stored bytes into the decoded text. The
// pages that write accents apart from their letters (1255, 1258) are also
// tried the other way round, because a header in another charset usually
// holds the letters with their accents precomposed.
bool Explains(int codePage, const FieldEvidence& field);
// The second way alone: 1255 or 1258 writes the decoded text as the stored
// bytes.
bool ExplainsWrittenApart(int codePage, const FieldEvidence& field);

// How many messages one candidate code page explains.
struct CodePageTally {
  int codePage;
  size_t explained;
};

// For each supported code page in ascending order, the number of messages
// with evidence of which it explains at least one field: it turns the stored
// bytes into the decoded text (white space runs counted as one space).
std::vector<CodePageTally> TallyEvidence(std::span<const MessageEvidence> messages);

// The code page the tally points to: one other than 1252 only when it
// explains more than twice as many messages as 1252 and as every other
// candidate, and at least 3 of them, or all of them where fewer than 3 carry
// evidence. Otherwise 1252: a tie never leaves it.
int ChooseFromTally(std::span<const CodePageTally> tally, size_t messagesWithEvidence);

// ChooseFromTally over TallyEvidence; messages without evidence do not count.
int ChooseCodePage(std::span<const MessageEvidence> messages);

}  // namespace quernel
