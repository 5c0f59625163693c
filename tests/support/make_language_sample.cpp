// Writes the test mailbox of one language (support/language_samples.h), for
// the tests that run outside GoogleTest (the browser's).
//
// Usage: quernel_make_language_sample CODEPAGE OUTPUT.dbx

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "support/language_samples.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s CODEPAGE OUTPUT.dbx\n", argv[0]);
    return 2;
  }
  const auto& mailbox = quernel::testing::LanguageMailboxOf(std::atoi(argv[1]));
  const std::string bytes = quernel::testing::BuildMailbox(mailbox.messages);
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
    return 1;
  }
  return 0;
}
