// TlsConnection with Schannel over a non-blocking Winsock socket. Schannel
// only transforms bytes: the socket (WinsockSocket) does every wait with
// the timeout, and the server's certificate is checked here, after the
// handshake (CertificateTrust), since Schannel's own check knows neither
// the CA file nor, on every Windows version, the host name rules wanted.

#include "platform/win32/windows_api.h"

#include <algorithm>
#include <memory>
#include <string>

#include "platform/tls_connection.h"
#include "platform/win32/certificate_trust.h"
#include "platform/win32/last_error_cause.h"
#include "platform/win32/winsock_socket.h"

#define SECURITY_WIN32
// SCH_CREDENTIALS and TLS_PARAMETERS (which need UNICODE_STRING).
#define SCHANNEL_USE_BLACKLISTS
#include <subauth.h>
#include <schannel.h>
#include <security.h>

namespace quernel {
namespace {

// A handshake message or record larger than this is hostile input.
constexpr size_t kLargestIncoming = 1 << 20;
constexpr unsigned long kContextRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                          ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM;
constexpr DWORD kAllowedProtocols = SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT;

std::string StatusText(SECURITY_STATUS status) { return SystemMessage(static_cast<DWORD>(status)); }

// Credentials for TLS 1.2 or newer, with the certificate checked by us.
// SCH_CREDENTIALS (Windows 10 1809 and later, needed for TLS 1.3) first,
// else SCHANNEL_CRED, which older systems and Wine take.
SECURITY_STATUS AcquireCredentials(CredHandle& credentials) {
  const DWORD flags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
  TLS_PARAMETERS parameters{};
  parameters.grbitDisabledProtocols = ~kAllowedProtocols;
  SCH_CREDENTIALS modern{};
  modern.dwVersion = SCH_CREDENTIALS_VERSION;
  modern.dwFlags = flags;
  modern.cTlsParameters = 1;
  modern.pTlsParameters = &parameters;
  TimeStamp expiry;
  SECURITY_STATUS status = AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND,
                                                     nullptr, &modern, nullptr, nullptr, &credentials, &expiry);
  if (status == SEC_E_OK) return status;
  SCHANNEL_CRED legacy{};
  legacy.dwVersion = SCHANNEL_CRED_VERSION;
  legacy.dwFlags = flags;
  legacy.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
  return AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND, nullptr, &legacy,
                                   nullptr, nullptr, &credentials, &expiry);
}

// An output token Schannel allocated, freed however the step ends.
struct OutputToken {
  SecBuffer buffer{0, SECBUFFER_TOKEN, nullptr};
  SecBufferDesc description{SECBUFFER_VERSION, 1, &buffer};
  ~OutputToken() {
    if (buffer.pvBuffer != nullptr) FreeContextBuffer(buffer.pvBuffer);
  }
  std::string_view bytes() const { return {static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer}; }
};

class SchannelConnection : public TlsConnection {
 public:
  SchannelConnection(const std::string& host, uint16_t port, const TlsSettings& settings)
      : host_(host), socket_(host, port, settings.timeout), trust_(settings.caFile) {}
  ~SchannelConnection() override {
    if (haveContext_) DeleteSecurityContext(&context_);
    if (haveCredentials_) FreeCredentialsHandle(&credentials_);
  }

