#include "platform/wildcard.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace quernel {
namespace {

struct MatchCase {
  const char* pattern;
  const char* name;
  bool matches;
};

TEST(WildcardMatch, Table) {
  const MatchCase cases[] = {
      {"*", "", true},
      {"*", "Inbox.dbx", true},
      {"", "", true},
      {"", "a", false},
      {"*.dbx", "Inbox.dbx", true},
      {"*.dbx", "Inbox.DBX", false},  // case matters
      {"*.dbx", "Inbox.dbx.bak", false},
      {"*.dbx", ".dbx", true},
      {"In*x.dbx", "Inbox.dbx", true},
      {"In*x.dbx", "Inx.dbx", true},
      {"?nbox.dbx", "Inbox.dbx", true},
      {"?nbox.dbx", "nbox.dbx", false},
      {"???", "ab", false},
      {"???", "abcd", false},
      {"a*b*c", "aXbYbZc", true},
      {"a*b*c", "aXbYbZ", false},
      {"*a*a*a*", "aaa", true},
      {"*a*a*a*", "aa", false},
      {"**", "x", true},
      {"*?", "", false},
      {"[ab].dbx", "[ab].dbx", true},  // brackets are ordinary characters
      {"[ab].dbx", "a.dbx", false},
      {"a\\*", "a\\xyz", true},       // so is the backslash
      {"a\\*", "a*", false},
      {"?.dbx", "é.dbx", true},       // "?" takes a whole UTF-8 character
      {"??.dbx", "é.dbx", false},
      {"?", "\xE9", true},            // or one byte that is not UTF-8
      {"*é", "aéé", true},
      {"*??", "€b", true},
      {"*???", "€b", false},
      {"*??a*", "€a€", false},  // a star never ends inside a character
      {"Ördner*", "Ördner 2", true},
  };
  for (const MatchCase& c : cases) {
    EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.matches) << c.pattern << " vs " << c.name;
  }
}

TEST(WildcardMatch, HostilePatternsTakeLittleTime) {
  const std::string name(4000, 'a');
  std::string pattern;
  for (int i = 0; i < 200; ++i) pattern += "*a";
  pattern += "b";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(WildcardMatch(pattern, name));
  EXPECT_TRUE(WildcardMatch(pattern.substr(0, pattern.size() - 1), name));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(HasWildcard, SeesOnlyStarAndQuestionMark) {
  EXPECT_TRUE(HasWildcard("a*"));
  EXPECT_TRUE(HasWildcard("a?"));
  EXPECT_FALSE(HasWildcard("a[1]\\b.dbx"));
}

}  // namespace
}  // namespace quernel
