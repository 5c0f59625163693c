#include "dbx/header_text.h"

#include <cstdint>
#include <vector>

#include "platform/ascii.h"
#include "platform/code_page_conversion.h"
#include "platform/code_pages.h"

namespace quernel {
namespace {

// Position of `needle` in `text` from `from` on, ASCII case ignored.
// `needle` is not empty. Tests the first letter before the whole needle: a
// search can run through a whole message text.
size_t FindIgnoringCase(std::string_view text, std::string_view needle, size_t from = 0) {
  const char first = AsciiLower(needle.front());
  for (size_t pos = from; pos + needle.size() <= text.size(); ++pos) {
    if (AsciiLower(text[pos]) == first && EqualsIgnoringCase(text.substr(pos, needle.size()), needle)) return pos;
  }
  return std::string_view::npos;
}

bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsWhiteSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsWhiteSpace(text.back())) text.remove_suffix(1);
  return text;
}

// The line at `pos` without its line end; `next` is set to the line after it.
std::string_view LineAt(std::string_view text, size_t pos, size_t& next) {
  const size_t end = text.find('\n', pos);
  next = end == std::string_view::npos ? text.size() : end + 1;
  std::string_view line = text.substr(pos, (end == std::string_view::npos ? text.size() : end) - pos);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// The value of a "charset=" parameter that starts at `pos`, quotes removed.
std::string CharsetParameterAt(std::string_view text, size_t pos) {
  std::string_view rest = text.substr(pos + 8);  // past "charset="
  if (!rest.empty() && rest.front() == '"') {
    rest.remove_prefix(1);
    return std::string(rest.substr(0, rest.find('"')));
  }
  size_t end = 0;
  while (end < rest.size() && rest[end] != ';' && !IsWhiteSpace(rest[end])) ++end;
  return std::string(rest.substr(0, end));
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

std::optional<std::string> DecodeBase64(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 3 / 4);
  uint32_t bits = 0;
  int bitCount = 0;
  for (char c : text) {
    if (c == '=') break;
    const int value = Base64Value(c);
    if (value < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<uint32_t>(value);
    bitCount += 6;
    if (bitCount >= 8) {
      bitCount -= 8;
      bytes.push_back(static_cast<char>((bits >> bitCount) & 0xFF));
    }
  }
  return bytes;
}

std::string DecodeQ(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '_') {
      bytes.push_back(' ');
    } else if (text[i] == '=' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
               HexValue(text[i + 2]) >= 0) {
      bytes.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
      i += 2;
    } else {
      bytes.push_back(text[i]);
    }
  }
  return bytes;
}

// One piece of header text: an encoded word (its charset and the bytes it
// holds) or a run of plain text.
struct Piece {
  bool encoded;
  std::string charset;  // encoded words only
  std::string bytes;
};

// The encoded word "=?charset?B|Q?text?=" at `pos`, or nothing when the bytes
// there are not one; `end` is set past it.
std::optional<Piece> EncodedWordAt(std::string_view text, size_t pos, size_t& end) {
  if (text.compare(pos, 2, "=?") != 0) return std::nullopt;
  const size_t charsetEnd = text.find('?', pos + 2);
  if (charsetEnd == std::string_view::npos || charsetEnd + 2 >= text.size() || text[charsetEnd + 2] != '?') {
    return std::nullopt;
  }
  const size_t textEnd = text.find("?=", charsetEnd + 3);
  if (textEnd == std::string_view::npos) return std::nullopt;
  std::string_view charset = text.substr(pos + 2, charsetEnd - pos - 2);
  charset = charset.substr(0, charset.find('*'));  // RFC 2231 language suffix
  const std::string_view encodedText = text.substr(charsetEnd + 3, textEnd - charsetEnd - 3);
  for (char c : charset) {
    if (IsWhiteSpace(c)) return std::nullopt;
  }
  for (char c : encodedText) {
    if (IsWhiteSpace(c)) return std::nullopt;
  }
  Piece word{true, std::string(charset), {}};
  const char encoding = AsciiLower(text[charsetEnd + 1]);
  if (encoding == 'q') {
    word.bytes = DecodeQ(encodedText);
  } else if (encoding == 'b') {
    std::optional<std::string> bytes = DecodeBase64(encodedText);
    if (!bytes) return std::nullopt;
    word.bytes = std::move(*bytes);
  } else {
    return std::nullopt;
  }
  end = textEnd + 2;
  return word;
}

