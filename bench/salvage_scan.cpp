// Times the salvage of one mailbox file: the scan, the assembly of chains and
// the naming of what it finds, with or without the index's messages left out.
// Peak memory comes from outside (/usr/bin/time -f %M):
//
//   quernel_salvage_scan FILE [--no-index] [--texts]
//
// --no-index: take every chain as unreachable (a mailbox whose index is lost);
// --texts: read every found text as well, as the writers would.

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dbx/mailbox_reader.h"
#include "dbx/salvage.h"
#include "platform/file_system.h"
#include "platform/host.h"

namespace {

using namespace quernel;

std::vector<uint32_t> IndexedStarts(const std::optional<MailboxReader>& reader) {
  std::vector<uint32_t> starts;
  for (int32_t i = 0; reader && i < reader->messageCount(); ++i) starts.push_back(reader->textStart(i));
  return starts;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: quernel_salvage_scan FILE [--no-index] [--texts]\n");
    return 2;
  }
  bool useIndex = true, readTexts = false;
  for (int k = 2; k < argc; ++k) {
    if (std::strcmp(argv[k], "--no-index") == 0) useIndex = false;
    if (std::strcmp(argv[k], "--texts") == 0) readTexts = true;
  }
  try {
    const std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
    const std::unique_ptr<InputFile> file = files->openInput(argv[1]);
    // The reader stays, as it does while a conversion writes the salvage.
    std::optional<MailboxReader> reader;
    try {
      if (useIndex) reader.emplace(*file, SystemHost().calendar);
    } catch (const FileError&) {
      // no usable index: everything is unreachable
    }
    const std::vector<uint32_t> indexed = IndexedStarts(reader);
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    Salvage salvage(*file, indexed, SystemHost().calendar);
    uint64_t textBytes = 0;
    if (readTexts) {
      std::string text;
      for (const FoundMessage& m : salvage.messages()) {
        text.clear();
        salvage.appendText(m, text);
        textBytes += text.size();
      }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // On a busy machine the processor time is the steadier figure.
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    std::printf("%.1f MiB in %.3f s wall (%.2f GB/s), %.3f s processor (%.2f GB/s); indexed %zu, recovered %zu, deleted %zu, text %.1f MiB, shift %lld\n",
                file->length() / 1048576.0, seconds, file->length() / seconds / 1e9, cpu,
                file->length() / cpu / 1e9, indexed.size(),
                salvage.count(FoundKind::Recovered), salvage.count(FoundKind::Deleted), textBytes / 1048576.0,
                static_cast<long long>(salvage.offsetShift()));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quernel_salvage_scan: %s\n", error.what());
    return 1;
  }
  return 0;
}
