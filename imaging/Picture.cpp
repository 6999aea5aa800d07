#include "imaging/Picture.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

namespace kestrova {
namespace {

// Larger pictures are refused before decoding: a few hundred bytes of a crafted
// file could otherwise ask for gigabytes of pixels.
constexpr int kMaxSide = 8192;

// The JFIF density the JPEG carries: 100 dots per inch, as 3937 dots per metre.
// Fixed, so that the bytes depend on the picture alone and not on the screen
// of whichever program re-encodes it.
constexpr int kDotsPerMetre = 3937;

bool StartsWith(const ByteBuffer& bytes, std::initializer_list<std::uint8_t> prefix) {
    if (bytes.size() < prefix.size()) {
        return false;
    }
    std::size_t i = 0;
    for (std::uint8_t b : prefix) {
        if (bytes[i++] != b) {
            return false;
        }
    }
    return true;
}

bool SizeAllowed(const QSize& size) {
    return size.width() > 0 && size.height() > 0 && size.width() <= kMaxSide &&
           size.height() <= kMaxSide;
}

// The first frame, or a null image when the bytes do not decode or are too large.
QImage Decode(const ByteBuffer& bytes) {
    if (bytes.empty()) {
        return {};
    }
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    const QSize announced = reader.size();
    if (announced.isValid() && !SizeAllowed(announced)) {
        return {};
    }
    QImage image = reader.read();
    if (image.isNull() || !SizeAllowed(image.size())) {
        return {};
    }
    return image;
}

}  // namespace

PictureFormat DetectPictureFormat(const ByteBuffer& bytes) {
    if (bytes.empty()) {
        return PictureFormat::Empty;
    }
    if (StartsWith(bytes, {0xFF, 0xD8})) {
        return PictureFormat::Jpeg;
    }
    if (StartsWith(bytes, {'B', 'M'})) {
        return PictureFormat::Bmp;
    }
    if (StartsWith(bytes, {0x00, 0x00, 0x01, 0x00}) ||
        StartsWith(bytes, {0x00, 0x00, 0x02, 0x00})) {
        return PictureFormat::Ico;
    }
    if (StartsWith(bytes, {'G', 'I', 'F', '8', '7', 'a'}) ||
        StartsWith(bytes, {'G', 'I', 'F', '8', '9', 'a'})) {
        return PictureFormat::Gif;
    }
    if (StartsWith(bytes, {0x89, 'P', 'N', 'G'})) {
        return PictureFormat::Png;
    }
    // PCX: manufacturer byte 10, then one of the versions the format knows.
    if (bytes.size() >= 2 && bytes[0] == 0x0A &&
        (bytes[1] == 0 || bytes[1] == 2 || bytes[1] == 3 || bytes[1] == 4 || bytes[1] == 5)) {
        return PictureFormat::Pcx;
    }
    return PictureFormat::Unknown;
}

const char* PictureFormatName(PictureFormat format) {
    switch (format) {
        case PictureFormat::Empty:
            return "empty";
        case PictureFormat::Jpeg:
            return "jpeg";
        case PictureFormat::Gif:
            return "gif";
        case PictureFormat::Png:
            return "png";
        case PictureFormat::Bmp:
            return "bmp";
        case PictureFormat::Ico:
            return "ico";
        case PictureFormat::Pcx:
            return "pcx";
        case PictureFormat::Unknown:
            break;
    }
    return "unknown";
}

bool IsShownByPictureBox(PictureFormat format) {
    switch (format) {
        case PictureFormat::Jpeg:
        case PictureFormat::Gif:
        case PictureFormat::Bmp:
        case PictureFormat::Ico:
        case PictureFormat::Pcx:
            return true;
        case PictureFormat::Empty:
        case PictureFormat::Png:
        case PictureFormat::Unknown:
            break;
    }
    return false;
}

PictureSize ProbePictureSize(const ByteBuffer& bytes) {
    const QImage image = Decode(bytes);
    if (image.isNull()) {
        return {};
    }
    return {image.width(), image.height()};
}

ByteBuffer ReencodeAsJpeg(const ByteBuffer& bytes) {
    const QImage source = Decode(bytes);
    if (source.isNull()) {
        return {};
    }
    // A fresh 32-bit ARGB canvas, all pixels transparent black, with the source
    // drawn over it at its own size: transparent areas end up black in the JPEG.
    QImage canvas(source.size(), QImage::Format_ARGB32);
    if (canvas.isNull()) {
        return {};
    }
    canvas.fill(0);
    canvas.setDotsPerMeterX(kDotsPerMetre);
    canvas.setDotsPerMeterY(kDotsPerMetre);
    {
        QPainter painter(&canvas);
        painter.drawImage(0, 0, source);
    }
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    if (!writer.write(canvas)) {
        return {};
    }
    return ByteBuffer(encoded.begin(), encoded.end());
}

}  // namespace kestrova
