#include "history/PictureHash.h"

#include <QCryptographicHash>
#include <algorithm>

namespace kestrova {

Sha256Digest Sha256Of(const ByteBuffer& bytes) {
    const QByteArray hash =
        QCryptographicHash::hash(QByteArrayView(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<qsizetype>(bytes.size())),
                                 QCryptographicHash::Sha256);
    Sha256Digest digest{};
    std::copy_n(reinterpret_cast<const std::uint8_t*>(hash.constData()), digest.size(),
                digest.begin());
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
