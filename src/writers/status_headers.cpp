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

void AppendStateLines(std::string& lines, MessageFlags flags, std::string_view lineEnd) {
  const unsigned mozilla = (flags.read() ? kMozillaRead : 0) | (flags.answered() ? kMozillaReplied : 0) |
                           (flags.marked() ? kMozillaMarked : 0) |
                           (flags.forwarded() ? kMozillaForwarded : 0);
  char hex[8];
  std::snprintf(hex, sizeof hex, "%04X", mozilla);
  lines.append("Status: ").append(flags.read() ? "RO" : "O").append(lineEnd);
  lines.append("X-Status: ");
  if (flags.answered()) lines += 'A';
  if (flags.marked()) lines += 'F';
  lines.append(lineEnd);
  lines.append("X-Mozilla-Status: ").append(hex).append(lineEnd);
  lines.append("X-Mozilla-Status2: 00000000").append(lineEnd);
}

}  // namespace

void PlanStatusHeaders(std::string_view text, MessageFlags flags, StatusHeaderEdit& edit) {
  edit.removed.clear();
  edit.lines.clear();
  std::string_view lineEnd = "\r\n";
  bool lineEndKnown = false;
  bool inStateField = false;
  bool emptyLineFound = false;
  size_t at = 0;
  while (at < text.size()) {
    const size_t lf = text.find('\n', at);
    const size_t next = lf == std::string_view::npos ? text.size() : lf + 1;
    std::string_view line = text.substr(at, (lf == std::string_view::npos ? text.size() : lf) - at);
    if (lf != std::string_view::npos && !lineEndKnown) {
      lineEnd = !line.empty() && line.back() == '\r' ? "\r\n" : "\n";
      lineEndKnown = true;
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() && lf != std::string_view::npos) {
      emptyLineFound = true;
      break;
    }
    inStateField = IsStateField(line) || (inStateField && IsContinuation(line));
    if (inStateField) {
      if (!edit.removed.empty() && edit.removed.back().second == at) {
        edit.removed.back().second = next;
      } else {
        edit.removed.emplace_back(at, next);
      }
    }
    at = next;
  }
  edit.insertAt = at;
  if (!emptyLineFound) {
    // What stays of the text must end in a line end before the lines come.
    size_t keptEnd = at;
    if (!edit.removed.empty() && edit.removed.back().second == keptEnd) keptEnd = edit.removed.back().first;
    if (keptEnd > 0 && text[keptEnd - 1] != '\n') edit.lines.append(lineEnd);
  }
  AppendStateLines(edit.lines, flags, lineEnd);
  if (!emptyLineFound) edit.lines.append(lineEnd);
}

void AddStatusHeaders(std::string& text, size_t start, MessageFlags flags) {
  StatusHeaderEdit edit;
  PlanStatusHeaders(std::string_view(text).substr(start), flags, edit);
  size_t insertAt = start + edit.insertAt;
  // From the back, so that the earlier positions stay valid.
  for (auto it = edit.removed.rbegin(); it != edit.removed.rend(); ++it) {
    text.erase(start + it->first, it->second - it->first);
    insertAt -= it->second - it->first;
  }
  text.insert(insertAt, edit.lines);
}

}  // namespace quernel
