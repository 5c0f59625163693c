// The naming of one .eml file with the default template, in calls per
// second: the message's fields taken from the reader and converted, and the
// template expanded.

#include <benchmark/benchmark.h>

#include "bench_messages.h"
#include "dbx/mailbox_reader.h"
#include "naming/naming_template.h"
#include "platform/code_page.h"
#include "platform/host.h"
#include "support/string_input_file.h"
#include "writers/eml_options.h"
#include "writers/message_naming_fields.h"

namespace quernel::testing {
namespace {

void BM_ExpandDefaultEmlTemplate(benchmark::State& state) {
  StringInputFile file(BenchMailboxBytes(1000, 2048, SharedNames::Mixed));
  const MailboxReader reader(file, SystemHost().calendar);
  const std::unique_ptr<CodePageConverter> converter = MakeDefaultCodePageConverter();
  NamingFields fields = MailboxNamingFields(reader, SystemHost().paths);
  int32_t message = 0;
  for (auto _ : state) {
    SetMessageNamingFields(fields, reader, message, *converter);
    std::string name = ExpandNamingTemplate(kDefaultEmlTemplate, fields, SystemHost().text, SystemHost().calendar);
    benchmark::DoNotOptimize(name.data());
    if (++message == reader.messageCount()) message = 0;
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_ExpandDefaultEmlTemplate);

}  // namespace
}  // namespace quernel::testing
