// The default converter on Windows: names are made in the system's ANSI code
// page, which is the page a mailbox written on the same system stores, so the
// stored bytes are used as they are.

#include "platform/code_page.h"
#include "platform/win32/windows_api.h"

namespace quernel {
namespace {

class SystemAnsiConverter : public CodePageConverter {
 public:
  int codePage() const override { return static_cast<int>(GetACP()); }
  std::string toNative(std::string_view stored) const override { return std::string(stored); }
};

}  // namespace

std::unique_ptr<CodePageConverter> MakeDefaultCodePageConverter() {
  return std::make_unique<SystemAnsiConverter>();
}

}  // namespace quernel
