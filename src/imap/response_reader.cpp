#include "imap/response_reader.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "imap/imap_error.h"

namespace quernel {

std::optional<size_t> TrailingLiteralSize(std::string_view line) {
  if (line.empty() || line.back() != '}') return std::nullopt;
  const size_t open = line.rfind('{');
  if (open == std::string_view::npos) return std::nullopt;
  std::string_view digits = line.substr(open + 1, line.size() - open - 2);
  if (!digits.empty() && (digits.back() == '+' || digits.back() == '-')) digits.remove_suffix(1);
  if (digits.empty() || digits.size() > 10) return std::nullopt;
  // 64 bits whatever size_t is: ten digits overflow a 32-bit one.
  uint64_t size = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    size = size * 10 + static_cast<uint64_t>(c - '0');
  }
  if (size > kMaxLiteralBytes) throw ImapProtocolError("the server sent a literal larger than 64 MiB");
  return static_cast<size_t>(size);
}

void ResponseReader::feed(std::string_view bytes) {
  // Drop what earlier responses used, once it is the larger part.
  if (consumed_ > 0 && consumed_ >= buffer_.size() / 2) {
    buffer_.erase(0, consumed_);
    scanned_ -= std::min(scanned_, consumed_);
    consumed_ = 0;
  }
  buffer_.append(bytes);
}

std::optional<RawResponse> ResponseReader::next() {
  for (;;) {
    if (literalLeft_) {
      if (buffer_.size() - consumed_ < *literalLeft_) return std::nullopt;
      current_.literals.emplace_back(buffer_, consumed_, *literalLeft_);
      consumed_ += *literalLeft_;
      scanned_ = consumed_;
      literalLeft_.reset();
      continue;
    }
    const size_t from = std::max(scanned_, consumed_);
    const size_t end = buffer_.find("\r\n", from);
    if (end == std::string::npos) {
      scanned_ = buffer_.size() > consumed_ ? buffer_.size() - 1 : consumed_;
      if (buffer_.size() - consumed_ > kMaxLineBytes) {
        throw ImapProtocolError("the server sent a line longer than 64 KiB");
      }
      return std::nullopt;
    }
    if (end - consumed_ > kMaxLineBytes) throw ImapProtocolError("the server sent a line longer than 64 KiB");
    std::string line(buffer_, consumed_, end - consumed_);
    consumed_ = end + 2;
    scanned_ = consumed_;
    const std::optional<size_t> literal = TrailingLiteralSize(line);
    responseBytes_ += line.size() + literal.value_or(0);
    current_.lines.push_back(std::move(line));
    if (!literal) {
      responseBytes_ = 0;
      return std::exchange(current_, RawResponse{});
    }
    // Many small pieces must not add up past the bounds either.
    if (responseBytes_ > kMaxLiteralBytes + kMaxLineBytes) {
      throw ImapProtocolError("the server sent a response larger than 64 MiB");
    }
    literalLeft_ = *literal;
  }
}

}  // namespace quernel
