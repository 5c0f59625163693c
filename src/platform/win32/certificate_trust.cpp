// Two chain engines: the system's, and, for -cafile, one whose only roots
// are the file's (hExclusiveRoot). A certificate is trusted when either
// accepts it, so the file adds authorities to the system's without the
// system store being changed. (hAdditionalStore alone would not do: a root
// found there still ends in CERT_E_UNTRUSTEDROOT.)

#include "platform/win32/certificate_trust.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstddef>
#include <cstdio>
#include <vector>

#include "platform/tls_connection.h"
#include "platform/win32/last_error_cause.h"
#include "platform/win32/program_text.h"

namespace quernel {
namespace {

constexpr long kLargestCaFile = 16L << 20;

[[noreturn]] void FailCaFile(const std::string& caFile, const std::string& reason) {
  throw ConnectionError("reading the CA file " + caFile + ": " + reason, false);
}

std::string ReadCaFile(const std::string& caFile) {
  FILE* file = _wfopen(WideProgramText(caFile).c_str(), L"rb");
  if (file == nullptr) FailCaFile(caFile, SystemMessage(GetLastError()));
  std::string text;
  char chunk[65536];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0 && text.size() < kLargestCaFile) text.append(chunk, got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) FailCaFile(caFile, "the file could not be read");
  if (text.size() >= kLargestCaFile) FailCaFile(caFile, "the file is larger than 16 MiB");
  return text;
}

// Adds each PEM certificate of `text` to `store`; returns how many.
int AddPemCertificates(const std::string& text, HCERTSTORE store) {
  static constexpr std::string_view kBegin = "-----BEGIN CERTIFICATE-----";
  static constexpr std::string_view kEnd = "-----END CERTIFICATE-----";
  int added = 0;
  for (size_t begin = text.find(kBegin); begin != std::string::npos; begin = text.find(kBegin, begin + 1)) {
    const size_t end = text.find(kEnd, begin);
    if (end == std::string::npos) break;
    const auto length = static_cast<DWORD>(end + kEnd.size() - begin);
    DWORD size = 0;
    if (!CryptStringToBinaryA(text.data() + begin, length, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                              nullptr)) {
      continue;
    }
    std::vector<BYTE> der(size);
    if (CryptStringToBinaryA(text.data() + begin, length, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr,
                             nullptr) &&
        CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), size, CERT_STORE_ADD_ALWAYS,
                                         nullptr)) {
      ++added;
    }
  }
  return added;
}

// The 4 or 16 bytes of `host` when it is an IP address, else empty.
std::string AddressBytes(const std::string& host) {
  addrinfo hints{};
  hints.ai_flags = AI_NUMERICHOST;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) return {};
  std::string bytes;
  if (found->ai_family == AF_INET) {
    const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    bytes.assign(reinterpret_cast<const char*>(&address->sin_addr), 4);
  } else if (found->ai_family == AF_INET6) {
    const auto* address = reinterpret_cast<const sockaddr_in6*>(found->ai_addr);
    bytes.assign(reinterpret_cast<const char*>(&address->sin6_addr), 16);
  }
  freeaddrinfo(found);
  return bytes;
}

// Whether the certificate's subject alternative names hold the address.
// The SSL policy matches names only (Wine's, and Windows' before 10), so
// an address is matched here, as OpenSSL does on Linux.
bool NamesAddress(PCCERT_CONTEXT certificate, const std::string& address) {
  const CERT_EXTENSION* extension = CertFindExtension(szOID_SUBJECT_ALT_NAME2, certificate->pCertInfo->cExtension,
                                                      certificate->pCertInfo->rgExtension);
  if (extension == nullptr) return false;
  CERT_ALT_NAME_INFO* names = nullptr;
  DWORD size = 0;
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, extension->Value.pbData, extension->Value.cbData,
                           CRYPT_DECODE_ALLOC_FLAG, nullptr, &names, &size)) {
    return false;
  }
  bool found = false;
  for (DWORD i = 0; i < names->cAltEntry && !found; ++i) {
    const CERT_ALT_NAME_ENTRY& entry = names->rgAltEntry[i];
    found = entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS &&
            std::string_view(reinterpret_cast<const char*>(entry.IPAddress.pbData), entry.IPAddress.cbData) == address;
  }
  LocalFree(names);
  return found;
}

// The policy error for a chain's trust status.
DWORD ChainTrustError(DWORD trust) {
  if (trust & CERT_TRUST_IS_NOT_TIME_VALID) return static_cast<DWORD>(CERT_E_EXPIRED);
  if (trust & CERT_TRUST_IS_REVOKED) return static_cast<DWORD>(CERT_E_REVOKED);
  if (trust & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) return static_cast<DWORD>(CERT_E_WRONG_USAGE);
  if (trust & CERT_TRUST_IS_UNTRUSTED_ROOT) return static_cast<DWORD>(CERT_E_UNTRUSTEDROOT);
  return static_cast<DWORD>(CERT_E_CHAINING);
}

