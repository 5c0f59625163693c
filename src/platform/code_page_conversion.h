#pragma once
// Conversion of text in a Windows code page, one implementation per OS
// (posix/: the C library's iconv; win32/: MultiByteToWideChar).

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/code_page.h"

namespace quernel {

// The replacement that a converter writes for a byte the code page does not
// define (or a lead byte without a valid trail byte): the same character
// that the naming turns unsafe characters into, so that a name keeps a
// visible place for it and conversion goes on after it.
inline constexpr char kInvalidByteReplacement = '_';

// The converter that reads mailbox strings in `codePage`, one of
// SupportedCodePages(); nullptr for any other number.
//
// Linux: UTF-8 out. 1252 keeps the Windows1252ToUtf8 conversion (its five
// undefined bytes become the C1 controls of the same value). In the other
// pages a byte or sequence the page does not define becomes
// kInvalidByteReplacement, except in 932, where the single bytes 0x80, 0xA0
// and 0xFD to 0xFF become U+0080 and U+F8F0 to U+F8F3 as on Windows. 1255 and
// 1258 keep a combining accent as a character of its own after its letter.
//
// Windows: the stored bytes unchanged, because names are made in the code
// page and only turned into UTF-16 when a file is created (see
// win32/code_page_wide.h).
std::unique_ptr<CodePageConverter> MakeCodePageConverter(int codePage);

// `bytes` in Windows code page `codePage` as UTF-8, or nothing when a byte
// sequence is not valid in the page or the page is unknown here. Takes the
// supported pages (read as MakeCodePageConverter reads them, without any
// replacement) and the pages CodePageOfCharset names: 20127 (ASCII), 65001
// (UTF-8), 65000 (UTF-7), 866, 20866 (KOI8-R), 21866 (KOI8-U), 28592 to 28599,
// 28603 and 28605 (ISO-8859-n), 51932 (EUC-JP), 54936 (GB18030).
std::optional<std::string> DecodeCodePage(int codePage, std::string_view bytes);

// UTF-8 `text` written in supported code page `codePage`, or nothing when a
// character has no form in the page. Letters with accents that 1255 and 1258
// write as a letter and a combining accent come out that way, so that text
// read with precomposed letters compares with what Windows stored.
std::optional<std::string> EncodeCodePage(int codePage, std::string_view text);

}  // namespace quernel
