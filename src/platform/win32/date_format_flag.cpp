// The strftime flags the Windows C runtimes accept.

#include "platform/host.h"

namespace quernel {

bool IsDateFormatFlag(char c) { return c == '#'; }

}  // namespace quernel
