#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/assets/QtDecode.h"
#include "tools/assetgen/IcoWriter.h"

namespace kestrova::assetgen {
namespace {

using testing::DecodeAll;

// Quarters in four standard colours; the top-left pixel transparent.
QImage Quarters(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const bool right = x >= size / 2;
            const bool bottom = y >= size / 2;
            image.setPixel(x, y,
                           right ? (bottom ? qRgb(0, 0, 255) : qRgb(255, 0, 0))
                                 : (bottom ? qRgb(255, 255, 0) : qRgb(0, 255, 0)));
        }
    }
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));
    return image;
}

struct Case {
    const char* name;
    int size;
    IconDepth depth;
    bool png;
};

class IcoRoundTrip : public ::testing::TestWithParam<Case> {};

TEST_P(IcoRoundTrip, QtReadsSizeColoursAndMask) {
    const Case& c = GetParam();
    const auto ico = EncodeIco({{Quarters(c.size), c.depth, c.png}});
    const auto decoded = DecodeAll(ico);
    ASSERT_EQ(decoded.format, "ico");
    ASSERT_EQ(decoded.images.size(), 1u);
    const QImage& got = decoded.images[0];
    ASSERT_EQ(got.width(), c.size);
    ASSERT_EQ(got.height(), c.size);
    EXPECT_EQ(qAlpha(got.pixel(0, 0)), 0);
    const int q = c.size / 4;
    EXPECT_EQ(got.pixel(q, q + 1), qRgb(0, 255, 0));
    EXPECT_EQ(got.pixel(3 * q, q), qRgb(255, 0, 0));
    EXPECT_EQ(got.pixel(q, 3 * q), qRgb(255, 255, 0));
    EXPECT_EQ(got.pixel(3 * q, 3 * q), qRgb(0, 0, 255));
}

INSTANTIATE_TEST_SUITE_P(
    Ico, IcoRoundTrip,
    ::testing::Values(Case{"Sixteen", 48, IconDepth::k16Colours, false},
                      Case{"OddWidthSixteen", 13, IconDepth::k16Colours, false},
                      Case{"TwoFiftySix", 32, IconDepth::k256Colours, false},
                      Case{"OddWidthTwoFiftySix", 22, IconDepth::k256Colours, false},
                      Case{"TrueColour", 16, IconDepth::kTrueColour, false},
                      Case{"Png", 128, IconDepth::kTrueColour, true},
                      Case{"FullSizePng", 256, IconDepth::kTrueColour, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Ico, KeepsPartialAlphaInTrueColour) {
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(qRgba(10, 20, 30, 100));
    const auto decoded = DecodeAll(EncodeIco({{image, IconDepth::kTrueColour, false}}));
    ASSERT_EQ(decoded.images.size(), 1u);
    EXPECT_EQ(qAlpha(decoded.images[0].pixel(4, 4)), 100);
}

TEST(Ico, ImagesKeepTheirOrder) {
    const auto ico = EncodeIco({{Quarters(48), IconDepth::k16Colours, false},
                                {Quarters(16), IconDepth::k256Colours, false},
                                {Quarters(64), IconDepth::kTrueColour, true},
                                {Quarters(32), IconDepth::kTrueColour, false}});
    const auto decoded = DecodeAll(ico);
    ASSERT_EQ(decoded.images.size(), 4u);
    const int sizes[] = {48, 16, 64, 32};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(decoded.images[static_cast<std::size_t>(i)].width(), sizes[i]);
}

TEST(Ico, RefusesWhatTheFormatCannotHold) {
    EXPECT_THROW(EncodeIco({}), std::invalid_argument);
    EXPECT_THROW(
        EncodeIco({{QImage(257, 257, QImage::Format_ARGB32), IconDepth::kTrueColour, false}}),
        std::invalid_argument);
    EXPECT_THROW(EncodeIco({{Quarters(16), IconDepth::k256Colours, true}}), std::invalid_argument);
}

}  // namespace
}  // namespace kestrova::assetgen
