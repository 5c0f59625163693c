#include "cli/version.h"

namespace quernel {

// QUERNEL_VERSION comes from the build, which takes it from project(VERSION).
const char* const kVersionLine = "quernel " QUERNEL_VERSION "\n";

}  // namespace quernel