  void write(std::string_view bytes) override {
    if (!haveContext_) return socket_.sendAll(bytes, "sending");
    std::string record;
    while (!bytes.empty()) {
      const size_t chunk = std::min<size_t>(bytes.size(), sizes_.cbMaximumMessage);
      record.assign(sizes_.cbHeader, '\0');
      record.append(bytes.data(), chunk);
      record.append(sizes_.cbTrailer, '\0');
      SecBuffer buffers[4] = {
          {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
          {static_cast<unsigned long>(chunk), SECBUFFER_DATA, record.data() + sizes_.cbHeader},
          {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + sizes_.cbHeader + chunk},
          {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc description{SECBUFFER_VERSION, 4, buffers};
      const SECURITY_STATUS status = EncryptMessage(&context_, 0, &description, 0);
      if (status != SEC_E_OK) fail("sending", StatusText(status), true);
      socket_.sendAll(std::string_view(record.data(), buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer),
                      "sending");
      bytes.remove_prefix(chunk);
    }
  }

  size_t read(char* buffer, size_t size) override {
    if (!haveContext_) return socket_.receive(buffer, size, "receiving");
    while (plain_.empty()) decryptRecord();
    const size_t given = std::min(size, plain_.size());
    plain_.copy(buffer, given);
    plain_.erase(0, given);
    return given;
  }

  void startTls() override {
    const SECURITY_STATUS status = AcquireCredentials(credentials_);
    if (status != SEC_E_OK) fail("starting TLS", StatusText(status), false);
    haveCredentials_ = true;
    handshake();
    checkProtocol();
    checkCertificate();
    const SECURITY_STATUS sizes = QueryContextAttributesA(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_);
    if (sizes != SEC_E_OK) fail("starting TLS", StatusText(sizes), false);
  }

 private:
  [[noreturn]] void fail(const std::string& doing, const std::string& reason, bool retryable) const {
    throw ConnectionError(host_ + ": " + doing + ": " + reason, retryable);
  }

  // Appends what the server sends next to `incoming_`.
  void receiveMore(const char* doing) {
    if (incoming_.size() >= kLargestIncoming) fail(doing, "a TLS record larger than 1 MiB", true);
    char chunk[16 * 1024];
    incoming_.append(chunk, socket_.receive(chunk, sizeof chunk, doing));
  }

  // Runs InitializeSecurityContext until the handshake is complete, from
  // the first ClientHello, or (with a context) on a post-handshake message
  // already in `incoming_`. Bytes after the handshake stay in `incoming_`.
  void handshake() {
    unsigned long request = kContextRequest;
    unsigned long attributes = 0;
    if (!haveContext_) {
      OutputToken output;
      const SECURITY_STATUS status =
          InitializeSecurityContextA(&credentials_, nullptr, const_cast<char*>(host_.c_str()), request, 0, 0,
                                     nullptr, 0, &context_, &output.description, &attributes, nullptr);
      if (status != SEC_I_CONTINUE_NEEDED) fail("the TLS handshake", StatusText(status), false);
      haveContext_ = true;
      socket_.sendAll(output.bytes(), "the TLS handshake");
    }
    for (;;) {
      if (incoming_.empty()) receiveMore("the TLS handshake");
      SecBuffer input[2] = {{static_cast<unsigned long>(incoming_.size()), SECBUFFER_TOKEN, incoming_.data()},
                            {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc inputDescription{SECBUFFER_VERSION, 2, input};
      OutputToken output;
      const SECURITY_STATUS status =
          InitializeSecurityContextA(&credentials_, &context_, const_cast<char*>(host_.c_str()), request, 0, 0,
                                     &inputDescription, 0, nullptr, &output.description, &attributes, nullptr);
      if (status == SEC_E_INCOMPLETE_MESSAGE) {
        receiveMore("the TLS handshake");
        continue;
      }
      if (status == SEC_I_INCOMPLETE_CREDENTIALS && (request & ISC_REQ_USE_SUPPLIED_CREDS) == 0) {
        // The server asks for a client certificate: go on without one.
        request |= ISC_REQ_USE_SUPPLIED_CREDS;
        continue;
      }
      if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED) {
        fail("the TLS handshake", StatusText(status), false);
      }
      if (output.buffer.cbBuffer > 0) socket_.sendAll(output.bytes(), "the TLS handshake");
      keepExtra(input[1]);
      if (status == SEC_E_OK) return;
    }
  }

  // Keeps the bytes Schannel did not consume (SECBUFFER_EXTRA: the start
  // of the next message), at the end of `incoming_`; else none.
  void keepExtra(const SecBuffer& buffer) {
    if (buffer.BufferType == SECBUFFER_EXTRA && buffer.cbBuffer > 0 && buffer.cbBuffer <= incoming_.size()) {
      incoming_.erase(0, incoming_.size() - buffer.cbBuffer);
    } else {
      incoming_.clear();
    }
  }

  // Decrypts the next record of `incoming_` into `plain_`, receiving
  // until it is complete.
  void decryptRecord() {
    if (incoming_.empty()) receiveMore("receiving");
    SecBuffer buffers[4] = {{static_cast<unsigned long>(incoming_.size()), SECBUFFER_DATA, incoming_.data()},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc description{SECBUFFER_VERSION, 4, buffers};
    const SECURITY_STATUS status = DecryptMessage(&context_, &description, 0, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) return receiveMore("receiving");
    if (status == SEC_I_CONTEXT_EXPIRED) fail("receiving", "the server closed the connection", true);
    if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE) fail("receiving", StatusText(status), true);
    const SecBuffer* extra = nullptr;
    for (const SecBuffer& buffer : buffers) {
      if (buffer.BufferType == SECBUFFER_DATA) plain_.append(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
      if (buffer.BufferType == SECBUFFER_EXTRA) extra = &buffer;
    }
    if (extra != nullptr) {
      keepExtra(*extra);
    } else {
      incoming_.clear();
    }
    // TLS 1.3 session tickets and key updates: the message goes back
    // through InitializeSecurityContext.
    if (status == SEC_I_RENEGOTIATE) handshake();
  }

  void checkProtocol() {
    SecPkgContext_ConnectionInfo info{};
    const SECURITY_STATUS status = QueryContextAttributesA(&context_, SECPKG_ATTR_CONNECTION_INFO, &info);
    if (status != SEC_E_OK) fail("the TLS handshake", StatusText(status), false);
    if ((info.dwProtocol & kAllowedProtocols) == 0) fail("the TLS handshake", "the server offers no TLS 1.2 or newer", false);
  }

  void checkCertificate() {
    PCCERT_CONTEXT certificate = nullptr;
    const SECURITY_STATUS status = QueryContextAttributesA(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate);
    if (status != SEC_E_OK || certificate == nullptr) {
      fail("checking the server's certificate", "the server sent none", false);
    }
    const std::string refusal = trust_.refusal(certificate, host_);
    CertFreeCertificateContext(certificate);
    if (!refusal.empty()) fail("checking the server's certificate", refusal, false);
  }

  std::string host_;
  WinsockSocket socket_;
  CertificateTrust trust_;
  CredHandle credentials_{};
  CtxtHandle context_{};
  bool haveCredentials_ = false;
  bool haveContext_ = false;
  SecPkgContext_StreamSizes sizes_{};
  std::string incoming_;  // received, not yet decrypted
  std::string plain_;     // decrypted, not yet read
};

}  // namespace

std::unique_ptr<TlsConnection> ConnectTls(const std::string& host, uint16_t port, bool tlsNow,
                                          const TlsSettings& settings) {
  auto connection = std::make_unique<SchannelConnection>(host, port, settings);
  if (tlsNow) connection->startTls();
  return connection;
}

bool TlsAvailable() { return true; }

}  // namespace quernel
