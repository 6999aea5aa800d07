// The icons installed for the desktop (assets/icons/hicolor) against the
// window's own icon: the same drawing at every size the two share, and the
// same look at the size only the desktop has.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <string>

#include "assets/Assets.h"
#include "tests/assets/QtDecode.h"

namespace kestrova::assets {
namespace {

using testing::DecodeAll;

std::vector<std::uint8_t> ReadIcon(int size) {
    const QString path =
        QStringLiteral(KESTROVA_DESKTOP_ICON_DIR "/hicolor/%1x%1/apps/kestrova.png").arg(size);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return {bytes.begin(), bytes.end()};
}

// The window icon's 32-bit image of that size.
QImage WindowIconImage(int size) {
    const auto decoded = DecodeAll(WindowIcon());
    // The 32-bit images are the last four: 128, 48, 32, 16.
    for (std::size_t i = 4; i < decoded.images.size(); ++i) {
        if (decoded.images[i].width() == size)
            return decoded.images[i];
    }
    return {};
}

bool Near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance &&
           std::abs(qAlpha(a) - qAlpha(b)) <= tolerance;
}

class DesktopIconTest : public ::testing::TestWithParam<int> {};

TEST_P(DesktopIconTest, IsAPngOfItsSizeOnARoundedTile) {
    const int size = GetParam();
    const auto bytes = ReadIcon(size);
    ASSERT_FALSE(bytes.empty()) << size;
    const auto decoded = DecodeAll(bytes);
    EXPECT_EQ(decoded.format, "png");
    ASSERT_EQ(decoded.images.size(), 1u);
    const QImage& image = decoded.images[0];
    EXPECT_EQ(image.size(), QSize(size, size));
    EXPECT_TRUE(image.hasAlphaChannel());
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(size - 1, size - 1)), 0);
    EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255);
}

TEST_P(DesktopIconTest, IsTheWindowIconsDrawingOrLooksLikeIt) {
    const int size = GetParam();
    const auto decoded = DecodeAll(ReadIcon(size));
    ASSERT_EQ(decoded.images.size(), 1u);
    const QImage& image = decoded.images[0];
    if (const QImage same = WindowIconImage(size); !same.isNull()) {
        ASSERT_EQ(same.size(), image.size());
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const QRgb a = image.pixel(x, y);
                const QRgb b = same.pixel(x, y);
                if (qAlpha(a) == 0 && qAlpha(b) == 0)
                    continue;
                // A partly transparent pixel may pass through premultiplied
                // form in one reader, and Qt rounds that back by one step or
                // not depending on the processor's vector path.
                if (qAlpha(a) < 255 || qAlpha(b) < 255) {
                    ASSERT_TRUE(Near(a, b, 1)) << size << " px at " << x << "," << y << ": "
                                               << std::hex << a << " vs " << b;
                    continue;
                }
                ASSERT_EQ(a, b) << size << " px at " << x << "," << y;
            }
        }
        return;
    }
    // A size the window icon lacks: the same picture as its largest image at
    // the places that tell it (tile, lens, heart, handle, tile's lower part).
    const QImage largest = WindowIconImage(128);
    ASSERT_FALSE(largest.isNull());
    for (const QPointF at : {QPointF(0.15, 0.5), QPointF(0.3, 0.3), QPointF(0.42, 0.42),
                             QPointF(0.75, 0.75), QPointF(0.5, 0.88)}) {
        const QRgb here = image.pixel(int(at.x() * size), int(at.y() * size));
        const QRgb there = largest.pixel(int(at.x() * 128), int(at.y() * 128));
        EXPECT_TRUE(Near(here, there, 24))
            << at.x() << "," << at.y() << ": " << std::hex << here << " vs " << there;
    }
}

INSTANTIATE_TEST_SUITE_P(Hicolor, DesktopIconTest, ::testing::Values(16, 32, 48, 128, 256));

TEST(DesktopIcons, TheThemeHoldsTheFiveSizesAndNothingElse) {
    const QDir theme(QStringLiteral(KESTROVA_DESKTOP_ICON_DIR "/hicolor"));
    ASSERT_TRUE(theme.exists());
    const QStringList sizes = theme.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    EXPECT_EQ(sizes, (QStringList{"128x128", "16x16", "256x256", "32x32", "48x48"}));
    for (const QString& size : sizes) {
        EXPECT_EQ(QDir(theme.filePath(size + "/apps")).entryList(QDir::Files),
                  QStringList{"kestrova.png"})
            << size.toStdString();
    }
    // 64 px is not drawn: a size the theme lacks gives nothing.
    EXPECT_TRUE(ReadIcon(64).empty());
}

}  // namespace
}  // namespace kestrova::assets
