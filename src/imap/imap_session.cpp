#include "imap/imap_session.h"

#include <charconv>
#include <string_view>

#include "imap/base64.h"
#include "imap/imap_error.h"

namespace quernel {
namespace {

// Microsoft 365: "Request is throttled. Suggested Backoff Time: N milliseconds".
uint64_t SuggestedBackoffMs(const std::string& text) {
  static constexpr std::string_view kMarker = "Suggested Backoff Time: ";
  const size_t at = text.find(kMarker);
  if (at == std::string::npos) return 0;
  uint64_t value = 0;
  const char* start = text.data() + at + kMarker.size();
  std::from_chars(start, text.data() + text.size(), value);
  return value;
}

}  // namespace

void RaiseIfAskedToWait(const ImapResponse& tagged) {
  const uint64_t backoffMs = SuggestedBackoffMs(tagged.text);
  if (tagged.name != "OK" && (tagged.code == "UNAVAILABLE" || backoffMs != 0)) {
    throw ServerAskedToWait("the server asked to wait: " + tagged.text, backoffMs);
  }
}

ImapSession::ImapSession(std::unique_ptr<TlsConnection> connection) : connection_(std::move(connection)) {}

ImapResponse ImapSession::readResponse() {
  char buffer[16384];
  for (;;) {
    if (std::optional<RawResponse> raw = reader_.next()) {
      ImapResponse response = ParseResponse(*raw);
      if (response.name == "BYE") throw ConnectionError("the server ended the session: " + response.text, true);
      return response;
    }
    reader_.feed(std::string_view(buffer, connection_->read(buffer, sizeof buffer)));
  }
}

std::string ImapSession::nextTag() {
  std::string tag = "Q";
  tag += std::to_string(nextTag_++);
  return tag;
}

LiteralMode ImapSession::literalModeFor(size_t literalBytes) const {
  if (has("LITERAL+") || (has("LITERAL-") && literalBytes <= 4096)) return LiteralMode::NonSynchronizing;
  return LiteralMode::Synchronizing;
}

std::optional<ImapResponse> ImapSession::send(std::vector<std::string> chunks, bool synchronizing) {
  for (size_t i = 0; i < chunks.size(); ++i) {
    connection_->write(chunks[i]);
    if (!synchronizing || i + 1 == chunks.size()) continue;
    // The server's go-ahead for the literal, or its refusal at once (a
    // message over its size limit, say), which ends the command.
    for (;;) {
      ImapResponse response = readResponse();
      if (response.kind == ImapResponse::Kind::Continuation) break;
      if (response.kind == ImapResponse::Kind::Tagged) return response;
    }
  }
  return std::nullopt;
}

CommandResult ImapSession::run(ImapCommand command) {
  const bool synchronizing = command.literalMode() == LiteralMode::Synchronizing;
  std::vector<std::string> chunks = command.finish();
  const std::string tag = chunks[0].substr(0, chunks[0].find(' '));
  CommandResult result;
  if (std::optional<ImapResponse> refused = send(std::move(chunks), synchronizing)) {
    result.tagged = std::move(*refused);
    return result;
  }
  result = readCompletion();
  if (result.tagged.tag != tag) throw ImapProtocolError("the server answered a command it was not sent");
  return result;
}

std::string ImapSession::sendWithoutWaiting(ImapCommand command) {
  std::vector<std::string> chunks = command.finish();
  std::string tag = chunks[0].substr(0, chunks[0].find(' '));
  send(std::move(chunks), /*synchronizing=*/false);
  return tag;
}

CommandResult ImapSession::readCompletion() {
  CommandResult result;
  for (;;) {
    ImapResponse response = readResponse();
    if (response.kind == ImapResponse::Kind::Tagged) {
      result.tagged = std::move(response);
      return result;
    }
    if (response.kind == ImapResponse::Kind::Untagged) result.untagged.push_back(std::move(response));
  }
}

CommandResult ImapSession::run(const std::string& simpleCommand) {
  return run(ImapCommand(nextTag(), simpleCommand, LiteralMode::Synchronizing));
}

void ImapSession::refreshCapabilities() {
  const CommandResult result = run("CAPABILITY");
  for (const ImapResponse& response : result.untagged) {
    if (auto capabilities = CapabilitiesIn(response)) capabilities_ = std::move(*capabilities);
  }
}

void ImapSession::open(bool startTls) {
  const ImapResponse greeting = readResponse();
  if (greeting.name != "OK" && greeting.name != "PREAUTH") {
    throw ImapProtocolError("the server did not greet: " + greeting.text);
  }
  refreshCapabilities();
  if (!startTls) return;
  // Required: credentials never travel in clear.
  if (!has("STARTTLS")) throw ImapRefusal("the server does not offer STARTTLS, so nothing is sent");
  const CommandResult result = run("STARTTLS");
  if (!result.ok()) throw ImapRefusal("the server refused STARTTLS: " + result.tagged.text);
  if (reader_.pendingBytes() != 0) throw ImapProtocolError("the server sent data before the TLS handshake");
  connection_->startTls();
  refreshCapabilities();
}

CommandResult ImapSession::authenticate(const std::string& mechanism, const std::string& initialResponse) {
  if (has("SASL-IR")) {
    return run(ImapCommand(nextTag(), "AUTHENTICATE", LiteralMode::Synchronizing)
                   .atom(mechanism)
                   .atom(initialResponse));
  }
  const std::string tag = nextTag();
  connection_->write(tag + " AUTHENTICATE " + mechanism + "\r\n");
  CommandResult result;
  bool answered = false;
  for (;;) {
    ImapResponse response = readResponse();
    if (response.kind == ImapResponse::Kind::Continuation) {
      // The first "+" asks for the response; a later one carries an error
      // (XOAUTH2), answered with an empty line to end the exchange.
      connection_->write(answered ? std::string("\r\n") : initialResponse + "\r\n");
      answered = true;
    } else if (response.kind == ImapResponse::Kind::Tagged) {
      result.tagged = std::move(response);
      return result;
    }
  }
}

void ImapSession::logIn(const std::string& user, const std::string& secret, bool oauth2) {
  CommandResult result;
  if (oauth2) {
    result = authenticate("XOAUTH2", Base64Encode("user=" + user + "\x01" "auth=Bearer " + secret + "\x01\x01"));
  } else if (has("AUTH=PLAIN")) {
    result = authenticate("PLAIN", Base64Encode(std::string(1, '\0') + user + std::string(1, '\0') + secret));
  } else if (!has("LOGINDISABLED")) {
    result = run(ImapCommand(nextTag(), "LOGIN", LiteralMode::Synchronizing).string(user).string(secret));
  } else {
    throw ImapRefusal("the server offers no way to log in that quernel knows");
  }
  // No retry: repeated failures could lock the account.
  if (!result.ok()) throw ImapRefusal("the server refused the log-in: " + result.tagged.text);
  refreshCapabilities();
}

}  // namespace quernel
