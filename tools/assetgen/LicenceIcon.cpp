#include <QPainter>

#include "tools/assetgen/Pictures.h"

namespace kestrova::assetgen {

// A certificate sheet with text lines and a red seal.
AssetFile LicenceIcon() {
    QImage image = NewCanvas(20, 22, QColor::fromRgb(kButtonFace));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(38, 88, 168), 1.0));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2.5, 1.5, 15.0, 19.0));
    p.setPen(QPen(QColor(38, 88, 168), 1.0));
    p.drawLine(QPointF(5.0, 5.0), QPointF(15.0, 5.0));
    p.setPen(QPen(QColor(150, 150, 150), 1.0));
    for (const double y : {8.5, 11.0, 13.5})
        p.drawLine(QPointF(5.0, y), QPointF(15.0, y));
    p.setPen(QPen(QColor(200, 24, 24), 1.2));
    p.setBrush(QColor(236, 60, 48));
    p.drawEllipse(QRectF(10.5, 14.0, 5.5, 5.5));
    return JpegFile("licence.jpg", image);
}

}  // namespace kestrova::assetgen
