#include "cli/imap_folder.h"

#include <deque>
#include <set>
#include <utility>

#include "dbx/message_flags.h"
#include "imap/folder_commands.h"
#include "imap/imap_error.h"
#include "imap/server_inventory.h"
#include "platform/file_error.h"
#include "platform/host.h"
#include "writers/eml_message.h"

namespace quernel {
namespace {

// Nothing when the folder exists now, created or found; else the refusal.
std::optional<ImapResponse> MakeFolder(FolderUploadContext& context, const std::string& name) {
  if (FolderExists(context.session, name, context.utf8)) return std::nullopt;
  CommandResult created = CreateFolder(context.session, name, context.utf8);
  if (created.ok() || created.tagged.code == "ALREADYEXISTS") return std::nullopt;
  return std::move(created.tagged);
}

[[noreturn]] void StopOverQuota(const std::string& serverText) {
  throw UploadStop("the account is over its quota (" + serverText + "); a rerun goes on from here");
}

// A refusal of the name itself, which a plainer name may get past:
// [CANNOT], or no code at all from a server that gives none.
bool NameRefused(const ImapResponse& refusal) { return refusal.code == "CANNOT" || refusal.code.empty(); }

// The folder's levels (UTF-8) joined by "/".
std::string Joined(const std::vector<std::string>& levels) {
  std::string joined;
  for (const std::string& level : levels) joined += (joined.empty() ? "" : "/") + level;
  return joined;
}

// The folder as the lines show it.
std::string Shown(const FolderUploadContext& context, const std::vector<std::string>& levels) {
  return context.text.displayForm(ProgramTextFromUtf8(Joined(levels)));
}

// Makes every level that is missing; a level whose name the server refuses
// gets one fallback, kept for the rest of the run. Returns the folder's name
// on the server.
std::string MakeFolderPath(FolderUploadContext& context, std::vector<std::string>& levels) {
  for (size_t depth = 1; depth <= levels.size(); ++depth) {
    std::string& level = levels[depth - 1];
    const std::vector<std::string> asked(levels.begin(), levels.begin() + static_cast<ptrdiff_t>(depth));
    if (const auto renamed = context.renamedFolders.find(Joined(asked)); renamed != context.renamedFolders.end()) {
      level = renamed->second;
    }
    std::vector<std::string> prefix(levels.begin(), levels.begin() + static_cast<ptrdiff_t>(depth));
    const std::optional<ImapResponse> refusal =
        MakeFolder(context, ServerFolderName(prefix, context.delimiter, context.utf8));
    if (!refusal) continue;
    if (refusal->code == "OVERQUOTA") {
      StopOverQuota(refusal->text);
    }
    const std::string plain = PlainFolderLevel(level);
    if (!NameRefused(*refusal) || plain == level) {
      throw FolderRefused("the server refused folder \"" + Shown(context, prefix) + "\": " + refusal->text);
    }
    prefix.back() = plain;
    if (const std::optional<ImapResponse> again =
            MakeFolder(context, ServerFolderName(prefix, context.delimiter, context.utf8))) {
      throw FolderRefused("the server refused folder \"" + Shown(context, asked) + "\" and then \"" +
                          Shown(context, prefix) + "\": " + again->text);
    }
    level = plain;
    context.renamedFolders[Joined(asked)] = plain;
    context.console.print("The server refused folder \"%s\"; using \"%s\" instead.\n", Shown(context, asked).c_str(),
                          Shown(context, prefix).c_str());
  }
  return ServerFolderName(levels, context.delimiter, context.utf8);
}

// A folder the server makes but will not open for this account (no
// permission, say) leaves that mailbox out, as a folder it will not make
// does; the run goes on with the next.
SelectedFolder OpenFolder(FolderUploadContext& context, const std::vector<std::string>& levels,
                          const std::string& folder) {
  try {
    return SelectFolder(context.session, folder, context.utf8);
  } catch (const FolderOpenRefused& refused) {
    throw FolderRefused("the server refused to open folder \"" + Shown(context, levels) + "\": " +
                        refused.serverText());
  }
}

std::vector<std::string> FlagsOf(MessageFlags flags, bool keywords) {
  std::vector<std::string> list;
  if (flags.read()) list.emplace_back("\\Seen");
  if (flags.answered()) list.emplace_back("\\Answered");
  if (flags.marked()) list.emplace_back("\\Flagged");
  if (flags.forwarded() && keywords) list.emplace_back("$Forwarded");
  return list;
}

// One folder's upload: messages are sent pipelined where the server takes
// non-synchronizing literals, up to a window of unanswered bytes and
// commands, else one at a time.
class FolderUpload {
 public:
  FolderUpload(FolderUploadContext& context, std::vector<std::string> levels, MessageSource& source,
               std::vector<bool>& sent)
      : context_(context), session_(context.session), levels_(std::move(levels)), source_(source), sent_(sent) {}

