// The POSIX and the Windows path and text rules, side by side. The Windows
// rules run here with the lead bytes of code page 932 (Shift-JIS), whose
// double-byte characters may end in 0x5C ("\"), as "表" (95 5C) does.

#include <gtest/gtest.h>

#include <bitset>
#include <string>

#include "platform/backslash_path_rules.h"
#include "platform/double_byte_text_rules.h"
#include "platform/slash_path_rules.h"
#include "platform/utf8_text_rules.h"

namespace quernel {
namespace {

std::bitset<256> ShiftJisLeadBytes() {
  std::bitset<256> lead;
  for (int byte = 0x81; byte <= 0x9F; ++byte) lead[byte] = true;
  for (int byte = 0xE0; byte <= 0xFC; ++byte) lead[byte] = true;
  return lead;
}

const DoubleByteTextRules kShiftJis(ShiftJisLeadBytes());
const BackslashPathRules kWindowsPaths(kShiftJis);
const Utf8TextRules kUtf8;
const SlashPathRules kPosixPaths;

const std::string kTable = "\x95\x5C";  // "表": its second byte is "\"

struct PathCase {
  const PathRules& rules;
  std::string path;
  bool endsWithSeparator;
  std::string directoryPart;
  std::string fileNamePart;
};

TEST(PathRules, SplitPathsAtTheirSeparatorsOnly) {
  const PathCase cases[] = {
      {kPosixPaths, "/home/me/Inbox.dbx", false, "/home/me", "Inbox.dbx"},
      {kPosixPaths, "out/", true, "out", ""},
      {kPosixPaths, "Inbox.dbx", false, "Inbox.dbx", "Inbox.dbx"},
      {kPosixPaths, "c:a\\b.dbx", false, "c:a\\b.dbx", "c:a\\b.dbx"},
      {kPosixPaths, "", false, "", ""},
      {kWindowsPaths, "C:\\mail\\Inbox.dbx", false, "C:\\mail", "Inbox.dbx"},
      {kWindowsPaths, "out\\", true, "out", ""},
      {kWindowsPaths, "out/", false, "out/", ""},  // "/" ends a name, never a directory
      {kWindowsPaths, "c:Inbox.dbx", false, "c:Inbox.dbx", "Inbox.dbx"},
      {kWindowsPaths, "d\\" + kTable, false, "d", kTable},  // no separator in "表"
      {kWindowsPaths, kTable + "\\x", false, kTable, "x"},
      {kWindowsPaths, "\x95", false, "\x95", "\x95"},  // a lead byte at the end alone
      {kWindowsPaths, "", false, "", ""},
  };
  for (const PathCase& c : cases) {
    EXPECT_EQ(c.rules.endsWithSeparator(c.path), c.endsWithSeparator) << c.path;
    EXPECT_EQ(c.rules.directoryPart(c.path), c.directoryPart) << c.path;
    EXPECT_EQ(c.rules.fileNamePart(c.path), c.fileNamePart) << c.path;
  }
}

TEST(PathRules, JoinAddsTheSeparatorOnlyWhereNoneEnds) {
  EXPECT_EQ(kPosixPaths.join("out", "a.mbx"), "out/a.mbx");
  EXPECT_EQ(kPosixPaths.join("out/", "a.mbx"), "out/a.mbx");
  EXPECT_EQ(kPosixPaths.join("out\\", "a.mbx"), "out\\/a.mbx");
  EXPECT_EQ(kWindowsPaths.join("out", "a.mbx"), "out\\a.mbx");
  EXPECT_EQ(kWindowsPaths.join("out\\", "a.mbx"), "out\\a.mbx");
  EXPECT_EQ(kWindowsPaths.join(kTable, "a.mbx"), kTable + "\\a.mbx");
  EXPECT_FALSE(kPosixPaths.refusesWindowsNames());
  EXPECT_TRUE(kWindowsPaths.refusesWindowsNames());
}

struct PrefixCase {
  const TextRules& rules;
  std::string text;
  size_t limit;
  size_t prefix;
};

TEST(TextRules, CutNamesOnCharacterBoundaries) {
  const PrefixCase cases[] = {
      {kShiftJis, "a" + kTable + "b", 2, 1},  // would split "表"
      {kShiftJis, "a" + kTable + "b", 3, 3},
      {kShiftJis, "a" + kTable + "b", 9, 4},
      {kShiftJis, "ab\x95", 3, 3},  // a trailing lead byte is a character of its own
      {kShiftJis, "abc", 0, 0},
      {kUtf8, "a\xC3\xA9z", 2, 1},  // would split "é"
      {kUtf8, "a\xC3\xA9z", 3, 3},
      {kUtf8, kTable, 1, 1},  // not UTF-8: bytes stand alone
  };
  for (const PrefixCase& c : cases) {
    EXPECT_EQ(c.rules.characterPrefixLength(c.text, c.limit), c.prefix) << c.text << " " << c.limit;
  }
}

TEST(TextRules, StepOverDoubleByteCharacters) {
  const std::string name = "x" + kTable + ".";
  EXPECT_EQ(kShiftJis.characterStep(name, 0), 1u);
  EXPECT_EQ(kShiftJis.characterStep(name, 1), 2u);  // "表" whole
  EXPECT_EQ(kShiftJis.characterStep(name, 3), 1u);
  for (size_t pos = 0; pos < name.size(); ++pos) EXPECT_EQ(kUtf8.characterStep(name, pos), 1u);
  EXPECT_EQ(LastCharacterOf(kShiftJis, name, "\\"), std::string::npos);
  EXPECT_EQ(LastCharacterOf(kUtf8, name, "\\"), 2u);
}

struct ExtensionCase {
  std::string fileName;
  std::string withoutExtension;
};

TEST(TextRules, WithoutExtensionDropsFromTheLastDot) {
  const ExtensionCase cases[] = {
      {"Inbox.dbx", "Inbox"},
      {"Sent Items.old.dbx", "Sent Items.old"},
      {"Inbox", "Inbox"},
      {".dbx", ""},
      {"Inbox.", "Inbox"},
      {kTable + ".dbx", kTable},
  };
  for (const ExtensionCase& c : cases) {
    EXPECT_EQ(WithoutExtension(kShiftJis, c.fileName), c.withoutExtension) << c.fileName;
    EXPECT_EQ(WithoutExtension(kUtf8, c.fileName), c.withoutExtension) << c.fileName;
  }
}

TEST(TextRules, DoubleByteCaseLeavesSecondBytesAlone) {
  // "ソ" is 83 5C and "ア" 83 41: the "A" inside must not become "a".
  std::string name = "Ab\x83\x41" "c";
  kShiftJis.changeLetterCase(name, false);
  EXPECT_EQ(name, "ab\x83\x41" "c");
  kShiftJis.changeLetterCase(name, true);
  EXPECT_EQ(name, "AB\x83\x41" "C");
}

}  // namespace
}  // namespace quernel
