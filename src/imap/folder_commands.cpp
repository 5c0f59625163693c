#include "imap/folder_commands.h"

#include <string_view>
#include <utility>

#include "imap/modified_utf7.h"

namespace quernel {
namespace {

// A folder command's answer; a refusal that asks to wait raises
// ServerAskedToWait, so that the run reconnects and goes on.
CommandResult Run(ImapSession& session, ImapCommand command) {
  CommandResult result = session.run(std::move(command));
  if (!result.ok()) RaiseIfAskedToWait(result.tagged);
  return result;
}

CommandResult Run(ImapSession& session, const std::string& simpleCommand) {
  return Run(session, ImapCommand(session.nextTag(), simpleCommand, LiteralMode::Synchronizing));
}

// "NAME folder", the folder as a string or a literal.
ImapCommand FolderCommand(ImapSession& session, std::string_view name, const std::string& folder, bool utf8) {
  ImapCommand command(session.nextTag(), name, session.literalModeFor(folder.size()));
  command.string(folder, utf8);
  return command;
}

}  // namespace

std::string ServerFolderName(const std::vector<std::string>& levels, std::optional<char> delimiter, bool utf8) {
  std::string name;
  for (const std::string& level : levels) {
    if (!name.empty() && delimiter) name += *delimiter;
    std::string cleaned = level;
    for (char& c : cleaned) {
      if (delimiter && c == *delimiter) c = '_';
    }
    name += utf8 ? cleaned : EncodeModifiedUtf7(cleaned);
  }
  return name;
}

std::string PlainFolderLevel(std::string_view level) {
  std::string plain(level);
  for (char& c : plain) {
    const bool punctuation = (c >= '!' && c <= '/') || (c >= ':' && c <= '@') || (c >= '[' && c <= '`') ||
                             (c >= '{' && c <= '~');
    if (punctuation && c != '-' && c != '_' && c != '(' && c != ')') c = '_';
  }
  return plain;
}

std::optional<char> HierarchyDelimiter(ImapSession& session) {
  const CommandResult result =
      Run(session, ImapCommand(session.nextTag(), "LIST", LiteralMode::Synchronizing).string("").string(""));
  for (const ImapResponse& response : result.untagged) {
    if (response.name == "LIST") return ReadListEntry(response).delimiter;
  }
  return std::nullopt;
}

bool FolderExists(ImapSession& session, const std::string& name, bool utf8) {
  ImapCommand list(session.nextTag(), "LIST", session.literalModeFor(name.size()));
  const CommandResult result = Run(session, std::move(list.string("").string(name, utf8)));
  for (const ImapResponse& response : result.untagged) {
    if (response.name != "LIST") continue;
    const ListEntry entry = ReadListEntry(response);
    if (entry.name == name && entry.attributes.count("\\NOSELECT") == 0 &&
        entry.attributes.count("\\NONEXISTENT") == 0) {
      return true;
    }
  }
  return false;
}

CommandResult CreateFolder(ImapSession& session, const std::string& name, bool utf8) {
  return Run(session, FolderCommand(session, "CREATE", name, utf8));
}

std::optional<uint64_t> FolderAppendLimit(ImapSession& session, const std::string& name, bool utf8) {
  const CommandResult result = Run(session, FolderCommand(session, "STATUS", name, utf8).atom("(APPENDLIMIT)"));
  if (!result.ok()) return std::nullopt;
  for (const ImapResponse& response : result.untagged) {
    if (response.name != "STATUS") continue;
    FolderStatus status = ReadFolderStatus(response);
    const auto limit = status.items.find("APPENDLIMIT");
    if (status.name == name && limit != status.items.end()) return limit->second;
  }
  return std::nullopt;
}

uint32_t CountAfter(const std::vector<ImapResponse>& responses, uint32_t count) {
  for (const ImapResponse& response : responses) {
    if (response.name == "EXISTS" && response.number) count = *response.number;
    if (response.name == "EXPUNGE" && count > 0) --count;
  }
  return count;
}

uint32_t CurrentMessageCount(ImapSession& session, uint32_t known) {
  const CommandResult result = Run(session, "NOOP");
  return CountAfter(result.untagged, known);
}

SelectedFolder SelectFolder(ImapSession& session, const std::string& name, bool utf8) {
  const CommandResult result = Run(session, FolderCommand(session, "SELECT", name, utf8));
  if (!result.ok()) throw FolderOpenRefused(result.tagged.text);
  SelectedFolder folder;
  for (const ImapResponse& response : result.untagged) {
    if (response.name == "EXISTS" && response.number) folder.messages = *response.number;
    if (auto flags = PermanentFlagsIn(response)) folder.permanentFlags = std::move(*flags);
  }
  return folder;
}

ServerInventory FetchInventory(ImapSession& session) {
  const CommandResult result =
      Run(session, "UID FETCH 1:* (INTERNALDATE RFC822.SIZE BODY.PEEK[HEADER.FIELDS (MESSAGE-ID)])");
  if (!result.ok()) throw ImapRefusal("the server refused to list the folder's messages: " + result.tagged.text);
  return ServerInventory::FromFetch(result.untagged);
}

ImapCommand AppendCommand(ImapSession& session, const std::string& folder, bool utf8,
                          const OutgoingMessage& message) {
  ImapCommand command(session.nextTag(), "APPEND", session.literalModeFor(message.wire.size()));
  command.string(folder, utf8);
  std::string flagList = "(";
  for (const std::string& flag : message.flags) flagList += (flagList.size() > 1 ? " " : "") + flag;
  command.atom(flagList + ")");
  if (message.instant) command.string(FormatInternalDate(*message.instant));
  command.literal(message.wire);
  return command;
}

}  // namespace quernel
