#pragma once

namespace quernel {

// The usage text, printed exactly as it stands.
extern const char* const kUsageText;

}  // namespace quernel
