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
  messages_.reserve(chains.size());
  for (const FoundChain& chain : chains) {
    messages_.push_back({chain.kind == ChainKind::Live ? FoundKind::Recovered : FoundKind::Deleted,
                         chain.first, chain.blockCount, std::nullopt, kNoFields});
  }
  MatchRecords(chains, records, smallReads, calendar_,
               [this](size_t chain, uint32_t record, MailboxReader::Properties&& properties) {
                 messages_[chain].recordOffset = record;
                 messages_[chain].fieldsKey = fields_.add(properties);
               });
  for (FoundMessage& message : messages_) {
    if (message.fieldsKey == kNoFields) message.fieldsKey = fieldsFromHeaderLines(message);
  }
}

uint64_t Salvage::fieldsFromHeaderLines(const FoundMessage& message) {
  std::string head;
  AppendChainText(window_, ChainOf(message), head, kHeaderPrefix);
  HeaderFields header = ParseHeaderFields(head);
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
  messages_.push_back({FoundKind::Damaged, textStart, damaged.blocks, recordOffset, fields_.add(fields)});
}

std::string Salvage::text(const FoundMessage& message) {
  std::string text;
  appendText(message, text);
  return text;
}

void Salvage::appendText(const FoundMessage& message, std::string& text) {
  if (message.kind == FoundKind::Damaged) {
    text += ReadDamagedText(window_, message.textStart, UINT64_MAX, message.blockCount).text;
  } else {
    AppendChainText(window_, ChainOf(message), text);
  }
}

}  // namespace quernel
