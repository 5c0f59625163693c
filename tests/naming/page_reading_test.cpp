// The vote's shortcuts against the conversions they stand for: they must
// give exactly what DecodeCodePage and EncodeCodePage give.

#include "naming/page_reading.h"

#include <gtest/gtest.h>

#include <string>

#include "naming/code_page_detection.h"
#include "platform/code_page_conversion.h"
#include "platform/code_pages.h"
#include "platform/utf8.h"
#include "platform/windows1252.h"
#include "support/language_samples.h"

namespace quernel {
namespace {

using testing::LanguageMailbox;
using testing::LanguageMailboxes;
using testing::LanguageMessage;

// ReadsAs against DecodeCodePage for the page's own reading of `stored` and
// for 1252's; and a page said to keep ASCII apart wrongly would lose 1252's.
void ExpectReadsAsDecodes(int codePage, const std::string& stored) {
  const std::optional<std::string> own = DecodeCodePage(codePage, stored);
  if (own) {
    EXPECT_TRUE(ReadsAs(codePage, stored, *own)) << codePage << " " << stored;
  }
  const std::string western = Windows1252ToUtf8(stored);
  EXPECT_EQ(ReadsAs(codePage, stored, western), own == western) << codePage << " " << stored;
  if (!KeepsAsciiApart(codePage, stored)) {
    EXPECT_NE(own, western) << codePage << " " << stored;
  }
}

TEST(ReadsAs, GivesWhatDecodeCodePageGives) {
  for (int codePage : SupportedCodePages()) {
    for (const LanguageMailbox& language : LanguageMailboxes()) {
      for (const LanguageMessage& message : language.messages) {
        ExpectReadsAsDecodes(codePage, message.storedSubject);
        ExpectReadsAsDecodes(codePage, message.storedSenderName);
      }
    }
    // Every pair of a byte beyond ASCII and any byte, alone and before an
    // ASCII letter: each lead byte with each trail byte.
    for (int first = 0x80; first < 0x100; ++first) {
      for (int second = 0; second < 0x100; ++second) {
        const std::string pair{static_cast<char>(first), static_cast<char>(second)};
        ExpectReadsAsDecodes(codePage, pair);
        if (IsDoubleByteCodePage(codePage)) ExpectReadsAsDecodes(codePage, pair + "a");
      }
    }
  }
}

// A page that reads every byte of a field as 1252 does explains the field
// exactly when 1252 does; for 1255 and 1258 that needs their writing of a
// character to read back as that character wherever the bytes written are
// ones 1252 reads alike. Checked for every character of the BMP.
TEST(PagesReadingAs1252, ExplainWhat1252Explains) {
  for (int codePage : {1255, 1258}) {
    for (char32_t c = 1; c < 0x10000; ++c) {
      if (c >= 0xD800 && c <= 0xDFFF) continue;
      std::string text;
      AppendCodePointAsUtf8(text, c);
      const std::optional<std::string> written = EncodeCodePage(codePage, text);
      if (!written || !(PagesReadingAs1252(*written) & PageSetOf(codePage))) continue;
      EXPECT_EQ(DecodeCodePage(codePage, *written), text) << codePage << " U+" << std::hex << uint32_t{c};
    }
  }
  const std::string western = "Gr\xFC\xDF" "e aus K\xF6ln";
  const PageSet alike = PagesReadingAs1252(western);
  for (int codePage : {1250, 1254, 1257, 1258}) EXPECT_TRUE(alike & PageSetOf(codePage)) << codePage;
  for (int codePage : {932, 1251, 1253}) EXPECT_FALSE(alike & PageSetOf(codePage)) << codePage;
  for (int codePage : SupportedCodePages()) {
    const FieldEvidence field{western, Windows1252ToUtf8(western)};
    if (alike & PageSetOf(codePage)) {
      EXPECT_TRUE(Explains(codePage, field)) << codePage;
    }
  }
}

}  // namespace
}  // namespace quernel
