#pragma once
// Hosts for tests besides the system's own: the Windows rules on any system,
// so that what depends on them runs in the Linux unit tests.

#include "platform/backslash_path_rules.h"
#include "platform/host.h"
#include "platform/utf8_text_rules.h"

namespace quernel::testing {

// "\" paths, the Windows device names refused, "!" before Maildir flags, and
// UTF-8 text as the Windows host has it once a code page is chosen; the
// system's calendar.
inline const Host& WindowsRulesHost() {
  static const Utf8TextRules text;
  static const BackslashPathRules paths(text);
  static const Host host{paths, text, SystemHost().calendar, PositionalStyle::InputThenOutput};
  return host;
}

}  // namespace quernel::testing
