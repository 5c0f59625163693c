#pragma once
// Folder names as path components: a store's display names become the names
// of files and directories in the output folder.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/text_rules.h"

namespace quernel {

// The most bytes a folder name keeps, before a number is added to make it
// unique: room is left for "(n)" and ".sbd" within the usual 255-byte limit.
inline constexpr size_t kMaxFolderNameBytes = 200;

// `name` (in the program's character set) made safe as one path component,
// or empty when nothing usable is left. It is cleaned like the names the
// naming templates make (no separators, no control characters), cut on a
// character boundary to at most kMaxFolderNameBytes, and never "." or "..";
// the characters are those of `codePage`, as the naming walks them.
// With `windowsRules` it also ends in no dot or space, and a reserved device
// name (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0 to COM9, LPT0 to LPT9,
// COM¹ to COM³ and LPT¹ to LPT³, in any letter case and with any extension)
// gets a "_" behind it: "con.txt" becomes "con_.txt".
// `text` is the host's text rules, which the cleaning takes its extra control
// sequences from.
std::string CleanFolderName(std::string_view name, int codePage, bool windowsRules, const TextRules& text);

// `name` with every letter in lower case, for telling which folder names a
// drive that ignores letter case (Windows, macOS) takes for the same: the
// letters of `codePage`, the page the name was converted from, are mapped,
// Cyrillic and Greek as well as Latin.
std::string FoldedFolderName(std::string_view name, int codePage);

}  // namespace quernel
