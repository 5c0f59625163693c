#pragma once
// ProgressLine: a console whose last line may be a progress line, redrawn
// in place on a terminal and never written elsewhere. Any other line first
// clears it, so that lines and progress do not run into each other.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/console.h"

namespace quernel {

class ProgressLine : public Console {
 public:
  ProgressLine(Console& console, bool terminal) : console_(console), terminal_(terminal) {}

  void write(std::string_view text) override;
  void messageDone() override { console_.messageDone(); }

  // Starts counting for a folder of `total` messages.
  void start(int32_t total);
  // `done` messages dealt with, `bytes` sent; redrawn at most four times a second.
  void update(int32_t done, uint64_t bytes);

 private:
  using Clock = std::chrono::steady_clock;

  Console& console_;
  const bool terminal_;
  bool shown_ = false;
  int32_t total_ = 0;
  Clock::time_point started_;
  Clock::time_point drawn_;
};

}  // namespace quernel
