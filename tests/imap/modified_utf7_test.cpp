// Modified UTF-7 folder names both ways.

#include <gtest/gtest.h>

#include "imap/modified_utf7.h"

namespace quernel {
namespace {

TEST(ModifiedUtf7Test, EncodesAndDecodesNames) {
  const struct {
    const char* utf8;
    const char* encoded;
  } cases[] = {
      {"Inbox", "Inbox"},
      {"Tom & Jerry", "Tom &- Jerry"},
      {"Entwürfe", "Entw&APw-rfe"},
      {"~peter/mail/台北/日本語", "~peter/mail/&U,BTFw-/&ZeVnLIqe-"},
      {"Gelöschte Objekte", "Gel&APY-schte Objekte"},
      {"😀", "&2D3eAA-"},  // outside the BMP: a surrogate pair
      {"a\tb", "a&AAk-b"},  // a control character is not sent as itself
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(EncodeModifiedUtf7(c.utf8), c.encoded);
    EXPECT_EQ(DecodeModifiedUtf7(c.encoded), c.utf8);
  }
}

TEST(ModifiedUtf7Test, SendsBytesThatAreNotUtf8AsReplacementCharacters) {
  EXPECT_EQ(EncodeModifiedUtf7("a\xFF" "b"), "a&,,0-b");
  EXPECT_EQ(EncodeModifiedUtf7("\xC0\xAF"), "&,,3,,Q-");  // overlong "/"
}

TEST(ModifiedUtf7Test, RefusesWhatIsNotModifiedUtf7) {
  for (const char* encoded : {"&", "&Jjo", "&Jjo!-", "&AGE-", "&2D0-", "\xC3\xA9", "&AP-"}) {
    SCOPED_TRACE(encoded);
    EXPECT_EQ(DecodeModifiedUtf7(encoded), std::nullopt);
  }
}

}  // namespace
}  // namespace quernel
