// Windows keeps device names out of every directory and trims names' ends.

#include "platform/name_rules.h"

namespace quernel {

bool HostRefusesWindowsNames() { return true; }

}  // namespace quernel
