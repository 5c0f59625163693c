#pragma once

namespace quernel {

// The line "--version" prints: "quernel X.Y.Z\n", from the project's version.
extern const char* const kVersionLine;

}  // namespace quernel
