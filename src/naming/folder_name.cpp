#include "naming/folder_name.h"

#include <optional>

#include "naming/name_cleaning.h"
#include "platform/code_page_conversion.h"
#include "platform/name_characters.h"

namespace quernel {

namespace {

constexpr std::string_view kDeviceNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
constexpr std::string_view kNumberedDevices[] = {"COM", "LPT"};
// Windows numbers COM and LPT with these as well as with 0 to 9.
constexpr std::string_view kSuperscriptDigits[] = {"\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameAsciiLetters(std::string_view a, std::string_view upper) {
  if (a.size() != upper.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != upper[i]) return false;
  }
  return true;
}

// A digit or superscript digit, as names are written: in UTF-8, or in the
// bytes of `codePage` where names stay in it (Windows).
bool IsDeviceNumber(std::string_view number, int codePage) {
  if (number.size() == 1 && number[0] >= '0' && number[0] <= '9') return true;
  for (std::string_view superscript : kSuperscriptDigits) {
    if (number == superscript) return true;
    const std::optional<std::string> inPage = EncodeCodePage(codePage, superscript);
    if (inPage && number == *inPage) return true;
  }
  return false;
}

bool IsDeviceName(std::string_view stem, int codePage) {
  for (std::string_view device : kDeviceNames) {
    if (SameAsciiLetters(stem, device)) return true;
  }
  if (stem.size() < 4) return false;
  for (std::string_view device : kNumberedDevices) {
    if (SameAsciiLetters(stem.substr(0, 3), device)) return IsDeviceNumber(stem.substr(3), codePage);
  }
  return false;
}

// Windows takes the part before the first "." (spaces at its end ignored)
// for a device when it is one of the reserved names.
void AvoidDeviceName(std::string& name, int codePage) {
  size_t stemEnd = name.find('.');
  if (stemEnd == std::string::npos) stemEnd = name.size();
  while (stemEnd > 0 && name[stemEnd - 1] == ' ') --stemEnd;
  const std::string_view whole(name);
  if (IsDeviceName(whole.substr(0, stemEnd), codePage)) {
    name = std::string(whole.substr(0, stemEnd)) + "_" + std::string(whole.substr(stemEnd));
  }
}

// Windows drops dots and spaces at the end of a name, so two names that
// differ only there would meet.
void TrimEnd(std::string& name, bool windowsRules) {
  while (!name.empty() && (name.back() == ' ' || (windowsRules && name.back() == '.'))) {
    name.pop_back();
  }
}

}  // namespace

std::string CleanFolderName(std::string_view name, int codePage, bool windowsRules, const TextRules& text) {
  std::string cleaned(name);
  CleanFileName(cleaned, codePage, text);
  TrimEnd(cleaned, windowsRules);
  if (windowsRules) AvoidDeviceName(cleaned, codePage);
  cleaned.resize(CharacterPrefixLengthIn(codePage, cleaned, kMaxFolderNameBytes));
  TrimEnd(cleaned, windowsRules);
  if (cleaned == "." || cleaned == "..") cleaned.clear();
  return cleaned;
}

std::string FoldedFolderName(std::string_view name, int codePage) {
  std::string folded(name);
  ChangeLetterCaseIn(codePage, folded, false);
  return folded;
}

}  // namespace quernel
