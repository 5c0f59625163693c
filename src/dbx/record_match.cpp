#include "dbx/record_match.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "dbx/message_record.h"
#include "dbx/record_agreement.h"
#include "platform/file_error.h"

namespace quernel::dbx {

namespace {

// Records tried per chain: a current record and its latest older copies.
constexpr size_t kRecordsPerChain = 8;

int PresentProperties(const MailboxReader::Properties& p) {
  return !p.subject.empty() + !p.senderName.empty() + !p.senderAddress.empty() +
         !p.recipientName.empty() + !p.recipientAddress.empty() + (p.receiveTime != 0) + (p.sendTime != 0);
}

// (chain, record offset) for the records whose text start is a chain's
// first block, ordered by chain and offset; of each chain's, the last
// kRecordsPerChain in the file.
std::vector<std::pair<size_t, uint32_t>> Candidates(const std::vector<FoundChain>& chains,
                                                    const std::vector<FoundRecord>& records) {
  std::vector<std::pair<uint32_t, size_t>> byFirst;  // (first block, chain)
  for (size_t c = 0; c < chains.size(); ++c) byFirst.emplace_back(chains[c].first, c);
  std::sort(byFirst.begin(), byFirst.end());
  std::vector<std::pair<size_t, uint32_t>> candidates;
  for (const FoundRecord& record : records) {
    const auto it = std::lower_bound(byFirst.begin(), byFirst.end(), std::make_pair(record.textStart, size_t{0}));
    if (it != byFirst.end() && it->first == record.textStart) candidates.emplace_back(it->second, record.offset);
  }
  std::sort(candidates.begin(), candidates.end());
  std::vector<std::pair<size_t, uint32_t>> kept;
  for (size_t k = 0; k < candidates.size(); ++k) {
    const size_t chain = candidates[k].first;
    const bool lastOfChain = k + kRecordsPerChain >= candidates.size() ||
                             candidates[k + kRecordsPerChain].first != chain;
    if (lastOfChain) kept.push_back(candidates[k]);
  }
  return kept;
}

}  // namespace

void MatchRecords(const std::vector<FoundChain>& chains, const std::vector<FoundRecord>& records,
                  FileWindow& window, const Calendar& calendar, const ChainHeader& headerOf,
                  const RecordMatch& onMatch) {
  RecordReader reader(window);
  const std::vector<std::pair<size_t, uint32_t>> candidates = Candidates(chains, records);
  struct Best {
    uint32_t offset;
    MailboxReader::Properties properties;
    std::pair<int, int> rank;  // agreeing fields, present properties
  };
  std::optional<Best> best;
  std::optional<HeaderFields> header;
  for (size_t k = 0; k < candidates.size(); ++k) {
    const auto [chain, offset] = candidates[k];
    if (!header) header = headerOf(chain);
    try {
      MailboxReader::Properties properties = reader.read(offset, calendar).properties;
      const std::optional<int> agreeing = RecordAgreement(properties, *header);
      const std::pair<int, int> rank{agreeing.value_or(0), PresentProperties(properties)};
      // Candidates come in ascending offsets: a tie goes to the later one.
      if (agreeing && (!best || rank >= best->rank)) best = Best{offset, std::move(properties), rank};
    } catch (const FileError&) {
      // its data lies beyond the end of the file: passed over
    }
    const bool lastOfChain = k + 1 == candidates.size() || candidates[k + 1].first != chain;
    if (!lastOfChain) continue;
    if (best) onMatch(chain, best->offset, std::move(best->properties));
    best.reset();
    header.reset();
  }
}

}  // namespace quernel::dbx
