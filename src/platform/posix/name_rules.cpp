// POSIX file systems take every name without "/" and NUL, "." and ".." aside.

#include "platform/name_rules.h"

namespace quernel {

bool HostRefusesWindowsNames() { return false; }

}  // namespace quernel
