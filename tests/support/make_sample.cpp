// Writes the bundled sample mailbox (samples/Inbox.dbx) with the test-mailbox
// builder: a handful of made-up messages that show what quernel handles.
//
// Usage: quernel_make_sample OUTPUT.dbx

#include <cstdio>
#include <fstream>
#include <string>

#include "support/sample_mailbox.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.dbx\n", argv[0]);
    return 2;
  }
  const std::string bytes = quernel::testing::SampleInbox().build().bytes;
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
