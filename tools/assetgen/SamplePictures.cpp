#include <QFont>
#include <QPainter>
#include <functional>

#include "tools/assetgen/Pictures.h"

namespace kestrova::assetgen {
namespace {

// ---- avatars: invented faces, 160 x 160 JPEG ----

enum class Hair { kShort, kLong, kBun };

struct Face {
    QColor backgroundTop, backgroundBottom, skin, hair, shirt;
    Hair hair_style;
    bool glasses;
};

QImage DrawFace(const Face& face) {
    QImage image = NewCanvas(160, 160);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient background(0, 0, 0, 160);
    background.setColorAt(0.0, face.backgroundTop);
    background.setColorAt(1.0, face.backgroundBottom);
    p.fillRect(image.rect(), background);

    p.setPen(Qt::NoPen);
    if (face.hair_style == Hair::kLong) {
        p.setBrush(face.hair);
        p.drawRoundedRect(QRectF(38, 34, 84, 104), 36, 36);
    }
    p.setBrush(face.shirt);
    p.drawEllipse(QRectF(22, 122, 116, 90));
    p.setBrush(face.skin);
    p.drawRect(QRectF(68, 100, 24, 28));
    p.drawEllipse(QRectF(46, 40, 68, 78));

    p.setBrush(face.hair);
    switch (face.hair_style) {
        case Hair::kShort: {
            QPainterPath top;
            top.moveTo(44, 78);
            top.cubicTo(38, 30, 122, 30, 116, 78);
            top.cubicTo(108, 56, 60, 50, 44, 78);
            p.drawPath(top);
            break;
        }
        case Hair::kLong: {
            QPainterPath fringe;
            fringe.moveTo(46, 72);
            fringe.cubicTo(44, 36, 116, 36, 114, 72);
            fringe.cubicTo(96, 54, 66, 54, 46, 72);
            p.drawPath(fringe);
            break;
        }
        case Hair::kBun:
            p.drawEllipse(QRectF(64, 18, 32, 28));
            p.drawChord(QRectF(46, 38, 68, 50), 0, 180 * 16);
            break;
    }

    p.setBrush(QColor(40, 32, 28));
    p.drawEllipse(QRectF(64, 74, 7, 8));
    p.drawEllipse(QRectF(89, 74, 7, 8));
    p.setBrush(QColor(255, 140, 140, 90));
    p.drawEllipse(QRectF(55, 88, 12, 7));
    p.drawEllipse(QRectF(93, 88, 12, 7));

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(150, 60, 50), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(68, 86, 24, 16), 200 * 16, 140 * 16);

    if (face.glasses) {
        p.setPen(QPen(QColor(30, 30, 30), 2.5));
        p.drawEllipse(QRectF(56, 68, 22, 20));
        p.drawEllipse(QRectF(82, 68, 22, 20));
        p.drawLine(QPointF(78, 77), QPointF(82, 77));
    }
    return image;
}

QImage DrawCat() {
    QImage image = NewCanvas(160, 160);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient background(QPointF(80, 70), 110);
    background.setColorAt(0.0, QColor(255, 244, 196));
    background.setColorAt(1.0, QColor(244, 200, 90));
    p.fillRect(image.rect(), background);

    const QColor fur(236, 136, 44);
    p.setPen(QPen(QColor(150, 80, 20), 2));
    p.setBrush(fur);
    const QPointF leftEar[] = {{36, 70}, {44, 22}, {74, 48}};
    const QPointF rightEar[] = {{124, 70}, {116, 22}, {86, 48}};
    p.drawPolygon(leftEar, 3);
    p.drawPolygon(rightEar, 3);
    p.drawEllipse(QRectF(28, 40, 104, 96));

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 236, 210));
    p.drawEllipse(QRectF(56, 86, 48, 40));
    p.setBrush(QColor(60, 120, 60));
    p.drawEllipse(QRectF(54, 70, 14, 16));
    p.drawEllipse(QRectF(92, 70, 14, 16));
    p.setBrush(QColor(20, 20, 20));
    p.drawEllipse(QRectF(59, 72, 4, 12));
    p.drawEllipse(QRectF(97, 72, 4, 12));
    p.setBrush(QColor(230, 110, 130));
    const QPointF nose[] = {{74, 94}, {86, 94}, {80, 101}};
    p.drawPolygon(nose, 3);

    p.setPen(QPen(QColor(90, 50, 20), 1.5));
    for (const double dy : {-4.0, 2.0, 8.0}) {
        p.drawLine(QPointF(66, 100), QPointF(30, 100 + dy * 1.5));
        p.drawLine(QPointF(94, 100), QPointF(130, 100 + dy * 1.5));
    }
    return image;
}

