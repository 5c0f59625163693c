#include "imap/imap_url.h"

#include <charconv>
#include <optional>

#include "platform/ascii.h"

namespace quernel {
namespace {

std::optional<std::string> PercentDecoded(std::string_view text) {
  std::string decoded;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      decoded += text[i];
      continue;
    }
    unsigned value = 0;
    if (i + 2 >= text.size()) return std::nullopt;
    const auto [end, error] = std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
    if (error != std::errc() || end != text.data() + i + 3) return std::nullopt;
    decoded += static_cast<char>(value);
    i += 2;
  }
  return decoded;
}

}  // namespace

std::variant<ImapUrl, std::string> ParseImapUrl(std::string_view url) {
  const std::string bad = "-imap needs imaps://USER@HOST[:PORT][/FOLDER] or imap://USER@HOST[:PORT][/FOLDER]!\n";
  ImapUrl parsed;
  if (StartsWithIgnoringCase(url, "imaps://")) {
    url.remove_prefix(8);
  } else if (StartsWithIgnoringCase(url, "imap://")) {
    url.remove_prefix(7);
    parsed.tlsFromStart = false;
    parsed.port = 143;
  } else {
    return bad;
  }
  const size_t slash = url.find('/');
  std::string_view authority = url.substr(0, slash);
  const std::string_view path = slash == std::string_view::npos ? std::string_view() : url.substr(slash + 1);
  const size_t at = authority.rfind('@');
  if (at == std::string_view::npos || at == 0) return bad;
  const std::optional<std::string> user = PercentDecoded(authority.substr(0, at));
  if (!user || user->empty()) return bad;
  parsed.user = *user;
  authority.remove_prefix(at + 1);
  const size_t colon = authority.rfind(':');
  if (colon != std::string_view::npos && authority.find(']', colon) == std::string_view::npos) {
    const std::string_view port = authority.substr(colon + 1);
    unsigned value = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (port.empty() || error != std::errc() || end != port.data() + port.size() || value == 0 || value > 65535) {
      return bad;
    }
    parsed.port = static_cast<uint16_t>(value);
    authority = authority.substr(0, colon);
  }
  if (authority.size() > 2 && authority.front() == '[' && authority.back() == ']') {
    authority = authority.substr(1, authority.size() - 2);
  }
  if (authority.empty()) return bad;
  parsed.host = authority;
  for (size_t start = 0; start < path.size();) {
    const size_t end = std::min(path.find('/', start), path.size());
    const std::optional<std::string> level = PercentDecoded(path.substr(start, end - start));
    if (!level) return bad;
    if (!level->empty()) parsed.parent.push_back(*level);
    start = end + 1;
  }
  if (path.empty()) parsed.parent.emplace_back(kDefaultParentFolder);
  return parsed;
}

}  // namespace quernel
