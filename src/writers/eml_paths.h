#pragma once
// The paths of the eml writer: the directory a mailbox's messages go to, and
// the numbered variants of a message's name that are tried when it is taken.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/host.h"
#include "writers/eml_options.h"

namespace quernel {

// The directory that receives a mailbox's .eml files, ending in the path
// separator: the output directory (or the mailbox's own directory) plus,
// unless flat folders are asked for, a subdirectory named after the mailbox
// file without its extension. Paths and names follow `host`'s rules.
std::string EmlDirectory(const EmlOptions& options, std::string_view inputPath,
                         std::string_view inputFileName, const Host& host);

// The folder named after the mailbox file (its name without the extension)
// in the output directory, or beside the mailbox when there is none; ends in
// the path separator. A name that is empty or only dots and spaces
// ("...dbx") gets "_" for each of its characters (ReplaceDotsOnlyName), so
// that the folder is always inside the output directory. It takes a mailbox's .eml files (without flat folders)
// and its Maildir.
std::string MailboxFolder(std::string_view outputDirectory, std::string_view inputPath,
                          std::string_view inputFileName, const Host& host);

// `name` with "(number)" put before its last "." (at its end when it has
// none); number 0 stands for `name` itself. `text` finds the "." without
// taking a byte of a double-byte character for it.
std::string NumberedName(std::string_view name, uint64_t number, const TextRules& text);

// `name` with `insert` put before its last "." (at its end when it has none).
std::string InsertBeforeExtension(std::string_view name, std::string_view insert, const TextRules& text);

// The name a message's file is written under in its folder until it is
// complete: "\x7Fquernel.tmp", then "\x7Fquernel(1).tmp", ... for `number`
// 1, ... The naming turns DEL (0x7F) into a space, so no message is ever
// named so, and every file system quernel writes to takes it in a name.
std::string TemporaryEmlName(uint64_t number);

// Whether `fileName` is one of the names TemporaryEmlName gives.
bool IsTemporaryEmlName(std::string_view fileName);

// The pattern that expandPattern lists those names (and maybe more) with.
inline constexpr std::string_view kTemporaryEmlPattern = "\x7Fquernel*.tmp";

}  // namespace quernel
