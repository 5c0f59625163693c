#pragma once
// Whether a server's certificate is to be trusted: a chain to the Windows
// certificate store, or to a CA of a PEM file, valid for the host name.

#include <memory>
#include <string>

#include "platform/win32/windows_api.h"

#include <wincrypt.h>

namespace quernel {

class CertificateTrust {
 public:
  // `caFile` empty: the system's store only. An unreadable file, or one
  // without a certificate, raises ConnectionError (not retryable).
  explicit CertificateTrust(const std::string& caFile);
  ~CertificateTrust();
  CertificateTrust(const CertificateTrust&) = delete;
  CertificateTrust& operator=(const CertificateTrust&) = delete;

  // Empty when `certificate` (with the intermediates the server sent in
  // its store) is trusted for `host`, else why not.
  std::string refusal(PCCERT_CONTEXT certificate, const std::string& host) const;

 private:
  HCERTSTORE caStore_ = nullptr;
  HCERTCHAINENGINE caEngine_ = nullptr;
};

}  // namespace quernel
