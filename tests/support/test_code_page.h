#pragma once
// A code-page converter for tests: Windows-1252 bytes to UTF-8, what the
// default converter does on Linux, without depending on it.

#include <string>
#include <string_view>

#include "platform/code_page.h"
#include "platform/windows1252.h"

namespace quernel::testing {

class Windows1252TestConverter : public CodePageConverter {
 public:
  int codePage() const override { return 1252; }
  std::string toNative(std::string_view stored) const override { return Windows1252ToUtf8(stored); }
};

}  // namespace quernel::testing
