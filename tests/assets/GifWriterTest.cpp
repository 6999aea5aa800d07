#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "tests/assets/QtDecode.h"
#include "tools/assetgen/GifWriter.h"

namespace kestrova::assetgen {
namespace {

using testing::DecodeAll;

IndexedImage Picture(int width, int height, int colours, int transparentIndex = -1) {
    IndexedImage image;
    image.width = width;
    image.height = height;
    for (int i = 0; i < colours; ++i)
        image.palette.push_back(qRgb((i * 37) & 0xff, (i * 91 + 17) & 0xff, (255 - i) & 0xff));
    image.transparentIndex = transparentIndex;
    image.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    return image;
}

void ExpectRoundTrip(const IndexedImage& image) {
    const std::vector<std::uint8_t> gif = EncodeGif(image);
    const auto decoded = DecodeAll(gif);
    ASSERT_EQ(decoded.format, "gif");
    ASSERT_EQ(decoded.images.size(), 1u);
    const QImage& got = decoded.images[0];
    ASSERT_EQ(got.width(), image.width);
    ASSERT_EQ(got.height(), image.height);
    const QImage want = FromIndexed(image);
    int wrong = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const QRgb g = got.pixel(x, y);
            const QRgb w = want.pixel(x, y);
            if (qAlpha(w) == 0 ? qAlpha(g) != 0 : g != w)
                ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0);
}

struct Pattern {
    const char* name;
    int width, height, colours;
    int seed;  // 0: a repeating ramp, else random pixels
};

class GifRoundTrip : public ::testing::TestWithParam<Pattern> {};

TEST_P(GifRoundTrip, QtDecodesEveryPixel) {
    const Pattern& p = GetParam();
    IndexedImage image = Picture(p.width, p.height, p.colours);
    std::mt19937 random(static_cast<unsigned>(p.seed));
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        image.pixels[i] =
            static_cast<std::uint8_t>(p.seed == 0 ? (i / 3) % static_cast<std::size_t>(p.colours)
                                                  : random() % static_cast<unsigned>(p.colours));
    }
    ExpectRoundTrip(image);
}

INSTANTIATE_TEST_SUITE_P(
    Gif, GifRoundTrip,
    ::testing::Values(
        Pattern{"OnePixel", 1, 1, 1, 0}, Pattern{"TwoColours", 7, 5, 2, 0},
        Pattern{"ThreeColours", 13, 11, 3, 0}, Pattern{"SeventeenColours", 40, 9, 17, 1},
        // Noise fills the 4096-code table many times over: clear codes mid-stream.
        Pattern{"NoiseFullPalette", 300, 200, 256, 2}, Pattern{"NoiseFourColours", 640, 480, 4, 3},
        // Long runs grow codes up to 12 bits with few entries.
        Pattern{"LongRuns", 1000, 700, 129, 0}, Pattern{"WideSingleRow", 4000, 1, 256, 4}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Gif, UniformPictureOfManyPixels) {
    ExpectRoundTrip(Picture(512, 512, 2));
}

TEST(Gif, TransparentEntryDecodesTransparent) {
    IndexedImage image = Picture(6, 4, 3, 2);
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = static_cast<std::uint8_t>(i % 3);
    const auto gif = EncodeGif(image);
    const QImage got = DecodeAll(gif).images.at(0);
    EXPECT_EQ(qAlpha(got.pixel(2, 0)), 0);
    EXPECT_EQ(qAlpha(got.pixel(0, 0)), 255);
    ExpectRoundTrip(image);
}

TEST(Gif, WritesTheGif89aFrame) {
    const auto gif = EncodeGif(Picture(3, 2, 5));
    ASSERT_GE(gif.size(), 13u);
    EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
    EXPECT_EQ(gif[6] | gif[7] << 8, 3);
    EXPECT_EQ(gif[8] | gif[9] << 8, 2);
    EXPECT_EQ(gif[10] & 0x07, 2);  // five colours need a table of eight
    EXPECT_EQ(gif.back(), 0x3b);
}

TEST(Gif, RefusesWhatTheFormatCannotHold) {
    EXPECT_THROW(EncodeGif(Picture(0, 5, 2)), std::invalid_argument);
    EXPECT_THROW(EncodeGif(Picture(70000, 1, 2)), std::invalid_argument);
    EXPECT_THROW(EncodeGif(Picture(2, 2, 0)), std::invalid_argument);
    EXPECT_THROW(EncodeGif(Picture(2, 2, 257)), std::invalid_argument);
    IndexedImage outside = Picture(2, 2, 3);
    outside.pixels[3] = 3;
    EXPECT_THROW(EncodeGif(outside), std::invalid_argument);
    IndexedImage short_pixels = Picture(2, 2, 3);
    short_pixels.pixels.pop_back();
    EXPECT_THROW(EncodeGif(short_pixels), std::invalid_argument);
    EXPECT_THROW(EncodeGif(Picture(2, 2, 3, 3)), std::invalid_argument);
}

}  // namespace
}  // namespace kestrova::assetgen
