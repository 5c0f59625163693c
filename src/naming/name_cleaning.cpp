#include "naming/name_cleaning.h"

#include <algorithm>
#include <string_view>

#include "platform/name_characters.h"

namespace quernel {
namespace {

// The ASCII controls: below 0x20, and DEL.
bool IsControlByte(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

// Spaces themselves included, so that every space goes through the collapsing.
bool BecomesSpace(unsigned char byte) {
  if (IsControlByte(byte)) return true;
  switch (byte) {
    case ' ': case '<': case '>': case '|': case '?': case '/':
    case '\\': case '"': case ':': case '*':
      return true;
    default:
      return false;
  }
}

// Writes the cleaned name over the original: the write position never passes
// the read position, and the text rules only look at bytes from `pos` on.
class InPlaceWriter {
 public:
  explicit InPlaceWriter(std::string& name) : name_(name) {}

  // A space that follows a space is dropped, and so is one at the start.
  void putSpace() {
    if (end_ > 0 && name_[end_ - 1] != ' ') name_[end_++] = ' ';
  }
  void putByte(char byte) { name_[end_++] = byte; }
  void finish() {
    if (end_ > 0 && name_[end_ - 1] == ' ') --end_;
    name_.resize(end_);
  }

 private:
  std::string& name_;
  size_t end_ = 0;
};

}  // namespace

void CleanFileName(std::string& name, int codePage, const TextRules& text) {
  InPlaceWriter writer(name);
  const std::string_view rest(name);  // cleaning never reallocates the string
  size_t pos = 0;
  while (pos < rest.size()) {
    if (const size_t extra = std::max(text.extraControlSequenceAt(rest, pos),
                                      ControlCharacterLengthIn(codePage, rest, pos))) {
      writer.putSpace();
      pos += extra;
      continue;
    }
    // A multi-byte character of the code page is copied whole: its later
    // bytes are never taken for one of the characters above.
    const size_t step = std::clamp<size_t>(CharacterStepIn(codePage, rest, pos), 1, rest.size() - pos);
    if (step == 1 && BecomesSpace(static_cast<unsigned char>(name[pos]))) {
      writer.putSpace();
    } else {
      for (size_t i = 0; i < step; ++i) {
        const char byte = name[pos + i];
        if (IsControlByte(static_cast<unsigned char>(byte))) writer.putSpace();
        else writer.putByte(byte);
      }
    }
    pos += step;
  }
  writer.finish();
}

void ReplaceDotsOnlyName(std::string& name) {
  if (name.find_first_not_of(". ") != std::string::npos) return;
  name.assign(std::max<size_t>(name.size(), 1), '_');
}

}  // namespace quernel
