#include "naming/folder_name.h"
#include "platform/host.h"

#include <gtest/gtest.h>

namespace quernel {
namespace {

TEST(FolderNameTest, CleanedForEveryHost) {
  const struct {
    std::string name;
    const char* expected;  // the same with and without the Windows rules
  } cases[] = {
      {"Work/Projects\\2005", "Work Projects 2005"},
      {"..", ""},
      {".", ""},
      {"../../etc", ".. .. etc"},
      {"", ""},
      {"Gelöschte Objekte", "Gelöschte Objekte"},
      {".hidden", ".hidden"},
      {"Mail.2004", "Mail.2004"},
      {"x\x7Fy", "x y"},
      {"x\xC2\x85y\xC2\x9F", "x y"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CleanFolderName(c.name, 1252, false, SystemHost().text), c.expected) << c.name;
    EXPECT_EQ(CleanFolderName(c.name, 1252, true, SystemHost().text), c.expected) << c.name << " (Windows)";
  }
}

TEST(FolderNameTest, WindowsRules) {
  const struct {
    const char* name;
    const char* windows;
    const char* posix;
  } cases[] = {
      {"CON", "CON_", "CON"},
      {"con", "con_", "con"},
      {"Nul.txt", "Nul_.txt", "Nul.txt"},
      {"aux .old", "aux_ .old", "aux .old"},
      {"COM1", "COM1_", "COM1"},
      {"lpt9.x.y", "lpt9_.x.y", "lpt9.x.y"},
      {"COM0", "COM0_", "COM0"},
      {"lpt0.log", "lpt0_.log", "lpt0.log"},
      {"COM\xC2\xB9", "COM\xC2\xB9_", "COM\xC2\xB9"},
      {"lpt\xC2\xB3.txt", "lpt\xC2\xB3_.txt", "lpt\xC2\xB3.txt"},
      {"COM\xE2\x81\xB4", "COM\xE2\x81\xB4", "COM\xE2\x81\xB4"},  // superscript 4 is no device
      {"CONIN$", "CONIN$_", "CONIN$"},
      {"conout$.txt", "conout$_.txt", "conout$.txt"},
      {"CONIN", "CONIN", "CONIN"},
      {"COM10", "COM10", "COM10"},
      {"CONSOLE", "CONSOLE", "CONSOLE"},
      {"x.CON", "x.CON", "x.CON"},
      {"Sent.", "Sent", "Sent."},
      {"Sent. . .", "Sent", "Sent. . ."},
      {"...", "", "..."},
      {"NUL...", "NUL_", "NUL..."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CleanFolderName(c.name, 1252, true, SystemHost().text), c.windows) << c.name;
    EXPECT_EQ(CleanFolderName(c.name, 1252, false, SystemHost().text), c.posix) << c.name;
  }
}

TEST(FolderNameTest, CutOnACharacterBoundaryToTheLimit) {
  const std::string ascii(300, 'a');
  EXPECT_EQ(CleanFolderName(ascii, 1252, false, SystemHost().text), std::string(kMaxFolderNameBytes, 'a'));
  // "ö" is two bytes in UTF-8: 199 ASCII bytes leave no room for it.
  const std::string split = std::string(199, 'b') + "ö" + "tail";
  EXPECT_EQ(CleanFolderName(split, 1252, false, SystemHost().text), std::string(199, 'b'));
  // A cut that ends in a space or a dot loses it again.
  const std::string spaced = std::string(199, 'c') + " d";
  EXPECT_EQ(CleanFolderName(spaced, 1252, false, SystemHost().text), std::string(199, 'c'));
  const std::string dotted = std::string(199, 'e') + ".f";
  EXPECT_EQ(CleanFolderName(dotted, 1252, true, SystemHost().text), std::string(199, 'e'));
  EXPECT_EQ(CleanFolderName(dotted, 1252, false, SystemHost().text), std::string(199, 'e') + ".");
}

}  // namespace
}  // namespace quernel