bool IsAllWhiteSpace(std::string_view text) { return Trimmed(text).empty(); }

// Splits header text into encoded words and plain runs. White space between
// two encoded words is dropped, and neighbouring words with the same charset
// are joined, so that a character split over two words is read whole.
std::vector<Piece> SplitPieces(std::string_view text) {
  std::vector<Piece> pieces;
  pieces.reserve(4);
  size_t plainStart = 0;
  size_t pos = 0;
  while ((pos = text.find("=?", pos)) != std::string_view::npos) {
    size_t end = 0;
    std::optional<Piece> word = EncodedWordAt(text, pos, end);
    if (!word) {
      pos += 2;
      continue;
    }
    const std::string_view plain = text.substr(plainStart, pos - plainStart);
    const bool afterWord = !pieces.empty() && pieces.back().encoded;
    if (!(afterWord && IsAllWhiteSpace(plain)) && !plain.empty()) {
      pieces.push_back(Piece{false, {}, std::string(plain)});
    }
    if (!pieces.empty() && pieces.back().encoded &&
        EqualsIgnoringCase(pieces.back().charset, word->charset)) {
      pieces.back().bytes += word->bytes;
    } else {
      pieces.push_back(std::move(*word));
    }
    pos = plainStart = end;
  }
  if (plainStart < text.size()) pieces.push_back(Piece{false, {}, std::string(text.substr(plainStart))});
  return pieces;
}

// ISO-2022-JP text as code page 932 bytes: the JIS X 0208 pairs (with the
// NEC and IBM rows that Microsoft's ISO-2022-JP carries) turned into their
// Shift-JIS bytes, half-width katakana into single bytes. Nothing for a
// character set 932 cannot hold (JIS X 0212) or a malformed pair.
std::optional<std::string> Iso2022JpToCp932(std::string_view text) {
  enum class Mode { Ascii, Kanji, Katakana } mode = Mode::Ascii;
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == 0x1B) {
      const std::string_view escape = text.substr(i + 1, 2);
      if (escape == "(B" || escape == "(J") {
        mode = Mode::Ascii;
      } else if (escape == "$@" || escape == "$B") {
        mode = Mode::Kanji;
      } else if (escape == "(I") {
        mode = Mode::Katakana;
      } else {
        return std::nullopt;
      }
      i += 2;
    } else if (c == 0x0E || c == 0x0F) {
      mode = c == 0x0E ? Mode::Katakana : Mode::Ascii;
    } else if (c > 0x7F) {
      return std::nullopt;
    } else if (mode == Mode::Katakana && c >= 0x21 && c <= 0x5F) {
      bytes.push_back(static_cast<char>(c + 0x80));
    } else if (mode == Mode::Kanji && c >= 0x21 && c <= 0x7E) {
      if (i + 1 >= text.size()) return std::nullopt;
      const unsigned char second = static_cast<unsigned char>(text[++i]);
      if (second < 0x21 || second > 0x7E) return std::nullopt;
      const int row = c;
      const int lead = (row + 1) / 2 + (row <= 0x5E ? 0x70 : 0xB0);
      const int trail = (row % 2 == 1) ? second + (second < 0x60 ? 0x1F : 0x20) : second + 0x7E;
      bytes.push_back(static_cast<char>(lead));
      bytes.push_back(static_cast<char>(trail));
    } else {
      bytes.push_back(static_cast<char>(c));
    }
  }
  return bytes;
}

// Removes the quotes of quoted strings and their backslash escapes.
std::string Unquoted(std::string_view text) {
  std::string out;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') {
      quoted = !quoted;
    } else if (quoted && text[i] == '\\' && i + 1 < text.size()) {
      out.push_back(text[++i]);
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

// Position of the first `target` outside quoted strings, or npos.
size_t FindUnquoted(std::string_view text, char target) {
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (quoted && text[i] == '\\') {
      ++i;
    } else if (text[i] == '"') {
      quoted = !quoted;
    } else if (!quoted && text[i] == target) {
      return i;
    }
  }
  return std::string_view::npos;
}

}  // namespace

