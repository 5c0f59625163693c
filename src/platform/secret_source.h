#pragma once
// Where the IMAP secret comes from besides the environment: a command of
// the user's choice, or the terminal. The secret is returned, never kept.

#include <optional>
#include <string>

namespace quernel {

// `text` up to its first line end.
inline std::string FirstLine(std::string text) {
  const size_t end = text.find_first_of("\r\n");
  if (end != std::string::npos) text.resize(end);
  return text;
}

// The first line of what `command`, run by the system's shell, prints;
// nothing when it cannot run, fails or prints nothing.
std::optional<std::string> SecretFromCommand(const std::string& command);

// Asked for on the terminal with `prompt` (to standard error) and without
// echo; nothing when standard input is not a terminal.
std::optional<std::string> SecretFromTerminal(const std::string& prompt);

}  // namespace quernel
