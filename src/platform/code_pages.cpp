#include "platform/code_pages.h"

#include <algorithm>
#include <array>

#include "platform/ascii.h"

namespace quernel {
namespace {

constexpr std::array<int, 14> kSupported = {874,  932,  936,  949,  950,  1250, 1251,
                                            1252, 1253, 1254, 1255, 1256, 1257, 1258};

struct CharsetLabel {
  std::string_view label;
  int codePage;
};

// Labels as Windows' MIME database named them, with the aliases that mail
// clients commonly wrote. Labels of the form "windows-N" and "cpN" are read
// by CodePageOfCharset itself.
constexpr CharsetLabel kLabels[] = {
    {"us-ascii", 20127},        {"ascii", 20127},           {"ansi_x3.4-1968", 20127},
    {"utf-8", 65001},           {"utf8", 65001},            {"utf-7", 65000},
    {"iso-8859-1", 1252},       {"iso8859-1", 1252},        {"latin1", 1252},
    {"iso-8859-2", 28592},      {"iso-8859-3", 28593},      {"iso-8859-4", 28594},
    {"iso-8859-5", 28595},      {"iso-8859-6", 28596},      {"iso-8859-7", 28597},
    {"iso-8859-8", 28598},      {"iso-8859-8-i", 28598},    {"iso-8859-9", 28599},
    {"iso-8859-13", 28603},     {"iso-8859-15", 28605},     {"latin2", 28592},
    {"tis-620", 874},           {"iso-8859-11", 874},       {"koi8-r", 20866},
    {"koi8r", 20866},           {"koi8-u", 21866},          {"ibm866", 866},
    {"shift_jis", 932},         {"shift-jis", 932},         {"sjis", 932},
    {"x-sjis", 932},            {"ms_kanji", 932},          {"csshiftjis", 932},
    {"windows-31j", 932},       {"euc-jp", 51932},          {"x-euc-jp", 51932},
    {"iso-2022-jp", kIso2022JpCodePage},                    {"csiso2022jp", kIso2022JpCodePage},
    {"gb2312", 936},            {"gbk", 936},               {"x-gbk", 936},
    {"euc-cn", 936},            {"x-euc-cn", 936},          {"csgb2312", 936},
    {"gb_2312-80", 936},        {"gb18030", 54936},         {"big5", 950},
    {"x-x-big5", 950},          {"csbig5", 950},            {"ks_c_5601-1987", 949},
    {"ks_c_5601", 949},         {"ks_c_5601-1989", 949},    {"ksc5601", 949},
    {"ksc_5601", 949},          {"csksc56011987", 949},     {"korean", 949},
    {"euc-kr", 949},            {"x-euc-kr", 949},          {"cseuckr", 949},
};

// The number behind `prefix` when `label` is the prefix and 3 or 4 digits
// naming a supported page or 866 ("windows-1251", "cp932", "x-cp1250").
std::optional<int> NumberedPage(std::string_view label, std::string_view prefix) {
  if (!StartsWithIgnoringCase(label, prefix)) return std::nullopt;
  const std::string_view digits = label.substr(prefix.size());
  if (digits.size() < 3 || digits.size() > 4) return std::nullopt;
  int number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
  }
  if (IsSupportedCodePage(number) || number == 866) return number;
  return std::nullopt;
}

}  // namespace

std::span<const int> SupportedCodePages() { return kSupported; }

bool IsSupportedCodePage(int codePage) {
  return std::binary_search(kSupported.begin(), kSupported.end(), codePage);
}

bool IsDoubleByteCodePage(int codePage) {
  return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

std::optional<int> CodePageOfCharset(std::string_view charset) {
  for (const CharsetLabel& known : kLabels) {
    if (EqualsIgnoringCase(known.label, charset)) return known.codePage;
  }
  for (std::string_view prefix : {"windows-", "cp", "x-cp"}) {
    if (const std::optional<int> page = NumberedPage(charset, prefix)) return page;
  }
  return std::nullopt;
}

}  // namespace quernel
