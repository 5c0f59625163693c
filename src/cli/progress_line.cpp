#include "cli/progress_line.h"

#include <cstdio>

namespace quernel {

void ProgressLine::write(std::string_view text) {
  if (shown_) console_.write("\r\x1b[K");
  shown_ = false;
  console_.write(text);
}

void ProgressLine::start(int32_t total) {
  total_ = total;
  started_ = drawn_ = Clock::now();
}

void ProgressLine::update(int32_t done, uint64_t bytes) {
  const Clock::time_point now = Clock::now();
  if (!terminal_ || now - drawn_ < std::chrono::milliseconds(250)) return;
  drawn_ = now;
  const double seconds = std::chrono::duration<double>(now - started_).count();
  const double mib = static_cast<double>(bytes) / (1024.0 * 1024.0);
  const double perMessage = done > 0 ? seconds / done : 0;
  char line[160];
  std::snprintf(line, sizeof line, "\r  %d of %d messages, %.1f MiB, %.2f MiB/s, about %.0f s left\x1b[K", done,
                total_, mib, seconds > 0 ? mib / seconds : 0.0, perMessage * (total_ - done));
  console_.write(line);
  shown_ = true;
}

}  // namespace quernel
