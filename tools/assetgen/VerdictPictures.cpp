#include <QPainter>

#include "tools/assetgen/Pictures.h"

namespace kestrova::assetgen {
namespace {

constexpr int kWidth = 75;
constexpr int kHeight = 74;

// The green disc both pictures share, with the mark drawn in white on top.
template <typename DrawMark>
QImage OnGreenDisc(DrawMark drawMark) {
    QImage image = NewCanvas(kWidth, kHeight, QColor::fromRgb(kButtonFace));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF disc(4.0, 3.5, 67.0, 67.0);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawEllipse(disc.translated(1.5, 2.0));

    QRadialGradient fill(QPointF(28.0, 22.0), 52.0);
    fill.setColorAt(0.0, QColor(110, 214, 110));
    fill.setColorAt(0.55, QColor(44, 170, 64));
    fill.setColorAt(1.0, QColor(18, 118, 40));
    p.setPen(QPen(QColor(14, 96, 32), 1.5));
    p.setBrush(fill);
    p.drawEllipse(disc);

    QPen mark(Qt::white, 9.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(mark);
    p.setBrush(Qt::NoBrush);
    drawMark(p);
    return image;
}

}  // namespace

std::vector<AssetFile> VerdictPictures() {
    const QImage tick = OnGreenDisc([](QPainter& p) {
        const QPointF stroke[] = {{21.0, 38.0}, {32.5, 50.0}, {54.0, 24.0}};
        p.drawPolyline(stroke, 3);
    });
    const QImage cross = OnGreenDisc([](QPainter& p) {
        p.drawLine(QPointF(25.0, 24.5), QPointF(50.0, 49.5));
        p.drawLine(QPointF(50.0, 24.5), QPointF(25.0, 49.5));
    });
    return {JpegFile("verdict_tick.jpg", tick, 95), JpegFile("verdict_cross.jpg", cross, 95)};
}

}  // namespace kestrova::assetgen
