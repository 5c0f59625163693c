// Names from a mailbox read in a chosen code page, on Windows: bytes of that
// page, walked by its double-byte characters and case-mapped through UTF-16.

#include "platform/name_characters.h"

#include <optional>

#include "platform/text_rules.h"
#include "platform/win32/ansi_text_rules.h"
#include "platform/win32/code_page_wide.h"
#include "platform/win32/windows_api.h"

namespace quernel {
namespace {

bool IsSystemCodePage(int codePage) { return static_cast<UINT>(codePage) == GetACP(); }

// The code page's bytes for one UTF-16 character, or nothing when the page
// has no such character (no best-fit substitute is accepted).
std::optional<std::string> BytesInPage(UINT codePage, wchar_t wide) {
  char bytes[4];
  BOOL usedDefault = FALSE;
  const int length = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes,
                                         sizeof bytes, nullptr, &usedDefault);
  if (length <= 0 || usedDefault) return std::nullopt;
  return std::string(bytes, static_cast<size_t>(length));
}

}  // namespace

size_t CharacterStepIn(int codePage, std::string_view s, size_t pos) {
  // The system's own page by its own rules, also once the host's text is UTF-8.
  if (IsSystemCodePage(codePage)) return SystemAnsiTextRules().characterStep(s, pos);
  return pos + 1 < s.size() && IsDBCSLeadByteEx(static_cast<UINT>(codePage), static_cast<BYTE>(s[pos]))
             ? 2
             : 1;
}

size_t ControlCharacterLengthIn(int codePage, std::string_view s, size_t pos) {
  if (pos >= s.size() || static_cast<unsigned char>(s[pos]) < 0x80 || CharacterStepIn(codePage, s, pos) != 1) {
    return 0;
  }
  wchar_t wide = 0;
  const int length = MultiByteToWideChar(static_cast<UINT>(codePage), 0, s.data() + pos, 1, &wide, 1);
  return length == 1 && wide >= 0x80 && wide <= 0x9F ? 1 : 0;
}

size_t CharacterPrefixLengthIn(int codePage, std::string_view text, size_t limit) {
  return PrefixLengthByStepping(text, limit, [codePage](std::string_view s, size_t pos) {
    return CharacterStepIn(codePage, s, pos);
  });
}

void ChangeLetterCaseIn(int codePage, std::string& s, bool toUpper) {
  if (IsSystemCodePage(codePage)) {
    SystemAnsiTextRules().changeLetterCase(s, toUpper);
    return;
  }
  const UINT page = static_cast<UINT>(codePage);
  std::string mapped;
  mapped.reserve(s.size());
  size_t pos = 0;
  while (pos < s.size()) {
    const size_t step = CharacterStepIn(codePage, s, pos);
    const std::string_view character(s.data() + pos, step);
    pos += step;
    const std::wstring wide = CodePageToUtf16(page, character);
    if (wide.size() == 1 && wide[0] != L'_') {
      wchar_t counterpart = wide[0];
      if (toUpper) {
        CharUpperBuffW(&counterpart, 1);
      } else {
        CharLowerBuffW(&counterpart, 1);
      }
      if (counterpart != wide[0]) {
        if (const std::optional<std::string> bytes = BytesInPage(page, counterpart)) {
          mapped += *bytes;
          continue;
        }
      }
    }
    mapped.append(character);
  }
  s = std::move(mapped);
}

}  // namespace quernel
