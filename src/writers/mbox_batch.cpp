#include "writers/mbox_batch.h"

#include "naming/date_format.h"
#include "writers/mbox_writer.h"

namespace quernel {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr const char* kSeparatorDateFormat = "%a %b %d %X %Y";
constexpr std::string_view kQuote = ">";

// A write of this size amortises the system call; a larger batch would only
// fall out of the processor's caches before it is written.
constexpr size_t kBatchBytes = 256 * 1024;
// Well below IOV_MAX (1024), so that one batch is one system call.
constexpr size_t kBatchRuns = 512;

// "From " + sender + " " + date. A control byte in the address (a CR or LF
// from a damaged or crafted mailbox) would end the line early and could forge
// a message boundary, so each one is written as "_".
void AppendSeparatorLine(std::string& out, const RunSettings& settings,
                         const MailboxReader& reader, int32_t message) {
  const std::string& sender = reader.senderAddress(message);
  const MessageTime time = settings.has(flags::kReceiveDate) ? reader.receiveTime(message)
                                                             : reader.sendTime(message);
  out += "From ";
  if (sender.empty()) {
    out += '-';
  } else {
    for (char byte : sender) out += static_cast<unsigned char>(byte) < 0x20 ? '_' : byte;
  }
  out += ' ';
  out += FormatMessageTime(time, kSeparatorDateFormat);
  out += kLineEnd;
}

}  // namespace

// The text is read before anything of the message counts as added, so a
// damaged text leaves the file ending cleanly after the previous message
// instead of with a separator line of its own.
void MboxBatch::add(const RunSettings& settings, const MailboxReader& reader, int32_t message) {
  const size_t start = buffer_.size();
  AppendSeparatorLine(buffer_, settings, reader, message);
  const size_t textStart = buffer_.size();
  try {
    reader.appendMessageText(message, buffer_);
  } catch (...) {
    buffer_.resize(start);
    throw;
  }
  const std::string_view text(buffer_.data() + textStart, buffer_.size() - textStart);
  // Without -dn every message is followed by exactly one empty line, so a
  // text whose last line lacks its line end gets a second one.
  const bool secondLineEnd =
      settings.has(flags::kDoubleNewline) || (!text.empty() && text.back() != '\n');
  quotes_.clear();
  FindQuotePositions(text, settings.flags, quotes_);
  buffer_ += kLineEnd;
  if (secondLineEnd) buffer_ += kLineEnd;

  size_t runStart = start;
  for (size_t quote : quotes_) {
    addRun(runStart, textStart + quote - runStart);
    runs_.push_back({0, 0});
    runStart = textStart + quote;
  }
  addRun(runStart, buffer_.size() - runStart);
}

void MboxBatch::addRun(size_t offset, size_t size) {
  if (size == 0) return;
  // Runs that meet (one message's line ends and the next one's separator
  // line) go out as one piece.
  if (!runs_.empty() && runs_.back().size > 0 &&
      runs_.back().offset + runs_.back().size == offset) {
    runs_.back().size += size;
    return;
  }
  runs_.push_back({offset, size});
}

bool MboxBatch::full() const { return buffer_.size() >= kBatchBytes || runs_.size() >= kBatchRuns; }

void MboxBatch::flush() {
  if (runs_.empty()) return;
  pieces_.clear();
  for (const Run& run : runs_) {
    pieces_.push_back(run.size == 0 ? kQuote : std::string_view(buffer_.data() + run.offset, run.size));
  }
  // Emptied even after a failed write: nothing of it is written twice.
  try {
    file_.write(pieces_);
  } catch (...) {
    clear();
    throw;
  }
  clear();
}

void MboxBatch::clear() {
  buffer_.clear();
  runs_.clear();
}

}  // namespace quernel
