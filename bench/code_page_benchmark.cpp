// Converting stored subjects and sender names to UTF-8, in bytes per second:
// the Windows-1252 conversion called directly and through its converter, and
// the single-byte table and iconv paths of the other code pages.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_messages.h"
#include "naming/code_page_detection.h"
#include "platform/code_page_conversion.h"
#include "platform/windows1252.h"

namespace quernel::testing {
namespace {

// The stored subjects and sender names of a benchmark mailbox.
std::vector<std::string> StoredStrings() {
  BenchMessages messages(7, 2048, SharedNames::Distinct);
  std::vector<std::string> strings;
  for (int i = 0; i < 1000; ++i) {
    const TestMessage message = messages.next();
    strings.push_back(message.subject.value_or(""));
    strings.push_back(message.senderName.value_or(""));
  }
  strings.push_back("Gr\xFC\xDF" "e aus K\xF6ln \x96 \x80" "5 f\xFCr Caf\xE9");
  return strings;
}

template <typename Convert>
void RunConversion(benchmark::State& state, Convert convert) {
  const std::vector<std::string> strings = StoredStrings();
  int64_t bytes = 0;
  for (auto _ : state) {
    for (const std::string& stored : strings) {
      std::string native = convert(stored);
      benchmark::DoNotOptimize(native.data());
      bytes += static_cast<int64_t>(stored.size());
    }
  }
  state.SetBytesProcessed(bytes);
}

void BM_Windows1252ToUtf8(benchmark::State& state) { RunConversion(state, Windows1252ToUtf8); }
BENCHMARK(BM_Windows1252ToUtf8);

void BM_CodePageConverter(benchmark::State& state) {
  const std::unique_ptr<CodePageConverter> converter = MakeCodePageConverter(static_cast<int>(state.range(0)));
  RunConversion(state, [&](const std::string& stored) { return converter->toNative(stored); });
}
BENCHMARK(BM_CodePageConverter)->Arg(1252)->Arg(1251)->Arg(932);

// Collecting and weighing the evidence of a Russian mailbox, per message.
void BM_DetectCodePage(benchmark::State& state) {
  const std::string text =
      "Subject: =?koi8-r?Q?=F0=D2=C9=D7=C5=D4,_=CD=C9=D2?=\r\n"
      "From: \"=?koi8-r?Q?=E9=D7=C1=CE_=F0=C5=D4=D2=CF=D7?=\" <ivan@example.ru>\r\n"
      "Content-Type: text/plain; charset=koi8-r\r\n\r\nBody.\r\n";
  const std::string subject = "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0";
  const std::string name = "\xC8\xE2\xE0\xED \xCF\xE5\xF2\xF0\xEE\xE2";
  for (auto _ : state) {
    std::vector<MessageEvidence> evidence;
    for (int i = 0; i < 100; ++i) evidence.push_back(CollectEvidence(subject, name, text));
    benchmark::DoNotOptimize(ChooseCodePage(evidence));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 100);
}
BENCHMARK(BM_DetectCodePage);

}  // namespace
}  // namespace quernel::testing
