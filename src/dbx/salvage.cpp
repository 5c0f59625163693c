#include "dbx/salvage.h"

#include <algorithm>
#include <unordered_set>

#include "dbx/chain_assembly.h"
#include "dbx/chain_text.h"
#include "dbx/damaged_text.h"
#include "dbx/freed_copies.h"
#include "dbx/header_fields.h"
#include "dbx/layout.h"
#include "dbx/object_scan.h"
#include "dbx/offset_shift.h"
#include "dbx/record_match.h"
#include "platform/file_time.h"

namespace quernel {

using namespace dbx;

namespace {

// Header lines beyond this many bytes of a text are not looked at.
constexpr size_t kHeaderPrefix = 64 * 1024;
// Damaged texts may add up to this multiple of the file's length, as the
// reader allows its texts.
constexpr uint64_t kDamagedBudgetFactor = 4;
// Records and first blocks are read one by one, far apart: a small window each.
constexpr size_t kRecordWindowSize = 1024;
constexpr uint64_t kNoFields = UINT64_MAX;

// A file that begins with the signature of a mailbox of messages lies where
// its offsets say; only others need their shift found.
bool HasMailboxSignature(InputFile& file) {
  FileWindow window(file, kSignatureSize);
  return window.length() >= kSignatureSize && window.u32(0) == kSignatureMagic &&
         window.u32(4) == kSignatureMessages && window.u32(8) == kSignatureWord2 &&
         window.u32(12) == kSignatureWord3;
}

// A date of the header lines as the record's dates would give it.
MessageTime HeaderTime(std::optional<int64_t> unixSeconds, const Calendar& calendar) {
  const std::optional<FileTimeTicks> ticks = unixSeconds ? FileTimeFromUnix(*unixSeconds) : std::nullopt;
  return ticks ? MessageTimeFromFileTime(*ticks, calendar) : 0;
}

FoundChain ChainOf(const FoundMessage& message) {
  return {message.kind == FoundKind::Deleted ? ChainKind::Freed : ChainKind::Live, message.textStart,
          message.blockCount};
}

}  // namespace

Salvage::Salvage(InputFile& file, std::span<const uint32_t> indexedTextStarts, const Calendar& calendar)
    : calendar_(calendar),
      shift_(HasMailboxSignature(file) ? 0 : DetectOffsetShift(file)),
      view_(file, shift_),
      window_(view_),
      damagedBudget_(kDamagedBudgetFactor * view_.length()) {
  findMessages(indexedTextStarts);
}

void Salvage::findMessages(std::span<const uint32_t> indexedTextStarts) {
  std::vector<FoundChain> chains;
  std::vector<FoundRecord> records;
  {
    FoundObjects objects = ScanObjects(view_, shift_ > 0 ? static_cast<uint64_t>(shift_) : 0);
    chains = AssembleChains(objects, indexedTextStarts, window_);
    records = std::move(objects.records);
  }  // the block lists are not needed any more
  FileWindow smallReads(view_, kRecordWindowSize);
  DropFreedCopiesOfLive(chains, indexedTextStarts, smallReads);
  std::vector<FoundMessage> found;
  found.reserve(chains.size());
  for (const FoundChain& chain : chains) {
    const FoundKind kind = chain.kind == ChainKind::Freed ? FoundKind::Deleted
                           : chain.cut                    ? FoundKind::Damaged
                                                          : FoundKind::Recovered;
    found.push_back({kind, chain.first, chain.blockCount, false, 0, 0, std::nullopt, kNoFields});
  }
  MatchRecords(
      chains, records, smallReads, calendar_,
      [this, &chains](size_t chain) { return ParseHeaderFields(headText(chains[chain])); },
      [this, &found](size_t chain, uint32_t record, MailboxReader::Properties&& properties) {
        found[chain].recordOffset = record;
        found[chain].fieldsKey = fields_.add(properties);
      });
  std::vector<FoundMessage> fragments;
  for (size_t k = 0; k < found.size(); ++k) {
    FoundMessage& message = found[k];
    if (message.fieldsKey != kNoFields) continue;
    const std::string head = headText(chains[k]);
    message.fieldsKey = fieldsFromHeaderLines(head);
    // A live text that nothing names and that has no header of its own is
    // a piece of some message, not a message.
    if (message.kind != FoundKind::Deleted && !BeginsWithHeaderField(head)) {
      message.kind = FoundKind::Damaged;
      fragments.push_back(message);
    }
  }
  place(found, chains, fragments);
}

// The found messages in their order, a cut one with the fragment that goes
// on where it ends, then the other fragments (live chains: in file order).
void Salvage::place(std::vector<FoundMessage>& found, const std::vector<FoundChain>& chains,
                    const std::vector<FoundMessage>& fragments) {
  std::unordered_map<uint32_t, size_t> fragmentAt;
  for (size_t k = 0; k < fragments.size(); ++k) fragmentAt.emplace(fragments[k].textStart, k);
  std::vector<bool> taken(fragments.size());
  for (size_t k = 0; k < found.size(); ++k) {
    FoundMessage& message = found[k];
    if (fragmentAt.contains(message.textStart)) continue;
    const auto tail = chains[k].cut ? fragmentAt.find(chains[k].last + static_cast<uint32_t>(kBlockSize))
                                    : fragmentAt.end();
    if (tail != fragmentAt.end() && !taken[tail->second]) {
      taken[tail->second] = true;
      message.tailStart = tail->first;
      message.tailBlocks = fragments[tail->second].blockCount;
    }
    messages_.push_back(message);
  }
  for (size_t k = 0; k < fragments.size(); ++k) {
    if (taken[k]) continue;
    fragments_.emplace(fragments[k].textStart, messages_.size());
    messages_.push_back(fragments[k]);
  }
}

std::string Salvage::headText(const FoundChain& chain) {
  std::string head;
  AppendChainText(window_, chain, head, kHeaderPrefix);
  return head;
}

uint64_t Salvage::fieldsFromHeaderLines(std::string_view headText) {
  HeaderFields header = ParseHeaderFields(headText);
  MailboxReader::Properties f;
  f.subject = std::move(header.subject);
  f.senderName = std::move(header.senderName);
  f.senderAddress = std::move(header.senderAddress);
  f.recipientName = std::move(header.recipientName);
  f.recipientAddress = std::move(header.recipientAddress);
  f.sendTime = HeaderTime(header.date ? header.date : header.receivedDate, calendar_);
  f.receiveTime = HeaderTime(header.receivedDate ? header.receivedDate : header.date, calendar_);
  return fields_.add(f);
}

std::optional<size_t> Salvage::takeFragment(uint32_t lastBlock) {
  const auto fragment = fragments_.find(lastBlock + static_cast<uint32_t>(kBlockSize));
  if (fragment == fragments_.end()) return std::nullopt;
  const size_t at = fragment->second;
  fragments_.erase(fragment);
  return at;
}

MailboxReader::Properties Salvage::fields(const FoundMessage& message) const {
  return fields_.get(message.fieldsKey);
}

size_t Salvage::count(FoundKind kind) const {
  return static_cast<size_t>(std::count_if(messages_.begin(), messages_.end(),
                                           [kind](const FoundMessage& m) { return m.kind == kind; }));
}

void Salvage::addDamaged(uint32_t textStart, uint32_t recordOffset, MailboxReader::Properties fields) {
  if (!damagedStarts_.insert(textStart).second) return;
  const DamagedText damaged = ReadDamagedText(window_, textStart, damagedBudget_);
  damagedBudget_ -= damaged.cost;
  FoundMessage message{FoundKind::Damaged, textStart, damaged.blocks, true, 0, 0, recordOffset, fields_.add(fields)};
  const std::optional<size_t> fragment = damaged.blocks > 0 ? takeFragment(damaged.last) : std::nullopt;
  if (!fragment) {
    messages_.push_back(message);
    return;
  }
  // The message takes the fragment's place in the list.
  message.tailStart = messages_[*fragment].textStart;
  message.tailBlocks = messages_[*fragment].blockCount;
  messages_[*fragment] = message;
}

std::string Salvage::text(const FoundMessage& message) {
  std::string text;
  appendText(message, text);
  return text;
}

void Salvage::appendText(const FoundMessage& message, std::string& text, size_t limit) {
  const size_t start = text.size();
  if (message.indexed) {
    text += ReadDamagedText(window_, message.textStart, UINT64_MAX, message.blockCount).text;
  } else {
    AppendChainText(window_, ChainOf(message), text, limit);
  }
  if (message.tailBlocks > 0 && text.size() - start < limit) {
    AppendChainText(window_, {ChainKind::Live, message.tailStart, message.tailBlocks}, text, limit - (text.size() - start));
  }
}

}  // namespace quernel
