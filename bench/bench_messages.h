#pragma once
// Realistic messages for the benchmark: header lines and body lines ending in
// CR LF, now and then a body line that mbox quoting must change, sizes spread
// exponentially around a mean, and names shared as in real mailboxes.

#include <cstdint>
#include <random>
#include <string>

#include "support/dbx_builder.h"

namespace quernel::testing {

enum class SharedNames {
  Mixed,     // a fifth of the messages share one sender and subject (a list)
  Same,      // every message has the same sender and subject
  Distinct,  // no two messages share them
};

class BenchMessages {
 public:
  BenchMessages(uint64_t seed, double meanBytes, SharedNames names);

  // The next message; the same seed gives the same sequence.
  TestMessage next();

 private:
  std::string body(size_t size);
  void line(std::string& text);

  std::mt19937_64 random_;
  std::exponential_distribution<double> sizes_;
  SharedNames names_;
  uint32_t index_ = 0;
};

// A whole mailbox of `count` such messages, built in memory.
std::string BenchMailboxBytes(uint32_t count, double meanBytes, SharedNames names);

}  // namespace quernel::testing