// ---- honour badges: 22 x 20 on a light tile ----

QImage DrawBadge(QColor tile, const std::function<void(QPainter&)>& drawEmblem) {
    QImage image = NewCanvas(22, 20, tile);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(tile.darker(125), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, 21.0, 19.0));
    drawEmblem(p);
    return image;
}

std::vector<AssetFile> HonourBadges() {
    const QImage medal = DrawBadge(QColor(255, 250, 236), [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 40, 40));
        const QPointF ribbon[] = {{7, 1}, {11, 8}, {15, 1}};
        p.drawPolygon(ribbon, 3);
        p.setPen(QPen(QColor(176, 120, 10), 1.0));
        p.setBrush(QColor(248, 196, 40));
        p.drawEllipse(QRectF(5.5, 6.5, 11, 11));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 240, 160));
        p.drawPath(StarPath(QPointF(11, 12.2), 3.6, 1.6, 5));
    });
    const QImage rosette = DrawBadge(QColor(240, 246, 255), [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 90, 200));
        const QPointF tails[] = {{7, 18}, {9, 9}, {13, 9}, {15, 18}, {11, 15}};
        p.drawPolygon(tails, 5);
        p.setBrush(QColor(60, 130, 240));
        p.drawPath(StarPath(QPointF(11, 8), 7, 5, 10));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(11, 8), 3, 3);
    });
    const QImage shield = DrawBadge(QColor(240, 252, 242), [](QPainter& p) {
        QPainterPath path(QPointF(11, 2));
        path.lineTo(18, 5);
        path.cubicTo(18, 12, 15, 16, 11, 18.5);
        path.cubicTo(7, 16, 4, 12, 4, 5);
        path.closeSubpath();
        p.setPen(QPen(QColor(20, 110, 50), 1.0));
        p.setBrush(QColor(46, 160, 80));
        p.drawPath(path);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPath(StarPath(QPointF(11, 9.5), 4.2, 1.8, 5));
    });
    const QImage flag = DrawBadge(QColor(255, 244, 244), [](QPainter& p) {
        p.setPen(QPen(QColor(90, 70, 60), 1.4));
        p.drawLine(QPointF(5, 2), QPointF(5, 18.5));
        QPainterPath cloth(QPointF(5.7, 3));
        cloth.cubicTo(10, 1, 12, 6, 18, 4);
        cloth.lineTo(18, 11);
        cloth.cubicTo(12, 13, 10, 8, 5.7, 10);
        cloth.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(226, 36, 36));
        p.drawPath(cloth);
    });
    const QImage gem = DrawBadge(QColor(248, 242, 255), [](QPainter& p) {
        p.setPen(QPen(QColor(90, 40, 150), 1.0));
        p.setBrush(QColor(150, 90, 220));
        p.drawPath(DiamondPath(QRectF(3.5, 3.5, 15, 13)));
        p.setPen(QPen(QColor(230, 210, 255), 0.8));
        p.drawLine(QPointF(3.5, 8.2), QPointF(18.5, 8.2));
        p.drawLine(QPointF(8, 8.2), QPointF(11, 16.5));
        p.drawLine(QPointF(14, 8.2), QPointF(11, 16.5));
    });
    const QImage crown = DrawBadge(QColor(255, 248, 236), [](QPainter& p) {
        p.setPen(QPen(QColor(190, 100, 0), 1.0));
        p.setBrush(QColor(250, 150, 30));
        p.drawPath(CrownPath(QRectF(3.5, 4, 15, 12)));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 30, 40));
        p.drawEllipse(QPointF(11, 12.5), 1.6, 1.6);
    });
    const QImage starDisc = DrawBadge(QColor(236, 250, 250), [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 150, 150));
        p.drawEllipse(QRectF(3, 2, 16, 16));
        p.setBrush(QColor(255, 255, 220));
        p.drawPath(StarPath(QPointF(11, 10.4), 6, 2.5, 5));
    });
    const QImage trophy = DrawBadge(QColor(255, 255, 240), [](QPainter& p) {
        p.setPen(QPen(QColor(170, 120, 0), 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(3, 4, 6, 6), 90 * 16, 180 * 16);
        p.drawArc(QRectF(13, 4, 6, 6), 270 * 16, 180 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(240, 190, 30));
        QPainterPath cup(QPointF(6, 3));
        cup.lineTo(16, 3);
        cup.cubicTo(16, 10, 13, 12, 11, 12);
        cup.cubicTo(9, 12, 6, 10, 6, 3);
        p.drawPath(cup);
        p.drawRect(QRectF(10, 12, 2, 3));
        p.drawRect(QRectF(7, 15, 8, 2.5));
    });
    return {
        PngFile("sample/honour_1.png", medal),    GifFile("sample/honour_2.gif", rosette),
        PngFile("sample/honour_3.png", shield),   GifFile("sample/honour_4.gif", flag),
        PngFile("sample/honour_5.png", gem),      GifFile("sample/honour_6.gif", crown),
        PngFile("sample/honour_7.png", starDisc), GifFile("sample/honour_8.gif", trophy),
    };
}

