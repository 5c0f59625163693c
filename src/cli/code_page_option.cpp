#include "cli/code_page_option.h"

#include <cstddef>

#include "platform/ascii.h"
#include "platform/code_pages.h"

namespace quernel {
namespace {

// "874, 932, 936, 949, 950 or 1250 to 1258", from the list itself.
std::string SupportedList() {
  std::string list;
  int rangeStart = 0;
  for (int codePage : SupportedCodePages()) {
    if (codePage >= 1250) {
      if (rangeStart == 0) rangeStart = codePage;
      continue;
    }
    list += std::to_string(codePage) + ", ";
  }
  if (list.size() >= 2) list.resize(list.size() - 2);
  const int rangeEnd = SupportedCodePages().back();
  return list + " or " + std::to_string(rangeStart) + " to " + std::to_string(rangeEnd);
}

}  // namespace

CodePageOption ParseCodePageOption(std::string_view argument) {
  CodePageOption option;
  if (!StartsWithIgnoringCase(argument, "-cp")) return option;
  const std::string_view digits = argument.substr(3);
  // At most 5 digits: the number stays far inside an int, however long the
  // argument.
  int number = 0;
  bool valid = !digits.empty() && digits.size() <= 5;
  for (size_t i = 0; valid && i < digits.size(); ++i) {
    const char c = digits[i];
    valid = c >= '0' && c <= '9';
    if (valid) number = number * 10 + (c - '0');
  }
  if (valid && IsSupportedCodePage(number)) {
    option.outcome = CodePageOption::Outcome::Valid;
    option.codePage = number;
    return option;
  }
  option.outcome = CodePageOption::Outcome::Invalid;
  option.failureLine = "Unknown code page in " + std::string(argument) + "! Use " + SupportedList() + ".\n";
  return option;
}

}  // namespace quernel
