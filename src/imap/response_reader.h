#pragma once
// ResponseReader: cuts the bytes a server sends into whole responses, with
// their literals, within fixed bounds. The server is hostile input: a line
// longer than kMaxLineBytes (outside literals), a literal longer than
// kMaxLiteralBytes or a response larger than both together raise
// ImapProtocolError instead of growing memory.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quernel {

inline constexpr size_t kMaxLineBytes = 64 * 1024;
inline constexpr size_t kMaxLiteralBytes = 64 * 1024 * 1024;

// One response as sent: `lines[i]` (without CRLF) ends with the literal
// header "{N}" whose N bytes are `literals[i]`; the last line has none.
struct RawResponse {
  std::vector<std::string> lines;
  std::vector<std::string> literals;
};

class ResponseReader {
 public:
  // Hands over bytes as they arrive.
  void feed(std::string_view bytes);
  // The next whole response, or nothing until more bytes arrive.
  std::optional<RawResponse> next();
  // Bytes received but not yet part of a returned response.
  size_t pendingBytes() const { return buffer_.size() - consumed_; }

 private:
  // Within the current response: reading a line, or `literalLeft_` bytes.
  std::optional<size_t> literalLeft_;
  size_t responseBytes_ = 0;  // lines and literals of the current response
  RawResponse current_;
  std::string buffer_;
  size_t consumed_ = 0;
  size_t scanned_ = 0;  // where the search for the next CRLF goes on
};

// The size in a line's trailing literal header "{N}" or "{N+}", if any.
std::optional<size_t> TrailingLiteralSize(std::string_view line);

}  // namespace quernel
