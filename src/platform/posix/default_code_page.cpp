// The default converter on Linux: mailboxes from Western European Windows
// store Windows-1252, and names on Linux are UTF-8.

#include "platform/code_page.h"
#include "platform/windows1252.h"

namespace quernel {
namespace {

class Windows1252Converter : public CodePageConverter {
 public:
  int codePage() const override { return 1252; }
  // The five undefined bytes become the C1 controls of the same value.
  std::string toNative(std::string_view stored) const override {
    return Windows1252ToUtf8(stored);
  }
};

}  // namespace

std::unique_ptr<CodePageConverter> MakeDefaultCodePageConverter() {
  return std::make_unique<Windows1252Converter>();
}

}  // namespace quernel
