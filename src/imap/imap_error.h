#pragma once
// The server's protocol errors. The connection's own are ConnectionError
// (platform/tls_connection.h). Each carries one line for the user; none
// ever holds the secret.

#include <stdexcept>
#include <string>

namespace quernel {

// The server broke the protocol or a bound (line, literal, nesting).
class ImapProtocolError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace quernel
