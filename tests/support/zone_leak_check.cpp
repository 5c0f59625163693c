// Fails a test that leaves the TZ variable other than it found it: a later
// test would then format dates in that zone, and results would depend on the
// order in which tests run. Tests change TZ through LocalZone, which restores
// it.

#include <cstdlib>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace quernel::testing {
namespace {

std::optional<std::string> CurrentZone() {
  const char* zone = std::getenv("TZ");
  return zone != nullptr ? std::optional<std::string>(zone) : std::nullopt;
}

std::string Shown(const std::optional<std::string>& zone) {
  return zone ? "\"" + *zone + "\"" : "unset";
}

class ZoneLeakCheck : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { before_ = CurrentZone(); }
  void OnTestEnd(const ::testing::TestInfo&) override {
    const std::optional<std::string> after = CurrentZone();
    EXPECT_EQ(Shown(after), Shown(before_)) << "the test changed TZ and did not restore it";
  }
  std::optional<std::string> before_;
};

const bool kRegistered = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new ZoneLeakCheck);
  return true;
}();

}  // namespace
}  // namespace quernel::testing
