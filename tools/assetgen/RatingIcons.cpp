#include <QPainter>

#include "tools/assetgen/Pictures.h"

namespace kestrova::assetgen {
namespace {

// A JPEG has no transparency: drawn on the window's own background.
QImage GoodMark() {
    QImage image = NewCanvas(18, 19, QColor::fromRgb(kButtonFace));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(1.0, 2.5, 16.0, 14.5);
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0.0, QColor(255, 92, 64));
    fill.setColorAt(1.0, QColor(214, 20, 20));
    p.setPen(QPen(QColor(160, 12, 12), 0.8));
    p.setBrush(fill);
    p.drawPath(HeartPath(box));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 190));
    p.drawEllipse(QRectF(4.0, 5.0, 3.2, 2.6));
    return image;
}

QImage NeutralMark() {
    QImage image = NewCanvas(16, 15);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient fill(QPointF(6.0, 5.0), 9.0);
    fill.setColorAt(0.0, QColor(255, 214, 92));
    fill.setColorAt(1.0, QColor(232, 150, 16));
    p.setPen(QPen(QColor(176, 108, 8), 1.0));
    p.setBrush(fill);
    p.drawEllipse(QRectF(1.5, 1.0, 13.0, 13.0));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 6.5, 7.0, 2.0));
    return image;
}

QImage BadMark() {
    QImage image = NewCanvas(19, 14);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(2.5, 0.5, 14.0, 13.0);
    p.setPen(QPen(QColor(40, 40, 40), 0.8));
    p.setBrush(QColor(96, 96, 104));
    p.drawPath(HeartPath(box));
    QPen crack(Qt::white, 1.4);
    crack.setJoinStyle(Qt::MiterJoin);
    p.setPen(crack);
    p.setBrush(Qt::NoBrush);
    const QPointF zigzag[] = {{9.5, 2.0}, {8.0, 5.5}, {11.0, 8.0}, {9.5, 12.5}};
    p.drawPolyline(zigzag, 4);
    return image;
}

}  // namespace

std::vector<AssetFile> RatingIcons() {
    return {
        JpegFile("rating_good.jpg", GoodMark()),
        GifFile("rating_neutral.gif", NeutralMark()),
        GifFile("rating_bad.gif", BadMark()),
    };
}

}  // namespace kestrova::assetgen
