#include <QPainter>

#include "tools/assetgen/IcoWriter.h"
#include "tools/assetgen/Pictures.h"

namespace kestrova::assetgen {
namespace {

struct Colours {
    QColor tileTop, tileBottom, tileEdge, lens, ring, heart, handle;
};

// A magnifying glass over a heart on a blue tile: looking into a member's record.
QImage DrawIcon(int size, const Colours& colours, bool smooth) {
    const double s = size;
    QImage image = NewCanvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, smooth);

    const QRectF tile(0.04 * s, 0.04 * s, 0.92 * s, 0.92 * s);
    QLinearGradient tileFill(tile.topLeft(), tile.bottomLeft());
    tileFill.setColorAt(0.0, colours.tileTop);
    tileFill.setColorAt(1.0, colours.tileBottom);
    p.setPen(size >= 32 ? QPen(colours.tileEdge, s / 48.0) : Qt::NoPen);
    p.setBrush(tileFill);
    p.drawRoundedRect(tile, 0.18 * s, 0.18 * s);

    const QPointF lensCentre(0.42 * s, 0.42 * s);
    const double lensRadius = 0.25 * s;
    p.setPen(QPen(colours.handle, 0.13 * s, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(0.62 * s, 0.62 * s), QPointF(0.81 * s, 0.81 * s));

    p.setPen(QPen(colours.ring, std::max(1.0, 0.08 * s)));
    p.setBrush(colours.lens);
    p.drawEllipse(lensCentre, lensRadius, lensRadius);

    p.setPen(Qt::NoPen);
    p.setBrush(colours.heart);
    const double heart = 0.26 * s;
    p.drawPath(HeartPath(
        QRectF(lensCentre.x() - heart / 2, lensCentre.y() - heart * 0.42, heart, heart * 0.9)));
    return image;
}

const Colours kRich{QColor(58, 122, 222),  QColor(22, 64, 160),   QColor(12, 40, 110),
                    QColor(224, 238, 255), QColor(255, 255, 255), QColor(226, 32, 40),
                    QColor(244, 190, 32)};

}  // namespace

AssetFile WindowIcon() {
    // The 16-colour image keeps to the standard palette and hard edges.
    const Colours plain{QColor(0, 0, 128),     QColor(0, 0, 128),     QColor(0, 0, 0),
                        QColor(255, 255, 255), QColor(192, 192, 192), QColor(255, 0, 0),
                        QColor(255, 255, 0)};

    const std::vector<IconImage> images = {
        {DrawIcon(48, plain, false), IconDepth::k16Colours, false},
        {DrawIcon(48, kRich, true), IconDepth::k256Colours, false},
        {DrawIcon(32, kRich, true), IconDepth::k256Colours, false},
        {DrawIcon(16, kRich, true), IconDepth::k256Colours, false},
        {DrawIcon(128, kRich, true), IconDepth::kTrueColour, true},
        {DrawIcon(48, kRich, true), IconDepth::kTrueColour, false},
        {DrawIcon(32, kRich, true), IconDepth::kTrueColour, false},
        {DrawIcon(16, kRich, true), IconDepth::kTrueColour, false},
    };
    AssetFile file{"window.ico", EncodeIco(images), "ico", {}, {}};
    for (const IconImage& image : images)
        file.sizes.push_back(image.image.size());
    return file;
}

// The same drawing as the window icon's 32-bit images, so that the menu, the
// task bar and the window's title bar show one picture.
std::vector<AssetFile> DesktopIcons() {
    std::vector<AssetFile> files;
    for (const int size : {16, 32, 48, 128, 256}) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        files.push_back(
            PngFile("hicolor/" + folder + "/apps/kestrova.png", DrawIcon(size, kRich, true)));
    }
    return files;
}

}  // namespace kestrova::assetgen
