#pragma once
// What every drawing of the generator shares: canvases, shapes, encoders and
// the record of one generated file.

#include <QImage>
#include <QPainterPath>
#include <QSize>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrova::assetgen {

// The system button-face colour that the window and its group boxes show.
inline constexpr QRgb kButtonFace = 0xfff0f0f0;

struct AssetFile {
    std::string name;  // path below its output folder, '/' separated
    std::vector<std::uint8_t> bytes;
    QByteArray format;         // as QImageReader names it: "jpeg", "gif", "png", "ico"
    std::vector<QSize> sizes;  // one per image in the file
    QImage exact;              // for lossless formats: what a decoder must give back
};

QImage NewCanvas(int width, int height, QColor fill = Qt::transparent);

// Shapes filling the given box.
QPainterPath HeartPath(const QRectF& box);
QPainterPath DiamondPath(const QRectF& box);
QPainterPath CrownPath(const QRectF& box);
QPainterPath StarPath(QPointF centre, double outerRadius, double innerRadius, int points);

std::vector<std::uint8_t> EncodeJpeg(const QImage& image, int quality);
std::vector<std::uint8_t> EncodePng(const QImage& image);

AssetFile JpegFile(std::string name, const QImage& image, int quality = 92);
AssetFile PngFile(std::string name, const QImage& image);
// Partly transparent edges are blended over the matte before the palette is made.
AssetFile GifFile(std::string name, const QImage& image, QRgb matte = kButtonFace);

}  // namespace kestrova::assetgen
