// The re-encoding as the program did it before it had its own decoders: the
// toolkit's image reader, painter and JPEG writer. The tests hold the
// program's re-encoding to these bytes.

#include "QtPictureOracle.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

namespace kestrova::testing {
namespace {

// Larger pictures are refused before decoding: a few hundred bytes of a crafted
// file could otherwise ask for gigabytes of pixels.
constexpr int kMaxSide = 8192;

// The JFIF density the JPEG carries: 100 dots per inch, as 3937 dots per metre.
// Fixed, so that the bytes depend on the picture alone and not on the screen
// of whichever program re-encodes it.
constexpr int kDotsPerMetre = 3937;

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

PictureSize QtProbePictureSize(const ByteBuffer& bytes) {
    const QImage image = Decode(bytes);
    if (image.isNull()) {
        return {};
    }
    return {image.width(), image.height()};
}

ByteBuffer QtReencodeAsJpeg(const ByteBuffer& bytes) {
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

}  // namespace kestrova::testing
