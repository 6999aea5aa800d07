#pragma once
// Decoding bytes with Qt's image readers, as the window will.

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <cstdint>
#include <span>
#include <vector>

namespace kestrova::testing {

struct Decoded {
    QByteArray format;  // empty when no reader recognises the bytes
    std::vector<QImage> images;
};

inline Decoded DecodeAll(std::span<const std::uint8_t> bytes) {
    QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    Decoded out{reader.format(), {}};
    const int count = reader.imageCount() > 0 ? reader.imageCount() : 1;
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        QImage image = reader.read();
        if (image.isNull())
            break;
        out.images.push_back(image.convertToFormat(QImage::Format_ARGB32));
    }
    return out;
}

}  // namespace kestrova::testing
