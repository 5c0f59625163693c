#pragma once
// The errors of an IMAP session. Each carries one line for the user; none
// ever holds the secret.

#include <stdexcept>
#include <string>

namespace quernel {

// The server broke the protocol or a bound (line, literal, nesting).
class ImapProtocolError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The connection failed, timed out or was closed: worth a reconnect.
class ImapConnectionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace quernel
