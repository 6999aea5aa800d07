#include "history/store/PictureHash.h"

#include <openssl/evp.h>

namespace kestrova {

// From libcrypto, which libcurl already brings along.
Sha256Digest Sha256Of(const ByteBuffer& bytes) {
    Sha256Digest digest{};
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr);
    return digest;
}

std::string HexOf(const Sha256Digest& digest) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(digest.size() * 2);
    for (const std::uint8_t byte : digest) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0f];
    }
    return hex;
}

}  // namespace kestrova
