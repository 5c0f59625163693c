#pragma once
// The last step of every expansion: makes a name safe to put behind a
// directory, whatever the template and the mailbox's values hold.

#include <string>

#include "platform/text_rules.h"

namespace quernel {

// Turns control characters (the bytes below 0x20, DEL (0x7F), and U+0080 to
// U+009F as the extra control sequences of `text`, the host's text rules,
// and ControlCharacterLengthIn of `codePage` find them) and the characters
// < > | ? / \ " : * into spaces, shrinks every run of spaces to one and
// removes a space at the start and at the end.
// `name` is walked by the characters of `codePage` (name_characters.h), so
// no byte of a multi-byte character is taken for one of those characters.
void CleanFileName(std::string& name, int codePage, const TextRules& text);

// A name that is empty or made only of dots and spaces would name the
// directory it is joined to or the one above it ("..", or "..." and ". ."
// once Windows has dropped the dots and spaces at a name's end): each of its
// characters becomes "_", and an empty name becomes "_". Other names stay.
void ReplaceDotsOnlyName(std::string& name);

}  // namespace quernel
