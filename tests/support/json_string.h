#pragma once
// Bytes as a JSON string for the fixtures that tell Python scripts what to
// expect: every byte beyond printable ASCII as \u00XX, so that Python reads
// the bytes back with .encode("latin-1").

#include <string>

namespace quernel::testing {

std::string JsonString(const std::string& bytes);

}  // namespace quernel::testing
