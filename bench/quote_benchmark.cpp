// The mbox quoting over realistic message texts, in bytes per second:
// quoteFromLines (scan and copy) and FindQuotePositions (the scan alone,
// which is what the writer does). The argument picks the rule: 0 mboxo,
// 1 mboxrd, 2 mboxrd ignoring case.

#include <benchmark/benchmark.h>

#include "bench_messages.h"
#include "support/quote_from_lines.h"
#include "writers/from_quoting.h"

namespace quernel::testing {
namespace {

constexpr QuoteRule kRules[] = {
    {MboxVariant::Mboxo, false}, {MboxVariant::Mboxrd, false}, {MboxVariant::Mboxrd, true}};

std::string ConcatenatedTexts(size_t bytes) {
  BenchMessages messages(7, 8192, SharedNames::Mixed);
  std::string texts;
  while (texts.size() < bytes) texts += messages.next().text;
  return texts;
}

void BM_QuoteFromLines(benchmark::State& state) {
  const std::string text = ConcatenatedTexts(4 << 20);
  const QuoteRule rule = kRules[state.range(0)];
  for (auto _ : state) {
    std::string quoted = quoteFromLines(text, rule);
    benchmark::DoNotOptimize(quoted.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_QuoteFromLines)->DenseRange(0, 2);

void BM_FindQuotePositions(benchmark::State& state) {
  const std::string text = ConcatenatedTexts(4 << 20);
  const QuoteRule rule = kRules[state.range(0)];
  std::vector<size_t> positions;
  for (auto _ : state) {
    positions.clear();
    FindQuotePositions(text, rule, positions);
    benchmark::DoNotOptimize(positions.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_FindQuotePositions)->DenseRange(0, 2);

}  // namespace
}  // namespace quernel::testing