  FolderTally run() {
    folder_ = MakeFolderPath(context_, levels_);
    // A bare APPENDLIMIT: each folder has its own, told by STATUS (asked
    // before SELECT, as STATUS is not meant for the selected folder).
    const std::optional<uint64_t> appendLimit = session_.has("APPENDLIMIT")
                                                    ? FolderAppendLimit(session_, folder_, context_.utf8)
                                                    : AppendLimitIn(session_.capabilities());
    const SelectedFolder selected = OpenFolder(context_, levels_, folder_);
    // Without a PERMANENTFLAGS code every flag is kept.
    keywords_ = selected.permanentFlags.empty() || selected.permanentFlags.count("\\*") != 0 ||
                selected.permanentFlags.count("$FORWARDED") != 0;
    messageCount_ = selected.messages;
    inventory_ = selected.messages > 0 ? FetchInventory(session_) : ServerInventory();
    tally_.messages = source_.messageCount();
    context_.console.start(tally_.messages);
    try {
      for (int32_t i = 0; i < tally_.messages; ++i) uploadMessage(i, appendLimit);
    } catch (const FileError&) {
      drain();  // the answers to what was sent, so that the session goes on in step
      throw;
    }
    drain();
    retryInCreatedFolder();
    return tally_;
  }

 private:
  static constexpr size_t kWindowBytes = 4 * 1024 * 1024;
  static constexpr size_t kWindowCommands = 64;

  struct InFlight {
    int32_t message;
    size_t bytes;
    std::string tag;
    std::string identity;
  };

  // Message i: counted where the folder holds it, else sent unless too large.
  void uploadMessage(int32_t i, std::optional<uint64_t> appendLimit) {
    context_.console.update(i, bytesSent_);
    std::optional<OutgoingMessage> message = build(i);
    if (!message) {
      ++tally_.leftOut;
      return;
    }
    const std::string identity = MessageIdentity(MessageIdOf(message->wire), message->instant, message->wire.size());
    if (inventory_.take(identity)) {
      ++(sent_[static_cast<size_t>(i)] ? tally_.uploaded : tally_.already);
    } else if (oneCopyKept_.count(identity) != 0) {
      ++tally_.already;  // the server keeps one copy of it, and holds that one
    } else if (appendLimit && message->wire.size() > *appendLimit) {
      tooLarge(i);
    } else {
      if (!message->instant) {
        context_.console.print("%s has no date; the server gives it the time of upload.\n", describe(i).c_str());
      }
      if (message->wire.empty()) empty_.insert(i);
      if (inventory_.known(identity)) {
        appendAnotherCopy(i, *message, identity);
      } else {
        append(i, *message, identity);
      }
    }
  }

  // Message i as sent, or nothing when the source leaves it out.
  std::optional<OutgoingMessage> build(int32_t i) {
    text_.clear();
    if (!AppendEmlMessage(context_.emlOptions, source_, i, text_)) return std::nullopt;
    const MessageProperties& properties = source_.properties(i);
    const MessageTime time = properties.receiveTime != 0 ? properties.receiveTime : properties.sendTime;
    OutgoingMessage message;
    message.wire = WithCrlfLineEnds(text_);
    message.flags = FlagsOf(MessageFlags(properties.flags), keywords_);
    if (time != 0) message.instant = time;
    return message;
  }

  void append(int32_t i, const OutgoingMessage& message, const std::string& identity) {
    ImapCommand command = AppendCommand(session_, folder_, context_.utf8, message);
    // Sent by this run from here on, unless refused: found on the server
    // after a lost connection, it counts as uploaded.
    sent_[static_cast<size_t>(i)] = true;
    inventory_.noteSent(identity);
    if (command.literalMode() == LiteralMode::Synchronizing) {
      drain();
      complete(i, identity, session_.run(std::move(command)));
      return;
    }
    inFlight_.push_back({i, message.wire.size(), session_.sendWithoutWaiting(std::move(command)), identity});
    inFlightBytes_ += message.wire.size();
    bytesSent_ += message.wire.size();
    while (inFlightBytes_ > kWindowBytes || inFlight_.size() > kWindowCommands) completeOldest();
  }

