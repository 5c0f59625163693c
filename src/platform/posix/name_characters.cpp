// Names from a mailbox read in a chosen code page, on Linux: UTF-8 text whose
// letters are mapped by the C library within the characters of the page.

#include "platform/name_characters.h"

#include <locale.h>
#include <wctype.h>

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/code_page_conversion.h"
#include "platform/code_pages.h"
#include "platform/utf8.h"
#include "platform/windows1252.h"

namespace quernel {
namespace {

// The characters of one code page (all of them lie in the Basic Multilingual
// Plane), found by decoding every byte and, in the double-byte pages, every
// lead and trail byte pair.
class PageCharacters {
 public:
  explicit PageCharacters(int codePage) : present_(0x10000, false) {
    std::string bytes;
    for (int first = 0; first < 256; ++first) {
      bytes.assign(1, static_cast<char>(first));
      note(codePage, bytes);
      if (!IsDoubleByteCodePage(codePage) || first < 0x81 || first == 0xFF) continue;
      for (int second = 0x40; second < 0xFF; ++second) {
        bytes.assign({static_cast<char>(first), static_cast<char>(second)});
        note(codePage, bytes);
      }
    }
  }

  bool has(char32_t cp) const { return cp < present_.size() && present_[cp]; }

 private:
  void note(int codePage, const std::string& bytes) {
    const std::optional<std::string> utf8 = DecodeCodePage(codePage, bytes);
    if (!utf8) return;
    const size_t length = Utf8SequenceLength(*utf8, 0);
    if (length == 0 || length != utf8->size()) return;  // one character only
    const char32_t cp = DecodeUtf8(*utf8, 0, length);
    if (cp < present_.size()) present_[cp] = true;
  }

  std::vector<bool> present_;
};

const PageCharacters& CharactersOf(int codePage) {
  // Built on first use, once per page (the program has one thread).
  static std::map<int, std::unique_ptr<PageCharacters>> pages;
  std::unique_ptr<PageCharacters>& page = pages[codePage];
  if (!page) page = std::make_unique<PageCharacters>(codePage);
  return *page;
}

// The "C.UTF-8" locale for the case mapping alone: the program's own locale,
// which strftime uses, stays as it is. Null where the system lacks it.
locale_t CaseLocale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  return locale;
}

char AsciiCase(char c, bool toUpper) {
  if (toUpper && c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  if (!toUpper && c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
  return c;
}

}  // namespace

size_t CharacterStepIn(int, std::string_view, size_t) { return 1; }

size_t ControlCharacterLengthIn(int, std::string_view, size_t) { return 0; }

size_t CharacterPrefixLengthIn(int, std::string_view text, size_t limit) {
  return Utf8PrefixLength(text, limit);
}

void ChangeLetterCaseIn(int codePage, std::string& s, bool toUpper) {
  if (codePage == 1252) {
    ChangeWindows1252LetterCase(s, toUpper);
    return;
  }
  const locale_t locale = CaseLocale();
  const PageCharacters* page = nullptr;  // built only when a letter beyond ASCII comes
  std::string mapped;
  mapped.reserve(s.size());
  size_t pos = 0;
  while (pos < s.size()) {
    const size_t length = Utf8SequenceLength(s, pos);
    if (length <= 1) {  // ASCII, or a byte that is no UTF-8: copied as it is
      mapped.push_back(length == 1 ? AsciiCase(s[pos], toUpper) : s[pos]);
      ++pos;
      continue;
    }
    const char32_t cp = DecodeUtf8(s, pos, length);
    char32_t counterpart = cp;
    if (locale != static_cast<locale_t>(0)) {
      const wint_t wide = static_cast<wint_t>(cp);
      counterpart = static_cast<char32_t>(toUpper ? towupper_l(wide, locale) : towlower_l(wide, locale));
    }
    if (counterpart != cp) {
      if (page == nullptr) page = &CharactersOf(codePage);
      if (!page->has(counterpart)) counterpart = cp;
    }
    if (counterpart == cp) {
      mapped.append(s, pos, length);
    } else {
      AppendCodePointAsUtf8(mapped, counterpart);
    }
    pos += length;
  }
  s = std::move(mapped);
}

}  // namespace quernel
