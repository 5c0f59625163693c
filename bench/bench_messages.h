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

// The letters of subjects and sender names. Accented names are stored in
// Windows-1252 and labelled in the header as real clients labelled them:
// encoded words (Q and B, "iso-8859-1" and "windows-1252") and raw 8-bit
// text with the charset of Content-Type, in turn.
enum class NameLetters { Ascii, Accented };

class BenchMessages {
 public:
  BenchMessages(uint64_t seed, double meanBytes, SharedNames names,
                NameLetters letters = NameLetters::Ascii);

  // The next message; the same seed gives the same sequence.
  TestMessage next();

 private:
  std::string body(size_t size);
  void line(std::string& text);

  std::mt19937_64 random_;
  std::exponential_distribution<double> sizes_;
  SharedNames names_;
  NameLetters letters_;
  uint32_t index_ = 0;
};

// A whole mailbox of `count` such messages, built in memory.
std::string BenchMailboxBytes(uint32_t count, double meanBytes, SharedNames names);

}  // namespace quernel::testing
