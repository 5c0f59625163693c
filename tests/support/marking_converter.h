#pragma once
// MarkingConverter: a code-page converter that puts brackets around every
// string it converts, so that tests can see which strings went through the
// converter they passed, and that each went through it once.

#include <string>
#include <string_view>

#include "platform/code_page.h"

namespace quernel::testing {

class MarkingConverter : public CodePageConverter {
 public:
  int codePage() const override { return 0; }
  std::string toNative(std::string_view stored) const override {
    return "[" + std::string(stored) + "]";
  }
};

}  // namespace quernel::testing