std::optional<std::string> HeaderFieldValue(std::string_view messageText, std::string_view name) {
  size_t pos = 0;
  while (pos < messageText.size()) {
    size_t next = 0;
    const std::string_view line = LineAt(messageText, pos, next);
    if (line.empty()) break;  // the end of the header
    pos = next;
    if (line[0] == ' ' || line[0] == '\t') continue;
    // The name starts the line, after nothing but a stray CR.
    if (AsciiLower(line[0]) != AsciiLower(name.front()) && line[0] != '\r') continue;
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos || !EqualsIgnoringCase(Trimmed(line.substr(0, colon)), name)) continue;
    std::string value;
    std::string_view first = line.substr(colon + 1);
    while (pos < messageText.size()) {
      const std::string_view continuation = LineAt(messageText, pos, next);
      if (continuation.empty() || (continuation[0] != ' ' && continuation[0] != '\t')) break;
      if (value.empty()) value = first;
      value += continuation;
      pos = next;
    }
    // Most fields take one line, and need no copy before trimming.
    return std::string(Trimmed(value.empty() ? first : std::string_view(value)));
  }
  return std::nullopt;
}

bool NeedsCharset(std::string_view plain) {
  bool needs = false;  // without an early exit, so that the loop vectorises
  for (char c : plain) needs |= static_cast<unsigned char>(c) > 0x7F || c == '\x1B';
  return needs;
}

size_t HeaderSize(std::string_view messageText) {
  size_t pos = 0;
  while (pos < messageText.size()) {
    size_t next = 0;
    const std::string_view line = LineAt(messageText, pos, next);
    // A last line without its line end may go on beyond the text.
    if (next == messageText.size() && messageText.back() != '\n') break;
    if (line.empty()) return next;
    pos = next;
  }
  return std::string_view::npos;
}

std::optional<std::string> HeaderCharset(std::string_view messageText) {
  if (const std::optional<std::string> contentType = HeaderFieldValue(messageText, "Content-Type")) {
    const size_t at = FindIgnoringCase(*contentType, "charset=");
    if (at != std::string_view::npos) return CharsetParameterAt(*contentType, at);
  }
  return std::nullopt;
}

std::string MessageCharset(std::string_view messageText) {
  if (std::optional<std::string> charset = HeaderCharset(messageText)) return std::move(*charset);
  const size_t at = FindIgnoringCase(messageText, "charset=");
  return at == std::string_view::npos ? std::string() : CharsetParameterAt(messageText, at);
}

std::string DisplayNameOf(std::string_view addressValue) {
  const size_t angle = FindUnquoted(addressValue, '<');
  if (angle != std::string_view::npos) return Unquoted(Trimmed(addressValue.substr(0, angle)));
  const size_t open = FindUnquoted(addressValue, '(');
  const size_t close = addressValue.rfind(')');
  if (open != std::string_view::npos && close != std::string_view::npos && close > open) {
    return std::string(Trimmed(addressValue.substr(open + 1, close - open - 1)));
  }
  return std::string();
}

std::optional<std::string> DecodeCharset(std::string_view charset, std::string_view bytes) {
  const std::optional<int> codePage = CodePageOfCharset(Trimmed(charset));
  if (!codePage) return std::nullopt;
  if (*codePage == kIso2022JpCodePage) {
    const std::optional<std::string> cp932 = Iso2022JpToCp932(bytes);
    if (!cp932) return std::nullopt;
    return DecodeCodePage(932, *cp932);
  }
  return DecodeCodePage(*codePage, bytes);
}

std::optional<std::string> DecodeHeaderText(std::string_view text, std::string_view rawCharset) {
  if (text.find("=?") == std::string_view::npos) {  // plain text, one piece
    if (!NeedsCharset(text)) return std::string(text);
    if (rawCharset.empty()) return std::nullopt;
    return DecodeCharset(rawCharset, text);
  }
  std::string utf8;
  for (const Piece& piece : SplitPieces(text)) {
    if (!piece.encoded && !NeedsCharset(piece.bytes)) {
      utf8 += piece.bytes;
      continue;
    }
    const std::string_view charset = piece.encoded ? std::string_view(piece.charset) : rawCharset;
    if (charset.empty()) return std::nullopt;
    const std::optional<std::string> decoded = DecodeCharset(charset, piece.bytes);
    if (!decoded) return std::nullopt;
    utf8 += *decoded;
  }
  return utf8;
}

}  // namespace quernel
