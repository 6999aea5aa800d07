#pragma once
// A libpq connection URI as messages show it: never its password.

#include <string>

namespace kestrova {

// The URI with the password of its user part and any password=... parameter
// replaced by "***"; other text unchanged.
std::string MaskedUri(const std::string& uri);

// Every copy of `secret` in `text` replaced by "***": a message a library
// made may quote what it was given.
std::string WithoutSecret(std::string text, const std::string& secret);

}  // namespace kestrova