  // A copy of a message the folder has held: a server that keeps one copy
  // of a Message-ID (Gmail) answers OK without storing it. Sent alone, so
  // that its APPENDUID, or else the folder's count, tells whether the folder
  // gained a message; only when it surely did not is it counted as there.
  void appendAnotherCopy(int32_t i, const OutgoingMessage& message, const std::string& identity) {
    drain();
    const bool uids = session_.has("UIDPLUS");
    if (!uids) messageCount_ = CurrentMessageCount(session_, messageCount_);
    const uint32_t countBefore = messageCount_;
    sent_[static_cast<size_t>(i)] = true;
    const CommandResult result = session_.run(AppendCommand(session_, folder_, context_.utf8, message));
    bytesSent_ += message.wire.size();
    bool kept = false;
    if (result.ok()) {
      const std::optional<AppendUid> appended = AppendUidIn(result.tagged);
      if (appended) {
        kept = inventory_.holdsUid(identity, appended->uid);
      } else if (!uids) {
        messageCount_ = CurrentMessageCount(session_, CountAfter(result.untagged, messageCount_));
        kept = messageCount_ == countBefore;
      }
    }
    if (!kept) {
      complete(i, identity, result);
      return;
    }
    sent_[static_cast<size_t>(i)] = false;
    oneCopyKept_.insert(identity);
    ++tally_.already;
  }

  void completeOldest() {
    const InFlight oldest = inFlight_.front();
    inFlight_.pop_front();
    inFlightBytes_ -= oldest.bytes;
    const CommandResult result = session_.readCompletion();
    if (result.tagged.tag != oldest.tag) throw ImapProtocolError("the server answered a command it was not sent");
    complete(oldest.message, oldest.identity, result);
  }

  void drain() {
    while (!inFlight_.empty()) completeOldest();
  }

  // The answer to message i's APPEND.
  void complete(int32_t i, const std::string& identity, const CommandResult& result) {
    messageCount_ = CountAfter(result.untagged, messageCount_);
    if (result.ok()) {
      if (const std::optional<AppendUid> appended = AppendUidIn(result.tagged)) {
        inventory_.noteSent(identity, appended->uid);
      }
    }
    handle(i, result);
  }

  void handle(int32_t i, const CommandResult& result) {
    const std::string& code = result.tagged.code;
    if (result.ok()) {
      ++tally_.uploaded;
      return;
    }
    sent_[static_cast<size_t>(i)] = false;
    if (code == "TRYCREATE" && !retried_) {
      retryLater_.push_back(i);
    } else if (code == "LIMIT" || code == "TOOBIG") {
      tooLarge(i);
    } else if (code == "OVERQUOTA") {
      StopOverQuota(result.tagged.text);
    } else {
      RaiseIfAskedToWait(result.tagged);
      if (empty_.count(i) != 0) {
        context_.console.print("%s is empty and the server does not take it (%s); skipped.\n", describe(i).c_str(),
                               result.tagged.text.c_str());
      } else {
        context_.console.print("%s was refused by the server: %s\n", describe(i).c_str(), result.tagged.text.c_str());
      }
      ++tally_.refused;
    }
  }

  // [TRYCREATE]: the folder is made again and each message tried once more.
  void retryInCreatedFolder() {
    if (retryLater_.empty()) return;
    retried_ = true;
    MakeFolderPath(context_, levels_);
    for (const int32_t i : std::exchange(retryLater_, {})) {
      if (std::optional<OutgoingMessage> message = build(i)) {
        append(i, *message, MessageIdentity(MessageIdOf(message->wire), message->instant, message->wire.size()));
      }
    }
    drain();
  }

  void tooLarge(int32_t i) {
    context_.console.print("%s is larger than the server takes; skipped (write it with -eml).\n",
                           describe(i).c_str());
    ++tally_.tooLarge;
  }

  std::string describe(int32_t i) {
    return "\"" + context_.displayName + "\": message " + std::to_string(i + 1) + " (\"" +
           context_.converter.toNative(source_.properties(i).subject) + "\")";
  }

  FolderUploadContext& context_;
  ImapSession& session_;
  std::vector<std::string> levels_;
  MessageSource& source_;
  std::vector<bool>& sent_;
  std::string folder_;
  bool keywords_ = true;
  ServerInventory inventory_;
  uint32_t messageCount_ = 0;  // the folder's, as the server last told
  std::set<std::string> oneCopyKept_;  // identities of which the server keeps one copy
  std::set<int32_t> empty_;            // messages of no bytes at all
  FolderTally tally_;
  std::string text_;
  std::deque<InFlight> inFlight_;
  size_t inFlightBytes_ = 0;
  uint64_t bytesSent_ = 0;
  std::vector<int32_t> retryLater_;
  bool retried_ = false;
};

}  // namespace

FolderTally UploadFolder(FolderUploadContext& context, std::vector<std::string> levels, MessageSource& source,
                         std::vector<bool>& sent) {
  return FolderUpload(context, std::move(levels), source, sent).run();
}

}  // namespace quernel
