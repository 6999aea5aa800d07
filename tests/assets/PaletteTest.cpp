#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tools/assetgen/Palette.h"

namespace kestrova::assetgen {
namespace {

QImage Gradient(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / (width - 1), y * 255 / (height - 1), 128));
    }
    return image;
}

TEST(MedianCutPalette, FewColoursAreKeptExactly) {
    QImage image(4, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgb(1, 2, 3));
    image.setPixel(1, 0, qRgb(250, 0, 0));
    image.setPixel(2, 0, qRgb(1, 2, 3));
    image.setPixel(3, 0, qRgba(9, 9, 9, 0));  // transparent: no entry
    const auto palette = MedianCutPalette(image, 2);
    EXPECT_EQ(std::set<QRgb>(palette.begin(), palette.end()),
              (std::set<QRgb>{qRgb(1, 2, 3), qRgb(250, 0, 0)}));
}

TEST(MedianCutPalette, ManyColoursReduceToTheLimitAndSpanTheRange) {
    const QImage image = Gradient(64, 64);
    for (const int limit : {2, 16, 255}) {
        const auto palette = MedianCutPalette(image, limit);
        EXPECT_EQ(static_cast<int>(palette.size()), limit);
        // Every pixel finds a colour close to it: a 64-step ramp per channel
        // in 255 boxes leaves no pixel far from its box's mean.
        if (limit == 255) {
            int worst = 0;
            for (int y = 0; y < 64; ++y) {
                for (int x = 0; x < 64; ++x) {
                    const QRgb c = image.pixel(x, y);
                    const QRgb p = palette[NearestIndex(palette, c)];
                    worst = std::max(
                        {worst, std::abs(qRed(c) - qRed(p)), std::abs(qGreen(c) - qGreen(p))});
                }
            }
            EXPECT_LE(worst, 16);
        }
    }
}

TEST(ToIndexed, TransparentPixelsShareTheLastEntry) {
    QImage image(3, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));
    image.setPixel(1, 0, qRgb(200, 10, 10));
    image.setPixel(2, 0, qRgba(255, 255, 255, 60));  // below the threshold
    const IndexedImage indexed = ToIndexed(image, qRgb(240, 240, 240));
    ASSERT_EQ(indexed.transparentIndex, static_cast<int>(indexed.palette.size()) - 1);
    EXPECT_EQ(indexed.pixels[0], indexed.transparentIndex);
    EXPECT_EQ(indexed.pixels[2], indexed.transparentIndex);
    EXPECT_EQ(indexed.palette[indexed.pixels[1]], qRgb(200, 10, 10));
}

TEST(ToIndexed, HalfTransparentEdgesBlendIntoTheMatte) {
    QImage image(1, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(0, 0, 0, 204));  // 80 % black over white
    const IndexedImage indexed = ToIndexed(image, qRgb(255, 255, 255));
    EXPECT_EQ(indexed.transparentIndex, -1);
    EXPECT_EQ(indexed.palette[indexed.pixels[0]], qRgb(51, 51, 51));
}

}  // namespace
}  // namespace kestrova::assetgen
