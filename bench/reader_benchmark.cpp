// MailboxReader construction (classifying, walking the index tree, loading
// every message's properties), in messages per second.

#include <benchmark/benchmark.h>

#include "bench_messages.h"
#include "dbx/mailbox_reader.h"
#include "platform/host.h"
#include "support/string_input_file.h"

namespace quernel::testing {
namespace {

void BM_ReaderConstruction(benchmark::State& state) {
  const uint32_t count = static_cast<uint32_t>(state.range(0));
  StringInputFile file(BenchMailboxBytes(count, 8192, SharedNames::Mixed));
  for (auto _ : state) {
    const MailboxReader reader(file, SystemHost().calendar);
    benchmark::DoNotOptimize(reader.messageCount());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * count));
}
BENCHMARK(BM_ReaderConstruction)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quernel::testing
