#include "imap/modified_utf7.h"

#include <cstdint>
#include <vector>

namespace quernel {
namespace {

constexpr std::string_view kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+,";
constexpr char32_t kReplacement = 0xFFFD;

// The next code point of `text` at `pos`, which it advances; invalid or
// overlong sequences and surrogates give U+FFFD for one byte.
char32_t NextCodePoint(std::string_view text, size_t& pos) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  const uint8_t lead = byte(pos);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || pos + length > text.size()) {
    ++pos;
    return kReplacement;
  }
  char32_t point = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) {
      ++pos;
      return kReplacement;
    }
    point = point << 6 | (byte(pos + i) & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (point < kSmallest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
    ++pos;
    return kReplacement;
  }
  pos += length;
  return point;
}

void AppendUtf8(char32_t point, std::string& out) {
  if (point < 0x80) {
    out += static_cast<char>(point);
  } else if (point < 0x800) {
    out += static_cast<char>(0xC0 | point >> 6);
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else if (point < 0x10000) {
    out += static_cast<char>(0xE0 | point >> 12);
    out += static_cast<char>(0x80 | (point >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | point >> 18);
    out += static_cast<char>(0x80 | (point >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (point >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  }
}

void AppendBase64(const std::vector<uint16_t>& units, std::string& out) {
  uint32_t bits = 0;
  int count = 0;
  for (const uint16_t unit : units) {
    bits = bits << 16 | unit;
    count += 16;
    while (count >= 6) {
      count -= 6;
      out += kBase64[bits >> count & 0x3F];
    }
  }
  if (count > 0) out += kBase64[bits << (6 - count) & 0x3F];
}

bool IsDirect(char32_t point) { return point >= 0x20 && point <= 0x7E; }

}  // namespace

std::string EncodeModifiedUtf7(std::string_view utf8) {
  std::string out;
  std::vector<uint16_t> units;
  const auto flush = [&] {
    if (units.empty()) return;
    out += '&';
    AppendBase64(units, out);
    out += '-';
    units.clear();
  };
  for (size_t pos = 0; pos < utf8.size();) {
    const char32_t point = NextCodePoint(utf8, pos);
    if (IsDirect(point)) {
      flush();
      out += point == '&' ? std::string("&-") : std::string(1, static_cast<char>(point));
    } else if (point >= 0x10000) {
      units.push_back(static_cast<uint16_t>(0xD800 + ((point - 0x10000) >> 10)));
      units.push_back(static_cast<uint16_t>(0xDC00 + ((point - 0x10000) & 0x3FF)));
    } else {
      units.push_back(static_cast<uint16_t>(point));
    }
  }
  flush();
  return out;
}

std::optional<std::string> DecodeModifiedUtf7(std::string_view encoded) {
  std::string out;
  for (size_t pos = 0; pos < encoded.size();) {
    const char c = encoded[pos];
    if (c != '&') {
      if (!IsDirect(static_cast<uint8_t>(c))) return std::nullopt;
      out += c;
      ++pos;
      continue;
    }
    const size_t end = encoded.find('-', pos);
    if (end == std::string_view::npos) return std::nullopt;
    if (end == pos + 1) {
      out += '&';
      pos = end + 1;
      continue;
    }
    uint32_t bits = 0;
    int count = 0;
    std::vector<uint16_t> units;
    for (size_t i = pos + 1; i < end; ++i) {
      const size_t value = kBase64.find(encoded[i]);
      if (value == std::string_view::npos) return std::nullopt;
      bits = (bits << 6 | static_cast<uint32_t>(value)) & 0xFFFFFF;
      count += 6;
      if (count >= 16) {
        count -= 16;
        units.push_back(static_cast<uint16_t>(bits >> count));
      }
    }
    if (count >= 6 || (bits & ((1u << count) - 1)) != 0) return std::nullopt;
    for (size_t i = 0; i < units.size(); ++i) {
      char32_t point = units[i];
      if (point >= 0xD800 && point <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
          units[i + 1] <= 0xDFFF) {
        point = 0x10000 + ((point - 0xD800) << 10) + (units[++i] - 0xDC00);
      } else if (point >= 0xD800 && point <= 0xDFFF) {
        return std::nullopt;
      }
      if (IsDirect(point)) return std::nullopt;  // must have been sent as itself
      AppendUtf8(point, out);
    }
    pos = end + 1;
  }
  return out;
}

}  // namespace quernel
