#pragma once
// Windows-1252, the code page in which mailboxes from Western European
// machines store their string properties, seen from a UTF-8 program.

#include <cstddef>
#include <string>
#include <string_view>

namespace quernel {

// Converts Windows-1252 bytes to UTF-8. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 control characters
// of the same value, so that no byte is lost and none turns into a "?".
std::string Windows1252ToUtf8(std::string_view bytes);

// Maps the letters of Windows-1252, written in UTF-8, to upper or lower case
// in place: A-Z, À-Þ except ×, Š, Œ, Ž and Ÿ with their lower-case partners.
// Every pair is the same length in UTF-8, so the string's length never
// changes. Other characters and invalid UTF-8 stay as they are.
void ChangeWindows1252LetterCase(std::string& utf8, bool toUpper);

// 2 when s[pos] starts a UTF-8 C1 control character (C2 80 to C2 9F), else 0.
size_t Utf8C1ControlLength(std::string_view s, size_t pos);

}  // namespace quernel
