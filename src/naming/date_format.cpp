#include "naming/date_format.h"

#include <cstring>
#include <ctime>
#include <optional>
#include <string_view>


namespace quernel {
namespace {

// Longer results give an empty value.
constexpr size_t kLongestResult = 127;

bool IsLibraryConversion(char letter) {
  return letter != '\0' && std::strchr("aAbBdHIjmMpSUwWxXyYzZ", letter) != nullptr;
}

// Collects the formatted text in a fixed buffer; anything past the longest
// allowed result marks it as too long.
class DateText {
 public:
  void append(std::string_view text) {
    if (text.size() > kLongestResult - used_) {
      overflow_ = true;
      return;
    }
    std::memcpy(buffer_ + used_, text.data(), text.size());
    used_ += text.size();
  }
  void append(char c) { append(std::string_view(&c, 1)); }

  // One conversion at a time through strftime, so that no conversion quernel
  // does not know ever reaches the C library.
  // `flag` is a flag character the platform's strftime accepts, or 0.
  void appendConversion(const std::tm& calendar, char flag, char letter) {
    // A leading mark makes every fitting result at least one byte long, so
    // that strftime's 0 can only mean "does not fit", never "empty" (%p, %Z).
    char format[5] = {'x', '%', letter, '\0', '\0'};
    if (flag != '\0') {
      format[2] = flag;
      format[3] = letter;
    }
    char piece[kLongestResult + 2];
    const size_t length = std::strftime(piece, sizeof piece, format, &calendar);
    if (length == 0) {
      overflow_ = true;
      return;
    }
    append(std::string_view(piece + 1, length - 1));
  }

  bool overflowed() const { return overflow_; }
  std::string result() const { return overflow_ ? std::string() : std::string(buffer_, used_); }

 private:
  char buffer_[kLongestResult];
  size_t used_ = 0;
  bool overflow_ = false;
};

// Appends the text of the conversion that begins after a "%" at format[pos]
// and returns the position after it, or nothing when the format ends before
// the conversion letter.
std::optional<size_t> AppendConversion(std::string_view format, size_t pos, const std::tm& local,
                                       const Calendar& calendar, DateText& text) {
  const char flag = pos < format.size() && calendar.isDateFormatFlag(format[pos]) ? format[pos] : '\0';
  if (flag != '\0') ++pos;
  if (pos >= format.size()) return std::nullopt;
  const char letter = format[pos];
  if (letter == '%') {
    text.append('%');
  } else if (letter == 'c') {
    // The date and the time joined by one space, as the default locale has it.
    text.appendConversion(local, flag, 'x');
    text.append(' ');
    text.appendConversion(local, flag, 'X');
  } else if (IsLibraryConversion(letter)) {
    text.appendConversion(local, flag, letter);
  }
  // Any other character after "%" is a conversion without text.
  return pos + 1;
}

}  // namespace

std::string FormatMessageTime(MessageTime time, std::string_view format, const Calendar& calendar) {
  if (time < 0) return {};
  const std::optional<std::tm> local = calendar.toLocal(time);
  if (!local) return {};
  DateText text;
  size_t pos = 0;
  while (pos < format.size() && !text.overflowed()) {
    const size_t percent = format.find('%', pos);
    text.append(format.substr(pos, percent - pos));
    if (percent == std::string_view::npos) break;
    const std::optional<size_t> next = AppendConversion(format, percent + 1, *local, calendar, text);
    if (!next) return {};  // a format ending in a lone "%" gives no date
    pos = *next;
  }
  return text.result();
}

}  // namespace quernel
