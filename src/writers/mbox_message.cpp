#include "writers/mbox_message.h"

#include "naming/date_format.h"

namespace quernel {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr const char* kSeparatorDateFormat = "%a %b %d %X %Y";
constexpr std::string_view kQuote = ">";


// "From " + sender + " " + date. A control byte in the address (a CR or LF
// from a damaged or crafted mailbox) would end the line early and could forge
// a message boundary, so each one is written as "_".
void AppendSeparatorLine(std::string& out, const MboxOptions& options, const MailboxReader& reader,
                         const CodePageConverter& converter, int32_t message) {
  const std::string& stored = reader.senderAddress(message);
  const MessageTime time = ChosenDate(reader, message, options.date);
  out += "From ";
  if (stored.empty()) {
    out += '-';
  } else {
    for (char byte : converter.toNative(stored)) {
      out += static_cast<unsigned char>(byte) < 0x20 ? '_' : byte;
    }
  }
  out += ' ';
  out += FormatMessageTime(time, kSeparatorDateFormat);
  out += kLineEnd;
}

}  // namespace

// The text is read before anything of the message is written, so a damaged
// text leaves the file ending cleanly after the previous message instead of
// with a separator line of its own.
void MboxMessage::read(const MboxOptions& options, const MailboxReader& reader,
                       const CodePageConverter& converter, int32_t message) {
  clear();
  AppendSeparatorLine(buffer_, options, reader, converter, message);
  const size_t textStart = buffer_.size();
  reader.appendMessageText(message, buffer_);
  const std::string_view text(buffer_.data() + textStart, buffer_.size() - textStart);
  const bool edited = options.statusHeaders;
  if (edited) PlanStatusHeaders(text, reader.messageFlags(message), edit_);
  quotes_.clear();
  FindQuotePositions(text, options.quoting, quotes_);
  // Without doubleNewline every message is followed by exactly one empty
  // line, so a text whose last line lacks its line end gets a second one.
  // State lines put at the end of a text end in a line end of their own.
  const bool endsInLineEnd = edited && edit_.insertAt == text.size()
                                 ? true
                                 : !text.empty() && text.back() == '\n';
  const bool empty = !edited && text.empty();
  const bool secondLineEnd = options.doubleNewline || (!empty && !endsInLineEnd);
  buffer_ += kLineEnd;
  if (secondLineEnd) buffer_ += kLineEnd;
  const size_t tailEnd = buffer_.size();
  // The state lines wait behind the tail, to go out as a piece of their own
  // in their place, so that the text is not moved to make room for them.
  if (edited) buffer_ += edit_.lines;
  addRuns(textStart, tailEnd, edited);
}

void MboxMessage::addRuns(size_t textStart, size_t tailEnd, bool edited) {
  size_t cursor = 0;
  auto quote = quotes_.begin();
  // The runs up to `limit` (an offset in the text), with a ">" before each
  // quoted line.
  auto runsWithQuotesBefore = [&](size_t limit) {
    for (; quote != quotes_.end() && *quote < limit; ++quote) {
      addRun(cursor, textStart + *quote - cursor);
      runs_.push_back({0, 0});
      cursor = textStart + *quote;
    }
    addRun(cursor, textStart + limit - cursor);
    cursor = textStart + limit;
  };
  if (edited) {
    for (const auto& [from, to] : edit_.removed) {
      runsWithQuotesBefore(from);
      cursor = textStart + to;
      // None are there: a removed line begins with a field name or a blank.
      while (quote != quotes_.end() && *quote < to) ++quote;
    }
    runsWithQuotesBefore(edit_.insertAt);
    addRun(tailEnd, edit_.lines.size());
  }
  runsWithQuotesBefore(tailEnd - textStart);
}

void MboxMessage::addRun(size_t offset, size_t size) {
  if (size == 0) return;
  // Runs that meet go out as one piece.
  if (!runs_.empty() && runs_.back().size > 0 &&
      runs_.back().offset + runs_.back().size == offset) {
    runs_.back().size += size;
    return;
  }
  runs_.push_back({offset, size});
}

void MboxMessage::write() {
  if (runs_.empty()) return;
  pieces_.clear();
  for (const Run& run : runs_) {
    pieces_.push_back(run.size == 0 ? kQuote : std::string_view(buffer_.data() + run.offset, run.size));
  }
  file_.write(pieces_);
}

void MboxMessage::clear() {
  buffer_.clear();
  runs_.clear();
}

}  // namespace quernel
