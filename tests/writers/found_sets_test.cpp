#include "writers/found_sets.h"

#include <string>

#include <gtest/gtest.h>

#include "platform/host.h"

namespace quernel {
namespace {

// Each set's mbox file sits beside the mailbox's own, the set's name before
// the extension of the file name only (never of a directory).
TEST(MboxSetPath, PutsTheSetNameBeforeTheFileNamesExtension) {
  const std::string sep(1, SystemHost().paths.separator());
  const struct {
    std::string mbox, set, expected;
  } cases[] = {
      {"Inbox.mbx", "deleted", "Inbox.deleted.mbx"},
      {"Inbox", "recovered", "Inbox.recovered"},
      {"out" + sep + "Inbox.mbx", "damaged", "out" + sep + "Inbox.damaged.mbx"},
      {"out.d" + sep + "Inbox", "deleted", "out.d" + sep + "Inbox.deleted"},
      {"a.b.mbox", "recovered", "a.b.recovered.mbox"},
  };
  for (const auto& c : cases) EXPECT_EQ(MboxSetPath(c.mbox, c.set, SystemHost()), c.expected) << c.mbox;
}

}  // namespace
}  // namespace quernel
