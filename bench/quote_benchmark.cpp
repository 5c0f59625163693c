// The mbox quoting over realistic message texts, in bytes per second:
// quoteFromLines (scan and copy) and FindQuotePositions (the scan alone,
// which is what the writer does).

#include <benchmark/benchmark.h>

#include "bench_messages.h"
#include "cli/run_settings.h"
#include "writers/mbox_writer.h"

namespace quernel::testing {
namespace {

std::string ConcatenatedTexts(size_t bytes) {
  BenchMessages messages(7, 8192, SharedNames::Mixed);
  std::string texts;
  while (texts.size() < bytes) texts += messages.next().text;
  return texts;
}

void BM_QuoteFromLines(benchmark::State& state) {
  const std::string text = ConcatenatedTexts(4 << 20);
  const uint32_t flags = static_cast<uint32_t>(state.range(0));
  for (auto _ : state) {
    std::string quoted = quoteFromLines(text, flags);
    benchmark::DoNotOptimize(quoted.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_QuoteFromLines)->Arg(flags::kMboxo)->Arg(flags::kMboxrd)
    ->Arg(flags::kMboxrd | flags::kIgnoreCase);

void BM_FindQuotePositions(benchmark::State& state) {
  const std::string text = ConcatenatedTexts(4 << 20);
  const uint32_t flags = static_cast<uint32_t>(state.range(0));
  std::vector<size_t> positions;
  for (auto _ : state) {
    positions.clear();
    FindQuotePositions(text, flags, positions);
    benchmark::DoNotOptimize(positions.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_FindQuotePositions)->Arg(flags::kMboxo)->Arg(flags::kMboxrd)
    ->Arg(flags::kMboxrd | flags::kIgnoreCase);

}  // namespace
}  // namespace quernel::testing
