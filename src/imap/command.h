#pragma once
// ImapCommand: one command as the chunks to send. Every chunk but the last
// ends with a literal header; with synchronizing literals the client waits
// for the server's "+" before sending the next chunk.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quernel {

enum class LiteralMode {
  Synchronizing,     // "{N}": wait for "+"
  NonSynchronizing,  // "{N+}" (LITERAL+, or LITERAL- up to 4096 bytes)
};

class ImapCommand {
 public:
  ImapCommand(std::string_view tag, std::string_view name, LiteralMode literals);

  ImapCommand& atom(std::string_view atom);
  // A string as a quoted string where it can be one, else as a literal.
  // `utf8` (after ENABLE UTF8=ACCEPT) lets bytes beyond ASCII be quoted.
  ImapCommand& string(std::string_view text, bool utf8 = false);
  ImapCommand& literal(std::string_view bytes);
  // Ends the command with CRLF and hands over its chunks.
  std::vector<std::string> finish();

  LiteralMode literalMode() const { return literals_; }

 private:
  void separate();

  LiteralMode literals_;
  std::vector<std::string> chunks_;
};

// "dd-Mon-yyyy hh:mm:ss +0000" for an instant in seconds since 1970 (UTC).
std::string FormatInternalDate(int64_t unixSeconds);

}  // namespace quernel
