// Writes a large mailbox for the benchmark, streamed out message by message
// so that memory stays small whatever the size:
//
//   quernel_bench_mailbox OUT MESSAGES MEAN_BYTES mixed|same|distinct [ascii|accented] [SEED]
//
// mixed: a fifth of the messages share one sender and subject (a mailing
// list), the rest have their own; same: all share them; distinct: none do.
// accented: the names hold Windows-1252 letters, the twin of ascii (the
// default) with the same message sizes.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "bench_messages.h"
#include "support/dbx_builder.h"

namespace {

using namespace quernel::testing;

int Usage() {
  std::fprintf(stderr,
               "usage: quernel_bench_mailbox OUT MESSAGES MEAN_BYTES mixed|same|distinct "
               "[ascii|accented] [SEED]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || argc > 7) return Usage();
  const std::string kind = argv[4];
  if (kind != "same" && kind != "distinct" && kind != "mixed") return Usage();
  const SharedNames names = kind == "same"       ? SharedNames::Same
                            : kind == "distinct" ? SharedNames::Distinct
                                                 : SharedNames::Mixed;
  const unsigned long count = std::strtoul(argv[2], nullptr, 10);
  const double mean = std::strtod(argv[3], nullptr);
  int next = 5;
  NameLetters letters = NameLetters::Ascii;
  if (next < argc && (std::string(argv[next]) == "ascii" || std::string(argv[next]) == "accented")) {
    letters = std::string(argv[next++]) == "accented" ? NameLetters::Accented : NameLetters::Ascii;
  }
  if (argc > next + 1) return Usage();
  const unsigned long long seed = next < argc ? std::strtoull(argv[next], nullptr, 10) : 20040601;
  if (mean <= 0) return Usage();
  try {
    DbxStreamWriter writer(argv[1]);
    BenchMessages messages(seed, mean, names, letters);
    for (unsigned long i = 0; i < count; ++i) writer.add(messages.next());
    writer.finish();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quernel_bench_mailbox: %s\n", error.what());
    return 1;
  }
  return 0;
}
