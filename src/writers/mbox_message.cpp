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
void AppendSeparatorLine(std::string& out, const MboxOptions& options, const MessageProperties& properties,
                         const CodePageConverter& converter, const Calendar& calendar) {
  const std::string& stored = properties.senderAddress;
  const MessageTime time = ChosenDate(properties, options.date);
  out += "From ";
  if (stored.empty()) {
    out += '-';
  } else {
    for (char byte : converter.toNative(stored)) {
      out += static_cast<unsigned char>(byte) < 0x20 ? '_' : byte;
    }
  }
  out += ' ';
  out += FormatMessageTime(time, kSeparatorDateFormat, calendar);
  out += kLineEnd;
}

}  // namespace

// The text is read before anything of the message is laid out for writing,
// so a damaged text leaves the file ending cleanly after the previous message
// instead of with a separator line of its own.
void MboxMessage::read(const MboxOptions& options, MessageSource& source,
                       const CodePageConverter& converter, int32_t message) {
  size_t start = buffer_.size();
  std::optional<Layout> laid;
  try {
    laid = lay(options, source, converter, message);
  } catch (...) {  // FileError, std::bad_alloc
    buffer_.resize(start);
    throw;
  }
  if (!laid) {
    buffer_.resize(start);
    return;
  }
  size_t bytes = buffer_.size() - start + quotes_.size();
  if (laid->edited) {
    for (const auto& [from, to] : edit_.removed) bytes -= to - from;
  }
  if (waitingBytes_ > 0 && waitingBytes_ + bytes > kWriteSize) {
    writeWaiting(start);
    laid->textStart -= start;
    laid->tailEnd -= start;
    start = 0;
  }
  const size_t runsBefore = runs_.size();
  try {
    addRuns(start, *laid);
  } catch (...) {  // std::bad_alloc: the message is dropped whole
    runs_.resize(runsBefore);
    buffer_.resize(start);
    throw;
  }
  waitingBytes_ += bytes;
  if (waitingBytes_ >= kWriteSize) flush();
}

// Appends the separator line, text and line ends to buffer_, finds the
// text's quote positions and, with state lines, plans them; returns where
// the message lies in buffer_, or nothing when the source leaves it out.
std::optional<MboxMessage::Layout> MboxMessage::lay(const MboxOptions& options, MessageSource& source,
                                                    const CodePageConverter& converter,
                                                    int32_t message) {
  Layout laid;
  AppendSeparatorLine(buffer_, options, source.properties(message), converter, calendar_);
  laid.textStart = buffer_.size();
  if (!source.appendText(message, buffer_)) return std::nullopt;
  const std::string_view text(buffer_.data() + laid.textStart, buffer_.size() - laid.textStart);
  laid.edited = options.statusHeaders;
  if (laid.edited) PlanStatusHeaders(text, MessageFlags(source.properties(message).flags), edit_);
  quotes_.clear();
  FindQuotePositions(text, options.quoting, quotes_);
  // Without doubleNewline every message is followed by exactly one empty
  // line, so a text whose last line lacks its line end gets a second one.
  // State lines put at the end of a text end in a line end of their own.
  const bool endsInLineEnd = laid.edited && edit_.insertAt == text.size()
                                 ? true
                                 : !text.empty() && text.back() == '\n';
  const bool empty = !laid.edited && text.empty();
  const bool secondLineEnd = options.doubleNewline || (!empty && !endsInLineEnd);
  buffer_ += kLineEnd;
  if (secondLineEnd) buffer_ += kLineEnd;
  laid.tailEnd = buffer_.size();
  // The state lines wait behind the tail, to go out as a piece of their own
  // in their place, so that the text is not moved to make room for them.
  if (laid.edited) buffer_ += edit_.lines;
  return laid;
}

void MboxMessage::addRuns(size_t start, const Layout& laid) {
  size_t cursor = start;
  auto quote = quotes_.begin();
  // The runs up to `limit` (an offset in the text), with a ">" before each
  // quoted line.
  auto runsWithQuotesBefore = [&](size_t limit) {
    for (; quote != quotes_.end() && *quote < limit; ++quote) {
      addRun(cursor, laid.textStart + *quote - cursor);
      runs_.push_back({0, 0});
      cursor = laid.textStart + *quote;
    }
    addRun(cursor, laid.textStart + limit - cursor);
    cursor = laid.textStart + limit;
  };
  if (laid.edited) {
    for (const auto& [from, to] : edit_.removed) {
      runsWithQuotesBefore(from);
      cursor = laid.textStart + to;
      // None are there: a removed line begins with a field name or a blank.
      while (quote != quotes_.end() && *quote < to) ++quote;
    }
    runsWithQuotesBefore(edit_.insertAt);
    addRun(laid.tailEnd, edit_.lines.size());
  }
  runsWithQuotesBefore(laid.tailEnd - laid.textStart);
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

void MboxMessage::flush() { writeWaiting(buffer_.size()); }

void MboxMessage::writeWaiting(size_t end) {
  if (!runs_.empty()) {
    pieces_.clear();
    for (const Run& run : runs_) {
      pieces_.push_back(run.size == 0 ? kQuote : std::string_view(buffer_.data() + run.offset, run.size));
    }
    try {
      file_.write(pieces_);
    } catch (...) {
      // What the file stored of them stays; nothing is offered to it again.
      clear();
      throw;
    }
  }
  runs_.clear();
  waitingBytes_ = 0;
  buffer_.erase(0, end);
}

void MboxMessage::clear() {
  buffer_.clear();
  runs_.clear();
  waitingBytes_ = 0;
}

}  // namespace quernel
