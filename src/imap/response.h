#pragma once
// One server response, read into its parts: tag, status or data name,
// response code, human text, and the data as a tree of values.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "imap/response_reader.h"

namespace quernel {

// An atom (including "BODY[...]" sections and "\Flags"), a string (quoted
// or literal), NIL, or a parenthesized list.
struct ImapValue {
  enum class Kind { Atom, String, Nil, List };
  Kind kind = Kind::Nil;
  std::string text;
  std::vector<ImapValue> items;  // Kind::List
};

struct ImapResponse {
  enum class Kind { Tagged, Untagged, Continuation };
  Kind kind = Kind::Untagged;
  std::string tag;                 // Tagged only
  std::optional<uint32_t> number;  // "* 12 FETCH", "* 3 EXISTS"
  std::string name;                // upper case: OK, NO, BAD, BYE, PREAUTH, CAPABILITY, LIST, FETCH...
  std::string code;                // upper case response code, as "TRYCREATE"; empty when none
  std::string codeArguments;       // what follows the code inside the brackets
  std::string text;                // the human text of a status or continuation
  std::vector<ImapValue> values;   // the data of a data response

  bool isStatus() const;  // OK, NO, BAD, BYE or PREAUTH
};

// Names, flags and codes are compared in upper case (ASCII only).
std::string ImapUpper(std::string_view text);

// Raises ImapProtocolError for what is not a response.
ImapResponse ParseResponse(const RawResponse& raw);

// The values in `text` (one line, no literals), as code arguments hold them.
std::vector<ImapValue> ParseValues(const std::string& text);

}  // namespace quernel