// ---- shop logos: 145 x 75 with an invented shop name ----

QFont LogoFont(const char* family, int pixelSize, bool bold) {
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QImage DrawTeaShopLogo() {
    QImage image = NewCanvas(145, 75, QColor(246, 250, 238));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath leaf(QPointF(14, 56));
    leaf.cubicTo(10, 30, 30, 14, 50, 14);
    leaf.cubicTo(50, 36, 38, 54, 14, 56);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 150, 60));
    p.drawPath(leaf);
    p.setPen(QPen(QColor(230, 245, 220), 1.5));
    p.drawLine(QPointF(16, 54), QPointF(46, 18));
    p.setPen(QColor(40, 90, 40));
    p.setFont(LogoFont("DejaVu Serif", 17, true));
    p.drawText(QRectF(52, 14, 90, 24), Qt::AlignLeft | Qt::AlignVCenter, "Hillbrook");
    p.setPen(QColor(110, 130, 90));
    p.setFont(LogoFont("DejaVu Sans", 12, false));
    p.drawText(QRectF(54, 38, 90, 20), Qt::AlignLeft | Qt::AlignVCenter, "TEA HOUSE");
    return image;
}

QImage DrawCraftShopLogo() {
    QImage image = NewCanvas(145, 75, QColor(255, 246, 230));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(200, 110, 40), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(4, 4, 137, 67), 8, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 90, 30));
    p.drawPath(StarPath(QPointF(28, 37), 16, 7, 7));
    p.setPen(QColor(120, 60, 20));
    p.setFont(LogoFont("DejaVu Sans", 15, true));
    p.drawText(QRectF(48, 14, 92, 24), Qt::AlignLeft | Qt::AlignVCenter, "MAPLE");
    p.drawText(QRectF(48, 36, 92, 24), Qt::AlignLeft | Qt::AlignVCenter, "& MOSS");
    return image;
}

QImage DrawLanternShopLogo() {
    QImage image = NewCanvas(145, 75, QColor(40, 24, 40));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(240, 200, 80), 1.5));
    p.drawLine(QPointF(26, 6), QPointF(26, 14));
    QRadialGradient glow(QPointF(24, 34), 24);
    glow.setColorAt(0.0, QColor(255, 120, 80));
    glow.setColorAt(1.0, QColor(190, 20, 30));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QRectF(8, 14, 36, 40));
    p.setBrush(QColor(240, 200, 80));
    p.drawRect(QRectF(18, 12, 16, 4));
    p.drawRect(QRectF(18, 52, 16, 4));
    p.drawRect(QRectF(25, 56, 2, 10));
    p.setPen(QColor(250, 220, 140));
    p.setFont(LogoFont("DejaVu Serif", 15, false));
    p.drawText(QRectF(50, 14, 92, 24), Qt::AlignLeft | Qt::AlignVCenter, "Little");
    p.setFont(LogoFont("DejaVu Serif", 15, true));
    p.drawText(QRectF(50, 36, 92, 24), Qt::AlignLeft | Qt::AlignVCenter, "Lantern");
    return image;
}

