// Writes the mailboxes of the README's examples into a folder (samples/)
// with the test-mailbox builder; the sample store is quernel_make_sample_store's.
//
// Usage: quernel_make_sample DIRECTORY

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/tour_samples.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
    return 2;
  }
  bool ok = true;
  for (const auto& [name, bytes] : quernel::testing::TourSampleFiles()) {
    const std::filesystem::path path = std::filesystem::path(argv[1]) / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::fprintf(stderr, "%s: cannot write %s\n", argv[0], path.c_str());
      ok = false;
    }
  }
  return ok ? 0 : 1;
}
