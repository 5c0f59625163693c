// ExpandNamingTemplate with the default eml template, in calls per second.

#include <benchmark/benchmark.h>

#include "bench_messages.h"
#include "cli/run_settings.h"
#include "dbx/mailbox_reader.h"
#include "naming/naming_template.h"
#include "support/string_input_file.h"

namespace quernel::testing {
namespace {

void BM_ExpandDefaultEmlTemplate(benchmark::State& state) {
  StringInputFile file(BenchMailboxBytes(1000, 2048, SharedNames::Mixed));
  const MailboxReader reader(file);
  int32_t message = 0;
  for (auto _ : state) {
    std::string name = ExpandNamingTemplate(kDefaultEmlTemplate, reader, message);
    benchmark::DoNotOptimize(name.data());
    if (++message == reader.messageCount()) message = 0;
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_ExpandDefaultEmlTemplate);

}  // namespace
}  // namespace quernel::testing
