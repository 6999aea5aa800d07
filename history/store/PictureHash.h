#pragma once
// Pictures are kept once each, under the SHA-256 of their bytes.

#include <array>
#include <cstdint>
#include <string>

#include "text/Text.h"

namespace kestrova {

using Sha256Digest = std::array<std::uint8_t, 32>;

Sha256Digest Sha256Of(const ByteBuffer& bytes);
std::string HexOf(const Sha256Digest& digest);

}  // namespace kestrova