// ---- credit levels: 56 x 20, five levels each of hearts, diamonds and crowns ----

struct CreditColours {
    QColor heart, diamond, crown;
};

QImage DrawCreditLevel(int level, const CreditColours& colours) {
    const int kind = (level - 1) / 5;
    const int count = (level - 1) % 5 + 1;
    QImage image = NewCanvas(56, 20);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < count; ++i) {
        const QRectF box(1.0 + 11.0 * i, 5.0, 10.0, 10.0);
        switch (kind) {
            case 0:
                p.setPen(QPen(colours.heart.darker(140), 0.8));
                p.setBrush(colours.heart);
                p.drawPath(HeartPath(box));
                break;
            case 1:
                p.setPen(QPen(colours.diamond.darker(140), 0.8));
                p.setBrush(colours.diamond);
                // A plain rhombus: a cut-gem outline reads as a heart at this size.
                p.drawPolygon(QPolygonF({QPointF(box.center().x(), box.top()),
                                         QPointF(box.right(), box.center().y()),
                                         QPointF(box.center().x(), box.bottom()),
                                         QPointF(box.left(), box.center().y())}));
                break;
            default:
                p.setPen(QPen(colours.crown.darker(140), 0.8));
                p.setBrush(colours.crown);
                p.drawPath(CrownPath(box.adjusted(0, 1, 0, -1)));
                break;
        }
    }
    return image;
}

}  // namespace

std::vector<AssetFile> SamplePictures() {
    std::vector<AssetFile> files;
    files.push_back(
        JpegFile("sample/avatar_1.jpg",
                 DrawFace({QColor(170, 210, 250), QColor(90, 150, 220), QColor(250, 214, 180),
                           QColor(34, 30, 30), QColor(240, 120, 40), Hair::kShort, false})));
    files.push_back(
        JpegFile("sample/avatar_2.jpg",
                 DrawFace({QColor(255, 220, 230), QColor(240, 160, 190), QColor(246, 206, 170),
                           QColor(110, 60, 30), QColor(60, 140, 120), Hair::kLong, true})));
    files.push_back(
        JpegFile("sample/avatar_3.jpg",
                 DrawFace({QColor(210, 240, 200), QColor(120, 190, 110), QColor(236, 190, 150),
                           QColor(60, 40, 90), QColor(230, 200, 60), Hair::kBun, false})));
    files.push_back(JpegFile("sample/avatar_4.jpg", DrawCat()));

    for (AssetFile& badge : HonourBadges())
        files.push_back(std::move(badge));

    files.push_back(JpegFile("sample/shop_logo_1.jpg", DrawTeaShopLogo()));
    files.push_back(GifFile("sample/shop_logo_2.gif", DrawCraftShopLogo()));
    files.push_back(JpegFile("sample/shop_logo_3.jpg", DrawLanternShopLogo()));

    const CreditColours seller{QColor(232, 32, 42), QColor(44, 123, 229), QColor(242, 183, 5)};
    const CreditColours buyer{QColor(255, 122, 69), QColor(126, 87, 194), QColor(150, 160, 176)};
    for (int level = 1; level <= 15; ++level) {
        files.push_back(GifFile("sample/seller_credit_" + std::to_string(level) + ".gif",
                                DrawCreditLevel(level, seller)));
    }
    for (int level = 1; level <= 15; ++level) {
        files.push_back(GifFile("sample/buyer_credit_" + std::to_string(level) + ".gif",
                                DrawCreditLevel(level, buyer)));
    }
    return files;
}

}  // namespace kestrova::assetgen
