#include "tools/assetgen/Drawing.h"

#include <QBuffer>
#include <QColor>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "tools/assetgen/GifWriter.h"
#include "tools/assetgen/Palette.h"

namespace kestrova::assetgen {
namespace {

std::vector<std::uint8_t> Encode(const QImage& image, const char* format, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, quality))
        throw std::runtime_error(std::string("cannot encode ") + format);
    return {bytes.begin(), bytes.end()};
}

QPointF At(const QRectF& box, double fx, double fy) {
    return {box.left() + fx * box.width(), box.top() + fy * box.height()};
}

}  // namespace

QImage NewCanvas(int width, int height, QColor fill) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

QPainterPath HeartPath(const QRectF& box) {
    QPainterPath path(At(box, 0.5, 1.0));
    path.cubicTo(At(box, 0.38, 0.84), At(box, 0.0, 0.62), At(box, 0.0, 0.3));
    path.cubicTo(At(box, 0.0, 0.08), At(box, 0.18, 0.0), At(box, 0.28, 0.0));
    path.cubicTo(At(box, 0.4, 0.0), At(box, 0.47, 0.08), At(box, 0.5, 0.18));
    path.cubicTo(At(box, 0.53, 0.08), At(box, 0.6, 0.0), At(box, 0.72, 0.0));
    path.cubicTo(At(box, 0.82, 0.0), At(box, 1.0, 0.08), At(box, 1.0, 0.3));
    path.cubicTo(At(box, 1.0, 0.62), At(box, 0.62, 0.84), At(box, 0.5, 1.0));
    path.closeSubpath();
    return path;
}

QPainterPath DiamondPath(const QRectF& box) {
    QPainterPath path(At(box, 0.5, 1.0));
    path.lineTo(At(box, 0.0, 0.36));
    path.lineTo(At(box, 0.22, 0.0));
    path.lineTo(At(box, 0.78, 0.0));
    path.lineTo(At(box, 1.0, 0.36));
    path.closeSubpath();
    return path;
}

QPainterPath CrownPath(const QRectF& box) {
    QPainterPath path(At(box, 0.05, 1.0));
    path.lineTo(At(box, 0.0, 0.25));
    path.lineTo(At(box, 0.3, 0.55));
    path.lineTo(At(box, 0.5, 0.0));
    path.lineTo(At(box, 0.7, 0.55));
    path.lineTo(At(box, 1.0, 0.25));
    path.lineTo(At(box, 0.95, 1.0));
    path.closeSubpath();
    return path;
}

QPainterPath StarPath(QPointF centre, double outerRadius, double innerRadius, int points) {
    QPainterPath path;
    for (int i = 0; i < points * 2; ++i) {
        const double radius = i % 2 == 0 ? outerRadius : innerRadius;
        const double angle = -std::numbers::pi / 2 + std::numbers::pi * i / points;
        const QPointF p(centre.x() + radius * std::cos(angle),
                        centre.y() + radius * std::sin(angle));
        if (i == 0) {
            path.moveTo(p);
        } else {
            path.lineTo(p);
        }
    }
    path.closeSubpath();
    return path;
}

std::vector<std::uint8_t> EncodeJpeg(const QImage& image, int quality) {
    return Encode(image.convertToFormat(QImage::Format_RGB32), "JPEG", quality);
}

std::vector<std::uint8_t> EncodePng(const QImage& image) {
    return Encode(image.convertToFormat(QImage::Format_ARGB32), "PNG", -1);
}

AssetFile JpegFile(std::string name, const QImage& image, int quality) {
    return {std::move(name), EncodeJpeg(image, quality), "jpeg", {image.size()}, {}};
}

AssetFile PngFile(std::string name, const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    return {std::move(name), EncodePng(argb), "png", {image.size()}, argb};
}

AssetFile GifFile(std::string name, const QImage& image, QRgb matte) {
    const IndexedImage indexed = ToIndexed(image, matte);
    return {std::move(name), EncodeGif(indexed), "gif", {image.size()}, FromIndexed(indexed)};
}

}  // namespace kestrova::assetgen
