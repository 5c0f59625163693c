#include "platform/secret_source.h"

// The Windows build cannot upload yet (no TLS connection), so it asks for
// no secret.

namespace quernel {

std::optional<std::string> SecretFromCommand(const std::string&) { return std::nullopt; }

std::optional<std::string> SecretFromTerminal(const std::string&) { return std::nullopt; }

}  // namespace quernel
