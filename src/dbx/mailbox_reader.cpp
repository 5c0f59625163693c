#include "dbx/mailbox_reader.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "dbx/index_tree.h"
#include "dbx/layout.h"
#include "dbx/message_record.h"
#include "dbx/text_chain.h"
#include "platform/file_error.h"

namespace quernel {

using namespace dbx;

namespace {

// Output budget for message texts, as a multiple of the file's length. Each
// message is charged once, the first time its text is read, with its text
// bytes, a block header's worth per block, and its sender address, which the
// mbox separator line repeats for every message. A real mailbox stays below
// one file length (blocks and strings do not overlap); the margin leaves room
// for records that the index lists more than once. A crafted file (thousands
// of index entries pointing at one record with a long text or a long sender
// address, or overlapping blocks that each claim 65,535 bytes) would
// otherwise make the writers produce output out of all proportion to its
// size.
constexpr uint64_t kTextBudgetFactor = 4;

// Records lie between their messages' texts. Where they are far apart, a
// large window would bring in mostly text that the text pass reads again
// later, so each record gets a small read of its own; close together, one
// large read serves many of them.
constexpr uint64_t kSparseRecordSpacing = 4096;
constexpr size_t kSparseRecordWindow = 1024;

size_t RecordWindowSize(uint64_t fileLength, size_t records) {
  const bool sparse = records > 0 && fileLength / records >= kSparseRecordSpacing;
  return sparse ? kSparseRecordWindow : FileWindow::kWindowSize;
}

MailboxStatus Classify(FileWindow& window) {
  if (window.length() < kSignatureSize) return MailboxStatus::Unrecognised;
  const uint32_t s0 = window.u32(0), s1 = window.u32(4), s2 = window.u32(8), s3 = window.u32(12);
  if (s0 == kSignatureMagic) {
    if (s2 != kSignatureWord2 || s3 != kSignatureWord3) return MailboxStatus::Unrecognised;
    if (s1 == kSignatureMessages) return MailboxStatus::Valid;
    if (s1 == kSignatureFolders) return MailboxStatus::FolderList;
    return MailboxStatus::Unrecognised;
  }
  if (s0 == kOldVersionMagic && s1 == kOldVersionWord1) return MailboxStatus::OldVersion;
  return MailboxStatus::Unrecognised;
}

}  // namespace

// The memory a mailbox needs grows with what its file claims; a mailbox that
// needs more than the program can get fails like a damaged one, so that the
// caller can go on with the next mailbox.
MailboxReader::MailboxReader(InputFile& file, const Calendar& calendar)
    : file_(file), calendar_(calendar), window_(file) {
  try {
    load();
  } catch (const std::bad_alloc&) {
    throw OutOfMemoryError();
  }
}

void MailboxReader::load() {
  status_ = Classify(window_);
  if (status_ != MailboxStatus::Valid) return;
  // A header cut off by the end of the file reads as zeros: no messages.
  if (window_.u32OrZero(kHeaderEntryCount) != 0) {
    recordOffsets_ = ReadIndexTree(window_, window_.u32OrZero(kHeaderRootNode));
  }
  loadMessages();
}

// Reads each distinct record once, in file order, and lets the messages that
// name the same record share its properties. Records that hold nothing (no
// property the program uses, no text) all share the first slot: a damaged
// index that names many such records, or many offsets beyond the end of the
// file, then costs a few bytes per message instead of a slot each.
void MailboxReader::loadMessages() {
  const size_t count = recordOffsets_.size();
  std::vector<uint32_t> byRecord(count);  // message numbers in file order
  for (uint32_t message = 0; message < count; ++message) byRecord[message] = message;
  std::sort(byRecord.begin(), byRecord.end(),
            [&](uint32_t a, uint32_t b) { return recordOffsets_[a] < recordOffsets_[b]; });
  // A record whose property count lies beyond the end of the file holds
  // nothing; every other one may need a slot of its own.
  size_t distinct = 0;
  size_t inFile = 0;
  for (size_t k = 0; k < count; ++k) {
    const uint32_t record = recordOffsets_[byRecord[k]];
    if (k > 0 && record == recordOffsets_[byRecord[k - 1]]) continue;
    ++distinct;
    if (uint64_t{record} + kRecordPropertyCount < window_.length()) ++inFile;
  }

  properties_.reserve(1 + inFile);
  textStarts_.reserve(1 + inFile);
  properties_.assign(1, Properties{});
  textStarts_.assign(1, 0);
  propertyIndex_.assign(count, 0);
  FileWindow recordWindow(file_, RecordWindowSize(window_.length(), distinct));
  RecordReader records(recordWindow);
  uint32_t slot = 0;
  for (size_t k = 0; k < count; ++k) {
    const uint32_t record = recordOffsets_[byRecord[k]];
    if (k == 0 || record != recordOffsets_[byRecord[k - 1]]) {
      RecordContents contents = records.read(record, calendar_);
      slot = store(std::move(contents.properties), contents.textStart);
    }
    propertyIndex_[byRecord[k]] = slot;
  }
  textCharged_.assign(recordOffsets_.size(), false);
}

uint32_t MailboxReader::store(Properties&& p, uint32_t textStart) {
  if (textStart == 0 && p.holdsNothing()) return 0;
  properties_.push_back(std::move(p));
  textStarts_.push_back(textStart);
  return static_cast<uint32_t>(properties_.size() - 1);
}

MessageTime MailboxReader::mailboxFileTime() const { return MailboxFileTime(file_, calendar_); }

MailboxStatus ClassifyMailboxFile(InputFile& file) {
  dbx::FileWindow window(file, kSignatureSize);
  return Classify(window);
}

MessageTime MailboxFileTime(const InputFile& file, const Calendar& calendar) {
  const std::optional<FileTimeTicks> ticks = file.lastWriteTime();
  return ticks ? FileTimeToMailboxTime(*ticks, calendar) : 0;
}

std::string MailboxReader::messageText(int32_t i) const {
  std::string text;
  appendMessageText(i, text);
  return text;
}

void MailboxReader::appendMessageText(int32_t i, std::string& text) const {
  try {
    readText(i, text);
  } catch (const std::bad_alloc&) {
    throw OutOfMemoryError();
  }
}

void MailboxReader::readText(int32_t i, std::string& text) const {
  const size_t message = static_cast<size_t>(i);
  const uint32_t start = textStarts_[propertyIndex_[message]];
  // A message is charged once, the first time its text is read; reading it
  // again (the eml writer after the mbox writer) is free.
  if (textCharged_[message]) {
    uint64_t ignored = 0;
    ReadTextChain(window_, start, UINT64_MAX, text, ignored);
    return;
  }
  readCharged(start, UINT64_MAX, text);
  // The mbox separator line repeats the sender address for every message.
  textBudgetUsed_ += senderAddress(i).size();
  if (textBudgetUsed_ > textBudget()) throwOutOfProportion(start);
  textCharged_[message] = true;
}

void MailboxReader::appendMessageTextStart(int32_t i, size_t size, std::string& text) const {
  try {
    readCharged(textStart(i), size, text);
  } catch (const std::bad_alloc&) {
    throw OutOfMemoryError();
  }
}

uint64_t MailboxReader::textBudget() const { return kTextBudgetFactor * window_.length(); }

void MailboxReader::readCharged(uint32_t start, uint64_t stopAfter, std::string& text) const {
  const uint64_t budget = textBudget();
  // Once the budget is spent, no new text is even walked.
  if (textBudgetUsed_ >= budget) throwOutOfProportion(start);
  uint64_t cost = 0;
  try {
    ReadTextChain(window_, start, budget - textBudgetUsed_, text, cost, stopAfter);
  } catch (...) {  // FileError, std::bad_alloc
    // A damaged chain costs the blocks walked, so that a caller who goes on
    // to the other messages cannot walk long broken chains without end.
    textBudgetUsed_ += cost;
    throw;
  }
  textBudgetUsed_ += cost;
}

void MailboxReader::throwOutOfProportion(uint32_t textStart) {
  throw CorruptionError(FileErrorCause::Unspecified, textStart, "message texts out of proportion to the file");
}

}  // namespace quernel
