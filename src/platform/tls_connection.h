#pragma once
// A connection to a server on the network, encrypted with TLS either from
// the start or after a plain-text opening (STARTTLS). One implementation
// per system: OpenSSL 3 on Linux, Schannel on Windows.
//
// Contract:
// - TLS 1.2 or newer only. The server's certificate must chain to the
//   system's certificate store or to a CA in `caFile` (PEM), and must be
//   valid for `host` (a name, or an address when `host` is one). Anything
//   else fails the handshake.
// - Every connect, read, write and handshake gives up after `timeout` of no
//   progress and raises ConnectionError.
// - Errors raise ConnectionError with one line for the user; `retryable()`
//   is false where trying again cannot help (a certificate refused, TLS
//   not available).
// - Bytes written before startTls() travel in clear: only the opening of a
//   STARTTLS exchange may be sent then, never a secret.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quernel {

class ConnectionError : public std::runtime_error {
 public:
  ConnectionError(const std::string& line, bool retryable) : std::runtime_error(line), retryable_(retryable) {}
  bool retryable() const { return retryable_; }

 private:
  bool retryable_;
};

struct TlsSettings {
  std::string caFile;  // empty: the system's store only
  std::chrono::milliseconds timeout{std::chrono::seconds(60)};
};

class TlsConnection {
 public:
  virtual ~TlsConnection() = default;

  // Sends every byte of `bytes`.
  virtual void write(std::string_view bytes) = 0;
  // Reads at least one byte into `buffer`; a closed connection raises.
  virtual size_t read(char* buffer, size_t size) = 0;
  // Turns a plain connection into an encrypted one (after STARTTLS).
  virtual void startTls() = 0;
};

// Connects to `host`:`port`; with `tlsNow` the handshake is made at once.
std::unique_ptr<TlsConnection> ConnectTls(const std::string& host, uint16_t port, bool tlsNow,
                                          const TlsSettings& settings);

// False where this build has no TLS implementation.
bool TlsAvailable();

}  // namespace quernel
