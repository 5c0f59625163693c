// The Windows build has no TLS connection yet (Schannel is to come), so
// "-imap" says it is not available there.

#include "platform/tls_connection.h"

namespace quernel {

std::unique_ptr<TlsConnection> ConnectTls(const std::string& host, uint16_t, bool, const TlsSettings&) {
  throw ConnectionError(host + ": uploading over IMAP is not available on Windows yet", false);
}

bool TlsAvailable() { return false; }

}  // namespace quernel
