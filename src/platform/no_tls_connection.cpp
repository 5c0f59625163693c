// Builds without a TLS library (a Linux build configured with
// QUERNEL_IMAP=OFF, and the demo) have no TLS connection, so "-imap" says
// it is not available there.

#include "platform/tls_connection.h"

namespace quernel {

std::unique_ptr<TlsConnection> ConnectTls(const std::string& host, uint16_t, bool, const TlsSettings&) {
  throw ConnectionError(host + ": uploading over IMAP is not available in this build", false);
}

bool TlsAvailable() { return false; }

}  // namespace quernel
