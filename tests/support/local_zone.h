#pragma once
// Sets the TZ variable for the length of a test and restores it afterwards.

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace quernel::testing {

class LocalZone {
 public:
  explicit LocalZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) previous_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~LocalZone() {
    if (previous_) setenv("TZ", previous_->c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }
  LocalZone(const LocalZone&) = delete;
  LocalZone& operator=(const LocalZone&) = delete;

 private:
  std::optional<std::string> previous_;
};

}  // namespace quernel::testing
