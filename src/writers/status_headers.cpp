#include "writers/status_headers.h"

#include <cstdio>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ascii.h"

namespace quernel {
namespace {

constexpr std::string_view kFieldNames[] = {"Status", "X-Status", "X-Mozilla-Status",
                                            "X-Mozilla-Status2"};

// Thunderbird's bits. Its 0x0008 means "expunged": a message carrying it is
// dropped, so no Outlook Express bit ever maps to it.
constexpr unsigned kMozillaRead = 0x0001;
constexpr unsigned kMozillaReplied = 0x0002;
constexpr unsigned kMozillaMarked = 0x0004;
constexpr unsigned kMozillaForwarded = 0x1000;

// Whether `line` begins a field of one of the names: the name in any letter
// case, blanks allowed before the colon as in older mail.
bool IsStateField(std::string_view line) {
  for (std::string_view name : kFieldNames) {
    if (!StartsWithIgnoringCase(line, name)) continue;
    size_t at = name.size();
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    if (at < line.size() && line[at] == ':') return true;
  }
  return false;
}

bool IsContinuation(std::string_view line) {
  return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

std::string StateLines(MessageFlags flags, std::string_view lineEnd) {
  const unsigned mozilla = (flags.read() ? kMozillaRead : 0) | (flags.answered() ? kMozillaReplied : 0) |
                           (flags.marked() ? kMozillaMarked : 0) |
                           (flags.forwarded() ? kMozillaForwarded : 0);
  char hex[8];
  std::snprintf(hex, sizeof hex, "%04X", mozilla);
  std::string lines;
  lines.reserve(96);
  lines.append("Status: ").append(flags.read() ? "RO" : "O").append(lineEnd);
  lines.append("X-Status: ");
  if (flags.answered()) lines += 'A';
  if (flags.marked()) lines += 'F';
  lines.append(lineEnd);
  lines.append("X-Mozilla-Status: ").append(hex).append(lineEnd);
  lines.append("X-Mozilla-Status2: 00000000").append(lineEnd);
  return lines;
}

// The header block of the text from `start` on: where it ends, the line end
// of its first line, and the lines of the state fields in it.
struct HeaderBlock {
  size_t end = std::string::npos;  // the empty line that ends it; npos: none
  std::string_view lineEnd = "\r\n";
  std::vector<std::pair<size_t, size_t>> stateLines;  // [from, to), in order
};

HeaderBlock ScanHeaderBlock(const std::string& text, size_t start) {
  HeaderBlock block;
  bool lineEndKnown = false;
  bool inStateField = false;
  for (size_t at = start; at < text.size();) {
    const size_t lf = text.find('\n', at);
    const size_t next = lf == std::string::npos ? text.size() : lf + 1;
    std::string_view line(text.data() + at, (lf == std::string::npos ? text.size() : lf) - at);
    if (lf != std::string::npos && !lineEndKnown) {
      block.lineEnd = !line.empty() && line.back() == '\r' ? "\r\n" : "\n";
      lineEndKnown = true;
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() && lf != std::string::npos) {
      block.end = at;
      break;
    }
    inStateField = IsStateField(line) || (inStateField && IsContinuation(line));
    if (inStateField) {
      if (!block.stateLines.empty() && block.stateLines.back().second == at) {
        block.stateLines.back().second = next;
      } else {
        block.stateLines.emplace_back(at, next);
      }
    }
    at = next;
  }
  return block;
}

}  // namespace

void AddStatusHeaders(std::string& text, size_t start, MessageFlags flags) {
  const HeaderBlock block = ScanHeaderBlock(text, start);
  size_t insertAt = block.end == std::string::npos ? text.size() : block.end;
  // From the back, so that the earlier positions stay valid.
  for (auto it = block.stateLines.rbegin(); it != block.stateLines.rend(); ++it) {
    text.erase(it->first, it->second - it->first);
    insertAt -= it->second - it->first;
  }
  std::string lines = StateLines(flags, block.lineEnd);
  if (block.end == std::string::npos) {
    if (text.size() > start && text.back() != '\n') lines.insert(0, block.lineEnd);
    lines.append(block.lineEnd);
  }
  text.insert(insertAt, lines);
}

}  // namespace quernel
