#include "naming/page_reading.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "platform/code_page_conversion.h"
#include "platform/code_pages.h"
#include "platform/utf8.h"

namespace quernel {
namespace {

constexpr int kWindows1252 = 1252;

size_t PageIndex(int codePage) {
  const std::span<const int> pages = SupportedCodePages();
  return static_cast<size_t>(std::find(pages.begin(), pages.end(), codePage) - pages.begin());
}

// One page's reading of a single byte, as DecodeCodePage gives it: size 0
// when the byte is no character on its own.
struct ByteReading {
  uint8_t size = 0;
  char utf8[3];  // a single byte reads as a character of the BMP
  bool accent = false;  // a combining mark, written apart from its letter
};

// A single-byte page reads a string byte by byte; of a double-byte page
// only whether a byte beyond ASCII is a character on its own counts.
struct ByteReadings {
  bool doubleByte = false;
  std::array<ByteReading, 256> bytes;
};

// Combining diacritical marks, and the points and accents of Hebrew.
bool IsCombiningMark(char32_t c) { return (c >= 0x300 && c <= 0x36F) || (c >= 0x591 && c <= 0x5C7); }

ByteReading ReadingOf(int codePage, unsigned char byte) {
  const char single = static_cast<char>(byte);
  const std::optional<std::string> utf8 = DecodeCodePage(codePage, std::string_view(&single, 1));
  ByteReading reading;
  if (!utf8 || utf8->empty() || utf8->size() > sizeof reading.utf8) return reading;
  reading.size = static_cast<uint8_t>(utf8->size());
  utf8->copy(reading.utf8, utf8->size());
  const size_t length = Utf8SequenceLength(*utf8, 0);
  reading.accent = length == utf8->size() && IsCombiningMark(DecodeUtf8(*utf8, 0, length));
  return reading;
}

bool operator==(const ByteReading& a, const ByteReading& b) {
  return a.size == b.size && std::string_view(a.utf8, a.size) == std::string_view(b.utf8, b.size);
}

class Readings {
 public:
  static const Readings& get() {
    static const Readings readings;  // the program has one thread
    return readings;
  }

  const ByteReadings& of(size_t page) const { return pages_[page]; }
  PageSet sameAs1252(unsigned char byte) const { return sameAs1252_[byte]; }

 private:
  Readings() {
    const std::span<const int> pages = SupportedCodePages();
    pages_.resize(pages.size());
    for (size_t k = 0; k < pages.size(); ++k) {
      pages_[k].doubleByte = IsDoubleByteCodePage(pages[k]);
      // A double-byte page reads ASCII as itself too; only its bytes beyond
      // ASCII are asked about.
      for (int byte = pages_[k].doubleByte ? 0x80 : 0; byte < 256; ++byte) {
        pages_[k].bytes[static_cast<size_t>(byte)] = ReadingOf(pages[k], static_cast<unsigned char>(byte));
      }
    }
    const ByteReadings& western = pages_[PageIndex(kWindows1252)];
    for (size_t byte = 0; byte < 256; ++byte) {
      for (size_t k = 0; k < pages.size(); ++k) {
        const ByteReadings& page = pages_[k];
        if (!page.doubleByte && page.bytes[byte].size > 0 && page.bytes[byte] == western.bytes[byte]) {
          sameAs1252_[byte] |= PageSet{1} << k;
        }
      }
    }
  }

  std::vector<ByteReadings> pages_;
  std::array<PageSet, 256> sameAs1252_{};
};

bool IsAscii(char c) { return static_cast<unsigned char>(c) < 0x80; }

bool SingleBytesReadAs(const ByteReadings& page, std::string_view stored, std::string_view utf8) {
  size_t at = 0;
  for (char c : stored) {
    if (IsAscii(c)) {  // every single-byte page reads ASCII as itself
      if (at == utf8.size() || utf8[at] != c) return false;
      ++at;
      continue;
    }
    const ByteReading& reading = page.bytes[static_cast<unsigned char>(c)];
    if (reading.size == 0 || utf8.size() - at < reading.size) return false;
    for (size_t i = 0; i < reading.size; ++i) {
      if (utf8[at + i] != reading.utf8[i]) return false;
    }
    at += reading.size;
  }
  return at == utf8.size();
}

// The ASCII characters a double-byte page can read from `stored`: a byte
// beyond ASCII that is no character on its own takes the next byte with it
// (or the reading fails), and no pair reads as ASCII. Nothing when a lead
// byte ends the string.
std::optional<size_t> AsciiLeftByLeadBytes(const ByteReadings& page, std::string_view stored) {
  size_t ascii = 0;
  for (size_t i = 0; i < stored.size(); ++i) {
    if (IsAscii(stored[i])) {
      ++ascii;
    } else if (page.bytes[static_cast<unsigned char>(stored[i])].size == 0) {
      if (++i == stored.size()) return std::nullopt;
    }
  }
  return ascii;
}

size_t AsciiCount(std::string_view text) {
  size_t count = 0;
  for (char c : text) count += IsAscii(c) ? 1 : 0;
  return count;
}

}  // namespace

PageSet PageSetOf(int codePage) {
  const size_t index = PageIndex(codePage);
  return index < SupportedCodePages().size() ? PageSet{1} << index : 0;
}

bool ReadsAs(int codePage, std::string_view stored, std::string_view utf8) {
  const size_t index = PageIndex(codePage);
  if (index == SupportedCodePages().size()) return DecodeCodePage(codePage, stored) == utf8;
  const ByteReadings& page = Readings::get().of(index);
  if (!page.doubleByte) return SingleBytesReadAs(page, stored, utf8);
  const std::optional<size_t> ascii = AsciiLeftByLeadBytes(page, stored);
  if (!ascii || *ascii != AsciiCount(utf8)) return false;
  return DecodeCodePage(codePage, stored) == utf8;
}

bool KeepsAsciiApart(int codePage, std::string_view stored) {
  const size_t index = PageIndex(codePage);
  if (index == SupportedCodePages().size()) return true;
  const ByteReadings& page = Readings::get().of(index);
  if (!page.doubleByte) return true;
  for (size_t i = 0; i < stored.size(); ++i) {
    if (IsAscii(stored[i]) || page.bytes[static_cast<unsigned char>(stored[i])].size > 0) continue;
    // A lead byte (or one the page does not define): it takes the next one.
    if (++i == stored.size() || IsAscii(stored[i])) return false;
  }
  return true;
}

bool HoldsAccentOfItsOwn(int codePage, std::string_view stored) {
  const size_t index = PageIndex(codePage);
  if (index == SupportedCodePages().size()) return true;
  const ByteReadings& page = Readings::get().of(index);
  for (char c : stored) {
    if (page.bytes[static_cast<unsigned char>(c)].accent) return true;
  }
  return false;
}

PageSet PagesReadingAs1252(std::string_view stored) {
  const Readings& readings = Readings::get();
  PageSet pages = ~PageSet{0};
  for (char c : stored) pages &= readings.sameAs1252(static_cast<unsigned char>(c));
  return pages;
}

}  // namespace quernel
