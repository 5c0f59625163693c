#include "imap/response_data.h"

#include <charconv>
#include <string_view>

#include "imap/imap_error.h"

namespace quernel {
namespace {

[[noreturn]] void Malformed(const char* what) {
  throw ImapProtocolError(std::string("the server sent a malformed ") + what + " response");
}

std::optional<uint64_t> NumberIn(std::string_view text) {
  uint64_t number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return number;
}

Capabilities WordsOf(const std::vector<ImapValue>& values) {
  Capabilities words;
  for (const ImapValue& value : values) {
    if (value.kind == ImapValue::Kind::Atom) words.insert(ImapUpper(value.text));
  }
  return words;
}

}  // namespace

std::optional<Capabilities> CapabilitiesIn(const ImapResponse& response) {
  if (response.kind == ImapResponse::Kind::Untagged && response.name == "CAPABILITY") {
    return WordsOf(response.values);
  }
  if (response.isStatus() && response.code == "CAPABILITY") {
    return WordsOf(ParseValues(response.codeArguments));
  }
  return std::nullopt;
}

ListEntry ReadListEntry(const ImapResponse& response) {
  const std::vector<ImapValue>& values = response.values;
  if (values.size() != 3 || values[0].kind != ImapValue::Kind::List) Malformed("LIST");
  ListEntry entry;
  for (const ImapValue& attribute : values[0].items) entry.attributes.insert(ImapUpper(attribute.text));
  if (values[1].kind == ImapValue::Kind::String && values[1].text.size() == 1) {
    entry.delimiter = values[1].text[0];
  } else if (values[1].kind != ImapValue::Kind::Nil) {
    Malformed("LIST");
  }
  if (values[2].kind == ImapValue::Kind::List) Malformed("LIST");
  entry.name = values[2].text;
  return entry;
}

FetchedMessage ReadFetch(const ImapResponse& response) {
  if (response.values.size() != 1 || response.values[0].kind != ImapValue::Kind::List) Malformed("FETCH");
  const std::vector<ImapValue>& items = response.values[0].items;
  if (items.size() % 2 != 0) Malformed("FETCH");
  FetchedMessage message;
  for (size_t i = 0; i < items.size(); i += 2) {
    const std::string name = ImapUpper(items[i].text);
    const ImapValue& value = items[i + 1];
    if (name == "UID") {
      const std::optional<uint64_t> uid = NumberIn(value.text);
      if (!uid || *uid == 0 || *uid > UINT32_MAX) Malformed("FETCH");
      message.uid = static_cast<uint32_t>(*uid);
    } else if (name == "INTERNALDATE") {
      message.internalDate = value.text;
    } else if (name == "RFC822.SIZE") {
      message.size = NumberIn(value.text);
      if (!message.size) Malformed("FETCH");
    } else if (name.starts_with("BODY[")) {
      message.headerFields = value.text;
    }
  }
  return message;
}

std::optional<std::set<std::string>> PermanentFlagsIn(const ImapResponse& response) {
  if (!response.isStatus() || response.code != "PERMANENTFLAGS") return std::nullopt;
  const std::vector<ImapValue> values = ParseValues(response.codeArguments);
  if (values.size() != 1 || values[0].kind != ImapValue::Kind::List) Malformed("PERMANENTFLAGS");
  std::set<std::string> flags;
  for (const ImapValue& flag : values[0].items) flags.insert(ImapUpper(flag.text));
  return flags;
}

std::optional<uint64_t> AppendLimitIn(const Capabilities& capabilities) {
  for (const std::string& capability : capabilities) {
    if (capability.starts_with("APPENDLIMIT=")) return NumberIn(std::string_view(capability).substr(12));
  }
  return std::nullopt;
}

std::optional<AppendUid> AppendUidIn(const ImapResponse& response) {
  if (response.name != "OK" || response.code != "APPENDUID") return std::nullopt;
  const std::string& arguments = response.codeArguments;
  const size_t space = arguments.find(' ');
  if (space == std::string::npos) return std::nullopt;
  const std::optional<uint64_t> validity = NumberIn(std::string_view(arguments).substr(0, space));
  const std::optional<uint64_t> uid = NumberIn(std::string_view(arguments).substr(space + 1));
  // A UID set ("4:5") names no single message: not an answer to one APPEND.
  if (!validity || !uid || *validity > UINT32_MAX || *uid == 0 || *uid > UINT32_MAX) return std::nullopt;
  return AppendUid{static_cast<uint32_t>(*validity), static_cast<uint32_t>(*uid)};
}

FolderStatus ReadFolderStatus(const ImapResponse& response) {
  const std::vector<ImapValue>& values = response.values;
  if (values.size() != 2 || values[0].kind == ImapValue::Kind::List || values[1].kind != ImapValue::Kind::List ||
      values[1].items.size() % 2 != 0) {
    Malformed("STATUS");
  }
  FolderStatus status;
  status.name = values[0].text;
  const std::vector<ImapValue>& items = values[1].items;
  for (size_t i = 0; i < items.size(); i += 2) {
    std::optional<uint64_t> number;
    if (items[i + 1].kind != ImapValue::Kind::Nil) {
      number = NumberIn(items[i + 1].text);
      if (!number || items[i + 1].kind != ImapValue::Kind::Atom) Malformed("STATUS");
    }
    status.items[ImapUpper(items[i].text)] = number;
  }
  return status;
}

}  // namespace quernel
