#include "cli/imap_folder.h"

#include <charconv>

#include "dbx/message_flags.h"
#include "imap/folder_commands.h"
#include "imap/server_inventory.h"
#include "writers/eml_message.h"

namespace quernel {
namespace {

// True when the folder exists now, created or found.
bool MakeFolder(FolderUploadContext& context, const std::string& name) {
  if (FolderExists(context.session, name, context.utf8)) return true;
  const CommandResult created = CreateFolder(context.session, name, context.utf8);
  return created.ok() || created.tagged.code == "ALREADYEXISTS";
}

// The folder as the lines show it: its levels joined by "/".
std::string Shown(const std::vector<std::string>& levels) {
  std::string shown;
  for (const std::string& level : levels) shown += (shown.empty() ? "" : "/") + level;
  return shown;
}

// Makes every level that is missing; a leaf the server refuses gets one
// fallback name. Returns the leaf's name on the server.
std::string MakeFolderPath(FolderUploadContext& context, std::vector<std::string>& levels) {
  for (size_t depth = 1; depth <= levels.size(); ++depth) {
    const std::vector<std::string> prefix(levels.begin(), levels.begin() + static_cast<ptrdiff_t>(depth));
    if (MakeFolder(context, ServerFolderName(prefix, context.delimiter, context.utf8))) continue;
    const std::string plain = PlainFolderLevel(levels[depth - 1]);
    if (depth == levels.size() && plain != levels.back()) {
      const std::string refused = Shown(levels);
      levels.back() = plain;
      if (MakeFolder(context, ServerFolderName(levels, context.delimiter, context.utf8))) {
        context.console.print("The server refused folder \"%s\"; using \"%s\" instead.\n", refused.c_str(),
                              Shown(levels).c_str());
        continue;
      }
    }
    throw UploadStop("the server refused to create folder \"" + Shown(prefix) + "\"");
  }
  return ServerFolderName(levels, context.delimiter, context.utf8);
}

std::vector<std::string> FlagsOf(MessageFlags flags, bool keywords) {
  std::vector<std::string> list;
  if (flags.read()) list.emplace_back("\\Seen");
  if (flags.answered()) list.emplace_back("\\Answered");
  if (flags.marked()) list.emplace_back("\\Flagged");
  if (flags.forwarded() && keywords) list.emplace_back("$Forwarded");
  return list;
}

// Microsoft 365: "Request is throttled. Suggested Backoff Time: N milliseconds".
uint64_t SuggestedBackoffMs(const std::string& text) {
  static constexpr std::string_view kMarker = "Suggested Backoff Time: ";
  const size_t at = text.find(kMarker);
  if (at == std::string::npos) return 0;
  uint64_t value = 0;
  const char* start = text.data() + at + kMarker.size();
  std::from_chars(start, text.data() + text.size(), value);
  return value;
}

}  // namespace

FolderTally UploadFolder(FolderUploadContext& context, std::vector<std::string> levels, MessageSource& source,
                         std::vector<bool>& sent) {
  ImapSession& session = context.session;
  const std::string folder = MakeFolderPath(context, levels);
  const SelectedFolder selected = SelectFolder(session, folder, context.utf8);
  // Without a PERMANENTFLAGS code every flag is kept.
  const bool keywords = selected.permanentFlags.empty() || selected.permanentFlags.count("\\*") != 0 ||
                        selected.permanentFlags.count("$FORWARDED") != 0;
  ServerInventory inventory = selected.messages > 0 ? FetchInventory(session) : ServerInventory();
  const std::optional<uint64_t> appendLimit = AppendLimitIn(session.capabilities());

  FolderTally tally;
  tally.messages = source.messageCount();
  std::string text;
  for (int32_t i = 0; i < tally.messages; ++i) {
    text.clear();
    const auto describe = [&] {
      return "\"" + context.displayName + "\": message " + std::to_string(i + 1) + " (\"" +
             context.converter.toNative(source.properties(i).subject) + "\")";
    };
    if (!AppendEmlMessage(context.emlOptions, source, i, text)) {
      ++tally.refused;
      continue;
    }
    const std::string wire = WithCrlfLineEnds(text);
    const MessageProperties& properties = source.properties(i);
    const MessageTime time = properties.receiveTime != 0 ? properties.receiveTime : properties.sendTime;
    const std::optional<int64_t> instant = time != 0 ? std::optional<int64_t>(time) : std::nullopt;
    if (inventory.take(MessageIdentity(MessageIdOf(wire), instant, wire.size()))) {
      ++(sent[static_cast<size_t>(i)] ? tally.uploaded : tally.already);
      continue;
    }
    if (appendLimit && wire.size() > *appendLimit) {
      context.console.print("%s is larger than the server takes; skipped (write it with -eml).\n",
                            describe().c_str());
      ++tally.tooLarge;
      continue;
    }
    if (!instant) context.console.print("%s has no date; the server gives it the time of upload.\n", describe().c_str());
    const std::vector<std::string> flags = FlagsOf(MessageFlags(properties.flags), keywords);
    CommandResult result = AppendMessage(session, folder, context.utf8, flags, instant, wire);
    if (result.tagged.code == "TRYCREATE") {
      MakeFolderPath(context, levels);
      result = AppendMessage(session, folder, context.utf8, flags, instant, wire);
    }
    const std::string& code = result.tagged.code;
    if (result.ok()) {
      sent[static_cast<size_t>(i)] = true;
      ++tally.uploaded;
    } else if (code == "LIMIT" || code == "TOOBIG") {
      context.console.print("%s is larger than the server takes; skipped (write it with -eml).\n",
                            describe().c_str());
      ++tally.tooLarge;
    } else if (code == "OVERQUOTA") {
      throw UploadStop("the account is over its quota (" + result.tagged.text + "); a rerun goes on from here");
    } else if (code == "UNAVAILABLE" || SuggestedBackoffMs(result.tagged.text) != 0) {
      throw ServerAskedToWait("the server asked to wait: " + result.tagged.text,
                              SuggestedBackoffMs(result.tagged.text));
    } else {
      context.console.print("%s was refused by the server: %s\n", describe().c_str(), result.tagged.text.c_str());
      ++tally.refused;
    }
  }
  return tally;
}

}  // namespace quernel
