// TlsConnection with OpenSSL 3 over a non-blocking socket: every wait is a
// poll() bounded by the timeout, so a silent server never blocks a run.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/tls_connection.h"

namespace quernel {
namespace {

std::string OpenSslReason() {
  const unsigned long code = ERR_get_error();
  ERR_clear_error();
  if (code == 0) return "connection closed";
  char text[256];
  ERR_error_string_n(code, text, sizeof text);
  return text;
}

bool IsAddress(const std::string& host) {
  unsigned char address[16];
  return inet_pton(AF_INET, host.c_str(), address) == 1 || inet_pton(AF_INET6, host.c_str(), address) == 1;
}

class OpenSslConnection : public TlsConnection {
 public:
  OpenSslConnection(std::string host, int socket, const TlsSettings& settings)
      : host_(std::move(host)), socket_(socket), settings_(settings) {}
  ~OpenSslConnection() override {
    if (ssl_ != nullptr) SSL_free(ssl_);
    if (context_ != nullptr) SSL_CTX_free(context_);
    ::close(socket_);
  }

  void write(std::string_view bytes) override {
    while (!bytes.empty()) {
      if (ssl_ != nullptr) {
        size_t written = 0;
        if (SSL_write_ex(ssl_, bytes.data(), bytes.size(), &written) == 1) {
          bytes.remove_prefix(written);
        } else {
          waitFor(SSL_get_error(ssl_, 0), "sending");
        }
        continue;
      }
      const ssize_t sent = ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (sent > 0) {
        bytes.remove_prefix(static_cast<size_t>(sent));
      } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        poll(POLLOUT, "sending");
      } else {
        fail("sending", std::strerror(errno));
      }
    }
  }

  size_t read(char* buffer, size_t size) override {
    for (;;) {
      if (ssl_ != nullptr) {
        size_t got = 0;
        const int result = SSL_read_ex(ssl_, buffer, size, &got);
        if (result == 1) return got;
        const int error = SSL_get_error(ssl_, result);
        if (error == SSL_ERROR_ZERO_RETURN) fail("receiving", "the server closed the connection");
        waitFor(error, "receiving");
        continue;
      }
      const ssize_t got = ::recv(socket_, buffer, size, 0);
      if (got > 0) return static_cast<size_t>(got);
      if (got == 0) fail("receiving", "the server closed the connection");
      if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) fail("receiving", std::strerror(errno));
      poll(POLLIN, "receiving");
    }
  }

  void startTls() override {
    context_ = SSL_CTX_new(TLS_client_method());
    if (context_ == nullptr) fail("starting TLS", OpenSslReason(), false);
    SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION);
    SSL_CTX_set_verify(context_, SSL_VERIFY_PEER, nullptr);
    if (SSL_CTX_set_default_verify_paths(context_) != 1) ERR_clear_error();
    if (!settings_.caFile.empty() &&
        SSL_CTX_load_verify_locations(context_, settings_.caFile.c_str(), nullptr) != 1) {
      fail("reading the CA file " + settings_.caFile, OpenSslReason(), false);
    }
    ssl_ = SSL_new(context_);
    if (ssl_ == nullptr || SSL_set_fd(ssl_, socket_) != 1) fail("starting TLS", OpenSslReason(), false);
    if (IsAddress(host_)) {
      X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), host_.c_str());
    } else {
      SSL_set_tlsext_host_name(ssl_, host_.c_str());
      SSL_set1_host(ssl_, host_.c_str());
    }
    for (;;) {
      const int result = SSL_connect(ssl_);
      if (result == 1) return;
      const int error = SSL_get_error(ssl_, result);
      if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
        const long verdict = SSL_get_verify_result(ssl_);
        if (verdict != X509_V_OK) {
          fail("checking the server's certificate", X509_verify_cert_error_string(verdict), false);
        }
        fail("the TLS handshake", OpenSslReason(), false);
      }
      waitFor(error, "the TLS handshake");
    }
  }

 private:
  [[noreturn]] void fail(const std::string& doing, const std::string& reason, bool retryable = true) {
    throw ConnectionError(host_ + ": " + doing + ": " + reason, retryable);
  }

  void poll(short events, const char* doing) {
    pollfd entry{socket_, events, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(settings_.timeout.count()));
    if (ready == 0) fail(doing, "no answer for " + std::to_string(settings_.timeout.count() / 1000) + " s");
    if (ready < 0 && errno != EINTR) fail(doing, std::strerror(errno));
  }

  void waitFor(int sslError, const char* doing) {
    if (sslError == SSL_ERROR_WANT_READ) return poll(POLLIN, doing);
    if (sslError == SSL_ERROR_WANT_WRITE) return poll(POLLOUT, doing);
    if (sslError == SSL_ERROR_SYSCALL && errno != 0) fail(doing, std::strerror(errno));
    fail(doing, OpenSslReason());
  }

  std::string host_;
  int socket_;
  TlsSettings settings_;
  SSL_CTX* context_ = nullptr;
  SSL* ssl_ = nullptr;
};

// A non-blocking socket connected to the first address that answers.
int ConnectSocket(const std::string& host, uint16_t port, std::chrono::milliseconds timeout) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* addresses = nullptr;
  const int lookup = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses);
  if (lookup != 0) throw ConnectionError(host + ": " + gai_strerror(lookup), true);
  std::string reason = "no address";
  int connected = -1;
  for (addrinfo* address = addresses; address != nullptr && connected < 0; address = address->ai_next) {
    const int socket = ::socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                                address->ai_protocol);
    if (socket < 0) continue;
    int error = ::connect(socket, address->ai_addr, address->ai_addrlen) == 0 ? 0 : errno;
    if (error == EINPROGRESS) {
      pollfd entry{socket, POLLOUT, 0};
      const int ready = ::poll(&entry, 1, static_cast<int>(timeout.count()));
      socklen_t length = sizeof error;
      if (ready <= 0) {
        error = ETIMEDOUT;
      } else if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
        error = errno;
      }
    }
    if (error == 0) {
      connected = socket;
    } else {
      reason = std::strerror(error);
      ::close(socket);
    }
  }
  freeaddrinfo(addresses);
  if (connected < 0) throw ConnectionError(host + ":" + std::to_string(port) + ": " + reason, true);
  return connected;
}

}  // namespace

std::unique_ptr<TlsConnection> ConnectTls(const std::string& host, uint16_t port, bool tlsNow,
                                          const TlsSettings& settings) {
  // OpenSSL writes to the socket itself, without MSG_NOSIGNAL: a server
  // that hangs up must give an error to reconnect after, not end the run.
  ::signal(SIGPIPE, SIG_IGN);
  auto connection =
      std::make_unique<OpenSslConnection>(host, ConnectSocket(host, port, settings.timeout), settings);
  if (tlsNow) connection->startTls();
  return connection;
}

bool TlsAvailable() { return true; }

}  // namespace quernel
