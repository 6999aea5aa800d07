#include "TestPictures.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

namespace kestrova::testing {
namespace {

void PutLe16(ByteBuffer& out, int value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

// LZW codes of 9 bits, LSB first. Every pixel is written as its own literal
// code, with a clear code often enough that the code width never grows: valid
// GIF that any decoder reads, just not compressed.
class GifCodeWriter {
  public:
    void Put(int code) {
        accumulator_ |= static_cast<std::uint32_t>(code) << bits_;
        bits_ += 9;
        while (bits_ >= 8) {
            bytes_.push_back(static_cast<std::uint8_t>(accumulator_ & 0xFF));
            accumulator_ >>= 8;
            bits_ -= 8;
        }
    }
    ByteBuffer Finish() {
        if (bits_ > 0) {
            bytes_.push_back(static_cast<std::uint8_t>(accumulator_ & 0xFF));
        }
        return bytes_;
    }

  private:
    ByteBuffer bytes_;
    std::uint32_t accumulator_ = 0;
    int bits_ = 0;
};

}  // namespace

QImage DrawTestPicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(30, 90, 200));
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(250, 210, 40));
    painter.drawEllipse(QRectF(width * 0.1, height * 0.1, width * 0.6, height * 0.6));
    painter.setBrush(QColor(200, 30, 30));
    painter.drawRect(QRectF(0, height * 0.8, width, height * 0.2));
    painter.end();
    return image;
}

ByteBuffer EncodeWith(const QImage& image, const char* format) {
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image)) {
        return {};
    }
    return ByteBuffer(encoded.begin(), encoded.end());
}

ByteBuffer EncodeGif(const QImage& image) {
    const QImage indexed =
        image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    QList<QRgb> palette = indexed.colorTable();
    palette.resize(256, qRgb(0, 0, 0));

    ByteBuffer out = {'G', 'I', 'F', '8', '9', 'a'};
    PutLe16(out, indexed.width());
    PutLe16(out, indexed.height());
    out.push_back(0xF7);  // global table of 256 colours
    out.push_back(0);     // background colour
    out.push_back(0);     // aspect ratio
    for (QRgb colour : palette) {
        out.push_back(static_cast<std::uint8_t>(qRed(colour)));
        out.push_back(static_cast<std::uint8_t>(qGreen(colour)));
        out.push_back(static_cast<std::uint8_t>(qBlue(colour)));
    }
    out.push_back(0x2C);  // image descriptor
    PutLe16(out, 0);
    PutLe16(out, 0);
    PutLe16(out, indexed.width());
    PutLe16(out, indexed.height());
    out.push_back(0);
    out.push_back(8);  // minimum code size

    constexpr int kClear = 256;
    constexpr int kEnd = 257;
    GifCodeWriter codes;
    int sinceClear = 0;
    for (int y = 0; y < indexed.height(); ++y) {
        const uchar* row = indexed.constScanLine(y);
        for (int x = 0; x < indexed.width(); ++x) {
            if (sinceClear == 0) {
                codes.Put(kClear);
            }
            codes.Put(row[x]);
            sinceClear = (sinceClear + 1) % 200;
        }
    }
    codes.Put(kEnd);
    const ByteBuffer data = codes.Finish();
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t length = std::min<std::size_t>(255, data.size() - at);
        out.push_back(static_cast<std::uint8_t>(length));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                   data.begin() + static_cast<std::ptrdiff_t>(at + length));
    }
    out.push_back(0);     // end of image data
    out.push_back(0x3B);  // trailer
    return out;
}

QImage DecodeBytes(const ByteBuffer& bytes) {
    QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return reader.read();
}

}  // namespace kestrova::testing
