// Fuzz target: the mbox ">" quoting. The first byte is the flag word (every
// combination of the mboxrd and ignore-case flags, with unrelated bits
// set too); the rest is the message text. The result is compared with a
// plain line-by-line version of the rule.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cli/run_settings.h"
#include "writers/mbox_writer.h"

namespace {

bool StartsWithFrom(std::string_view line, bool ignoreCase) {
  if (line.size() < 5 || line[4] != ' ') return false;
  for (size_t k = 0; k < 4; ++k) {
    char c = line[k];
    if (ignoreCase && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != (ignoreCase ? "from"[k] : "From"[k])) return false;
  }
  return true;
}

std::string ReferenceQuoting(std::string_view text, uint32_t flags) {
  const bool mboxrd = flags & quernel::flags::kMboxrd;
  const bool ignoreCase = flags & quernel::flags::kIgnoreCase;
  std::string out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    end = end == std::string_view::npos ? text.size() : end + 1;
    std::string_view line = text.substr(start, end - start);
    size_t quotes = 0;
    if (mboxrd) {
      while (quotes < line.size() && line[quotes] == '>') ++quotes;
    }
    out.append(line.substr(0, quotes));
    if (StartsWithFrom(line.substr(quotes), ignoreCase)) out += '>';
    out.append(line.substr(quotes));
    start = end;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint32_t flags = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  if (quernel::quoteFromLines(text, flags) != ReferenceQuoting(text, flags)) __builtin_trap();
  return 0;
}
