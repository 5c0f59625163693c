#pragma once
// How the candidate code pages read stored bytes, answered for the vote
// without converting whole strings: whether a page turns stored bytes into
// given text, and which pages read them exactly as Windows-1252 does.

#include <cstdint>
#include <string_view>

namespace quernel {

// A set of supported code pages: bit k stands for SupportedCodePages()[k].
using PageSet = uint32_t;
PageSet PageSetOf(int codePage);

// True exactly when DecodeCodePage(codePage, stored) gives `utf8`, for a
// supported page. Single-byte pages compare byte by byte through a table;
// a double-byte page is converted only when its lead bytes leave as many
// ASCII characters as `utf8` holds.
bool ReadsAs(int codePage, std::string_view stored, std::string_view utf8);

// False when a double-byte page reads an ASCII byte of `stored` as part of
// a character of two bytes, or finds a lead byte at its end: then it cannot
// read the bytes as any text with as many ASCII characters as they hold
// (such as 1252's reading of them).
bool KeepsAsciiApart(int codePage, std::string_view stored);

// True when `stored` holds a byte that `codePage` reads as an accent of its
// own (a combining mark): only then can 1255 or 1258 write a header's text
// as those bytes without reading the bytes as that text.
bool HoldsAccentOfItsOwn(int codePage, std::string_view stored);

// The supported pages that read each byte of `stored` as Windows-1252 reads
// it. They explain a field of such bytes exactly when 1252 does: 1255 and
// 1258 too, whose comparison the other way round (EncodeCodePage) can only
// differ on bytes that are accents of their own, which 1252 has none of.
PageSet PagesReadingAs1252(std::string_view stored);

}  // namespace quernel
