#pragma once
// The Windows code pages quernel can read mailbox strings in, and the MIME
// charset labels that messages use, mapped to code pages as Windows read them.

#include <optional>
#include <span>
#include <string_view>

namespace quernel {

// The Windows ANSI code pages a mailbox can be read in: 874 (Thai), 932
// (Japanese), 936 (Simplified Chinese), 949 (Korean), 950 (Traditional
// Chinese) and 1250 to 1258, in ascending order.
std::span<const int> SupportedCodePages();
bool IsSupportedCodePage(int codePage);

// True for the supported pages whose characters take one or two bytes
// (932, 936, 949, 950); the others have one byte per character.
bool IsDoubleByteCodePage(int codePage);

// The code page number for ISO-2022-JP. Its text is turned into code page
// 932 bytes before decoding, so that it reads as Windows read it.
inline constexpr int kIso2022JpCodePage = 50220;

// The Windows code page number under which Windows decoded text labelled
// `charset` (a MIME charset name, compared without regard to ASCII case):
// "koi8-r" is 20866, "utf-8" 65001, "iso-8859-5" 28595. Labels that Windows
// read with one of its ANSI code pages map to that page: "iso-8859-1" to
// 1252, "shift_jis" to 932, "gb2312" to 936, "big5" to 950, "euc-kr" and
// "ks_c_5601-1987" to 949. Nothing for a label it does not know.
std::optional<int> CodePageOfCharset(std::string_view charset);

}  // namespace quernel
