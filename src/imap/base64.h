#pragma once
// Base64 for the SASL exchanges (AUTHENTICATE PLAIN and XOAUTH2). Written
// here because it is a dozen lines and the Windows build has no OpenSSL.

#include <string>
#include <string_view>

namespace quernel {

std::string Base64Encode(std::string_view bytes);

}  // namespace quernel
