#include "writers/maildir_name.h"

namespace quernel {

std::string MaildirUniqueName(MessageTime receiveTime, int32_t number, uint32_t duplicate) {
  std::string name = std::to_string(receiveTime);
  name += ".Q";
  name += std::to_string(number);
  if (duplicate > 0) {
    name += '-';
    name += std::to_string(duplicate);
  }
  name += ".quernel";
  return name;
}

std::string MaildirFileName(std::string_view uniqueName, MessageFlags flags, const PathRules& paths) {
  std::string name(uniqueName);
  name += paths.maildirInfoSeparator();
  name += "2,";
  if (flags.marked()) name += 'F';
  if (flags.forwarded()) name += 'P';
  if (flags.answered()) name += 'R';
  if (flags.read()) name += 'S';
  return name;
}

std::string_view MaildirUniquePart(std::string_view fileName, const PathRules& paths) {
  const size_t separator = fileName.rfind(paths.maildirInfoSeparator());
  return separator == std::string_view::npos ? fileName : fileName.substr(0, separator);
}

}  // namespace quernel