// 0 when `engine` chains `certificate` to a trusted root and the SSL
// policy accepts it for `host` (no name: any); else the error code.
DWORD ChainError(HCERTCHAINENGINE engine, PCCERT_CONTEXT certificate, std::wstring host) {
  char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
  LPSTR usages[] = {serverAuth};
  CERT_CHAIN_PARA chainPara{};
  chainPara.cbSize = sizeof chainPara;
  chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
  chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  if (!CertGetCertificateChain(engine, certificate, nullptr, certificate->hCertStore, &chainPara, 0, nullptr,
                               &chain)) {
    return GetLastError();
  }
  // The chain's own verdict first: Wine's SSL policy lets a partial chain
  // (a leaf whose issuer is nowhere) pass.
  const DWORD trust = chain->TrustStatus.dwErrorStatus;
  if (trust != CERT_TRUST_NO_ERROR) {
    CertFreeCertificateChain(chain);
    return ChainTrustError(trust);
  }
  HTTPSPolicyCallbackData ssl{};
  ssl.cbStruct = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = host.empty() ? nullptr : host.data();
  CERT_CHAIN_POLICY_PARA policyPara{};
  policyPara.cbSize = sizeof policyPara;
  policyPara.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS status{};
  status.cbSize = sizeof status;
  if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policyPara, &status)) {
    status.dwError = GetLastError();
  }
  CertFreeCertificateChain(chain);
  return status.dwError;
}

bool IsUnknownAuthority(DWORD error) {
  return error == static_cast<DWORD>(CERT_E_UNTRUSTEDROOT) || error == static_cast<DWORD>(CERT_E_CHAINING);
}

std::string Describe(DWORD error, const std::string& host) {
  switch (static_cast<HRESULT>(error)) {
    case CERT_E_UNTRUSTEDROOT:
    case CERT_E_CHAINING:
      return "the certificate is not from a trusted authority";
    case CERT_E_CN_NO_MATCH:
      return "the certificate is not valid for " + host;
    case CERT_E_EXPIRED:
      return "the certificate has expired or is not yet valid";
    case CERT_E_WRONG_USAGE:
      return "the certificate is not for a server";
    case CERT_E_REVOKED:
      return "the certificate has been revoked";
    default:
      return SystemMessage(error);
  }
}

}  // namespace

CertificateTrust::CertificateTrust(const std::string& caFile) {
  if (caFile.empty()) return;
  const std::string text = ReadCaFile(caFile);
  caStore_ = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
  if (caStore_ == nullptr) FailCaFile(caFile, SystemMessage(GetLastError()));
  if (AddPemCertificates(text, caStore_) == 0) FailCaFile(caFile, "no PEM certificate in it");
  CERT_CHAIN_ENGINE_CONFIG config{};
  // The Windows 7 layout, up to hExclusiveTrustedPeople: newer systems take
  // it too, and Wine knows no other with hExclusiveRoot.
  config.cbSize = offsetof(CERT_CHAIN_ENGINE_CONFIG, dwExclusiveFlags);
  config.hExclusiveRoot = caStore_;
  // The file's intermediates, for a chain the server sends incomplete.
  config.cAdditionalStore = 1;
  config.rghAdditionalStore = &caStore_;
  if (!CertCreateCertificateChainEngine(&config, &caEngine_)) {
    caEngine_ = nullptr;
    FailCaFile(caFile, SystemMessage(GetLastError()));
  }
}

CertificateTrust::~CertificateTrust() {
  if (caEngine_ != nullptr) CertFreeCertificateChainEngine(caEngine_);
  if (caStore_ != nullptr) CertCloseStore(caStore_, 0);
}

std::string CertificateTrust::refusal(PCCERT_CONTEXT certificate, const std::string& host) const {
  const std::string address = AddressBytes(host);
  const std::wstring wideHost = address.empty() ? WideProgramText(host) : std::wstring();
  DWORD error = ChainError(nullptr, certificate, wideHost);
  if (error != 0 && caEngine_ != nullptr && IsUnknownAuthority(error)) {
    error = ChainError(caEngine_, certificate, wideHost);
  }
  if (error == 0 && !address.empty() && !NamesAddress(certificate, address)) {
    error = static_cast<DWORD>(CERT_E_CN_NO_MATCH);
  }
  return error == 0 ? std::string() : Describe(error, host);
}

}  // namespace quernel
