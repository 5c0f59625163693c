#pragma once
// ImapSession: one logged-in conversation with the server. Commands are
// sent one at a time; the untagged responses that come before the tagged
// one are handed back with it.
//
// Raises ConnectionError for a lost or silent connection and for BYE
// (retryable), ImapProtocolError for a server that breaks the protocol, and
// ImapRefusal where the server refuses to log in or start TLS.

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "imap/command.h"
#include "imap/response.h"
#include "imap/response_data.h"
#include "imap/response_reader.h"
#include "platform/tls_connection.h"

namespace quernel {

// The server said no where trying again cannot help (log-in refused, no
// STARTTLS); the line holds the server's own text, never the secret.
class ImapRefusal : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The server asked to wait and try again: [UNAVAILABLE], or Microsoft 365's
// "Request is throttled. Suggested Backoff Time: N milliseconds" (`delayMs`
// N, else 0). A lost connection of its kind: the run reconnects.
class ServerAskedToWait : public ConnectionError {
 public:
  ServerAskedToWait(const std::string& line, uint64_t delayMs) : ConnectionError(line, true), delayMs(delayMs) {}
  uint64_t delayMs;
};

// Raises ServerAskedToWait when the tagged answer `tagged` is such a refusal.
void RaiseIfAskedToWait(const ImapResponse& tagged);

struct CommandResult {
  ImapResponse tagged;
  std::vector<ImapResponse> untagged;

  bool ok() const { return tagged.name == "OK"; }
};

class ImapSession {
 public:
  explicit ImapSession(std::unique_ptr<TlsConnection> connection);

  // Reads the greeting; with `startTls`, asks for STARTTLS (required) and
  // makes the handshake.
  void open(bool startTls);
  // AUTHENTICATE XOAUTH2 with `oauth2`, else AUTHENTICATE PLAIN, else LOGIN.
  void logIn(const std::string& user, const std::string& secret, bool oauth2);

  // A fresh tag for a command.
  std::string nextTag();
  LiteralMode literalModeFor(size_t literalBytes) const;
  CommandResult run(ImapCommand command);
  CommandResult run(const std::string& simpleCommand);

  // Pipelining: sends a command whose literals are all non-synchronizing
  // without waiting, and returns its tag; readCompletion() then gives the
  // answers in the order the server sends them.
  std::string sendWithoutWaiting(ImapCommand command);
  CommandResult readCompletion();

  const Capabilities& capabilities() const { return capabilities_; }
  bool has(const std::string& capability) const { return capabilities_.count(capability) != 0; }

 private:
  ImapResponse readResponse();
  // Nothing, or the tagged answer that refused a literal before it was sent.
  std::optional<ImapResponse> send(std::vector<std::string> chunks, bool synchronizing);
  void refreshCapabilities();
  CommandResult authenticate(const std::string& mechanism, const std::string& initialResponse);

  std::unique_ptr<TlsConnection> connection_;
  ResponseReader reader_;
  Capabilities capabilities_;
  unsigned nextTag_ = 1;
};

}  // namespace quernel
