#include "writers/found_sets.h"

#include "writers/eml_paths.h"

namespace quernel {

std::string MboxSetPath(const std::string& mboxPath, std::string_view setName, const Host& host) {
  const std::string name = host.paths.fileNamePart(mboxPath);
  std::string insert(1, '.');
  insert += setName;
  std::string path = mboxPath.substr(0, mboxPath.size() - name.size());
  path += InsertBeforeExtension(name, insert, host.text);
  return path;
}

std::string TreeSetPath(const std::string& mboxPath, std::string_view setName) {
  std::string path = mboxPath + '.';
  path += setName;
  return path;
}

std::string MaildirSubfolderPath(const std::string& maildir, std::string_view setName, const PathRules& paths) {
  return paths.join(maildir, TreeSetPath("", setName));
}

FoundSource::FoundSource(Salvage& salvage, FoundKind kind, NamingFields mailbox)
    : salvage_(salvage), mailbox_(std::move(mailbox)) {
  const std::vector<FoundMessage>& messages = salvage.messages();
  for (size_t i = 0; i < messages.size(); ++i) {
    if (messages[i].kind == kind) found_.push_back(i);
  }
}

const FoundMessage& FoundSource::message(int32_t i) const {
  return salvage_.messages()[found_[static_cast<size_t>(i)]];
}

// Both writers ask for a message's properties more than once; they are
// unpacked once per message.
const MessageProperties& FoundSource::properties(int32_t i) {
  if (cached_ != i) {
    properties_ = salvage_.fields(message(i));
    cached_ = i;
  }
  return properties_;
}

bool FoundSource::appendText(int32_t i, std::string& text) {
  salvage_.appendText(message(i), text);
  return true;
}

}  // namespace quernel
