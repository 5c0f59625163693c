// The salvage of a mailbox held in memory, in bytes per second: with the
// index's messages left out (a healthy mailbox under salvage) and with none
// (a mailbox whose index is lost, every message recovered and named).

#include <benchmark/benchmark.h>

#include "bench_messages.h"
#include "dbx/mailbox_reader.h"
#include "dbx/salvage.h"
#include "platform/host.h"
#include "support/string_input_file.h"

namespace quernel::testing {
namespace {

void BM_Salvage(benchmark::State& state) {
  StringInputFile file(BenchMailboxBytes(8000, 8192, SharedNames::Mixed));
  std::vector<uint32_t> indexed;
  if (state.range(0) != 0) {
    const MailboxReader reader(file, SystemHost().calendar);
    for (int32_t i = 0; i < reader.messageCount(); ++i) indexed.push_back(reader.textStart(i));
  }
  for (auto _ : state) {
    Salvage salvage(file, indexed, SystemHost().calendar);
    benchmark::DoNotOptimize(salvage.messages().size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.length()));
}
BENCHMARK(BM_Salvage)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quernel::testing
