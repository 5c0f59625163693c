#pragma once
// The "-imap" URL: imaps://USER@HOST[:PORT][/PARENT] (TLS from the start)
// or imap://USER@HOST[:PORT][/PARENT] (STARTTLS, then required).

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quernel {

inline constexpr std::string_view kDefaultParentFolder = "Outlook Express";

struct ImapUrl {
  bool tlsFromStart = true;
  std::string user;  // percent-decoded
  std::string host;
  uint16_t port = 993;
  std::vector<std::string> parent;  // the levels of PARENT, percent-decoded
};

// The URL, or the line that says what is wrong with it.
std::variant<ImapUrl, std::string> ParseImapUrl(std::string_view url);

}  // namespace quernel
