#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImageReader>

#include "TestPictures.h"
#include "imaging/Picture.h"

namespace kestrova {
namespace {

using testing::DecodeBytes;
using testing::DrawTestPicture;
using testing::EncodeGif;
using testing::EncodeWith;

ByteBuffer Bytes(std::initializer_list<int> values) {
    ByteBuffer out;
    for (int v : values) {
        out.push_back(static_cast<std::uint8_t>(v));
    }
    return out;
}

ByteBuffer Bytes(const std::string& text) {
    return ByteBuffer(text.begin(), text.end());
}

TEST(ImagingWithoutApplication, DecodersAndJpegEncoderAreAvailable) {
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    const QList<QByteArray> readable = QImageReader::supportedImageFormats();
    EXPECT_TRUE(readable.contains("jpeg"));
    EXPECT_TRUE(readable.contains("gif"));
    EXPECT_TRUE(readable.contains("png"));
    const ByteBuffer jpeg = ReencodeAsJpeg(EncodeGif(DrawTestPicture(16, 12)));
    ASSERT_FALSE(jpeg.empty());
    EXPECT_EQ(DetectPictureFormat(jpeg), PictureFormat::Jpeg);
}

struct FormatCase {
    const char* name;
    ByteBuffer bytes;
    PictureFormat format;
};

TEST(DetectPictureFormat, ByLeadingBytes) {
    const FormatCase cases[] = {
        {"empty", {}, PictureFormat::Empty},
        {"jpeg", Bytes({0xFF, 0xD8, 0xFF, 0xE0}), PictureFormat::Jpeg},
        {"jpeg two bytes", Bytes({0xFF, 0xD8}), PictureFormat::Jpeg},
        {"lone FF", Bytes({0xFF}), PictureFormat::Unknown},
        {"bmp", Bytes("BM\x36\x00"), PictureFormat::Bmp},
        {"bm lower case", Bytes("bm\x36\x00"), PictureFormat::Unknown},
        {"icon", Bytes({0x00, 0x00, 0x01, 0x00, 0x01, 0x00}), PictureFormat::Ico},
        {"cursor", Bytes({0x00, 0x00, 0x02, 0x00, 0x01, 0x00}), PictureFormat::Ico},
        {"type 3 is no icon", Bytes({0x00, 0x00, 0x03, 0x00}), PictureFormat::Unknown},
        {"gif87a", Bytes("GIF87a\x01\x00"), PictureFormat::Gif},
        {"gif89a", Bytes("GIF89a\x01\x00"), PictureFormat::Gif},
        {"gif88a", Bytes("GIF88a\x01\x00"), PictureFormat::Unknown},
        {"gif cut short", Bytes("GIF89"), PictureFormat::Unknown},
        {"png", Bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}), PictureFormat::Png},
        {"pcx version 5", Bytes({0x0A, 0x05, 0x01, 0x08}), PictureFormat::Pcx},
        {"pcx version 0", Bytes({0x0A, 0x00}), PictureFormat::Pcx},
        {"0A then no version", Bytes({0x0A, 0x09}), PictureFormat::Unknown},
        {"lone 0A", Bytes({0x0A}), PictureFormat::Unknown},
        {"html", Bytes("<html><body>404</body></html>"), PictureFormat::Unknown},
    };
    for (const FormatCase& c : cases) {
        EXPECT_EQ(DetectPictureFormat(c.bytes), c.format) << c.name;
    }
}

TEST(DetectPictureFormat, RealEncodersOutput) {
    const QImage picture = DrawTestPicture(20, 10);
    EXPECT_EQ(DetectPictureFormat(EncodeWith(picture, "jpeg")), PictureFormat::Jpeg);
    EXPECT_EQ(DetectPictureFormat(EncodeWith(picture, "png")), PictureFormat::Png);
    EXPECT_EQ(DetectPictureFormat(EncodeWith(picture, "bmp")), PictureFormat::Bmp);
    EXPECT_EQ(DetectPictureFormat(EncodeWith(picture, "ico")), PictureFormat::Ico);
    EXPECT_EQ(DetectPictureFormat(EncodeGif(picture)), PictureFormat::Gif);
}

TEST(PictureFormatName, NamesAndPictureBoxes) {
    struct Row {
        PictureFormat format;
        const char* name;
        bool shown;
    };
    const Row rows[] = {
        {PictureFormat::Empty, "empty", false}, {PictureFormat::Jpeg, "jpeg", true},
        {PictureFormat::Gif, "gif", true},      {PictureFormat::Png, "png", false},
        {PictureFormat::Bmp, "bmp", true},      {PictureFormat::Ico, "ico", true},
        {PictureFormat::Pcx, "pcx", true},      {PictureFormat::Unknown, "unknown", false},
    };
    for (const Row& row : rows) {
        EXPECT_STREQ(PictureFormatName(row.format), row.name);
        EXPECT_EQ(IsShownByPictureBox(row.format), row.shown) << row.name;
    }
}

TEST(ReencodeAsJpeg, EveryCommonFormatBecomesAJpegOfTheSameSize) {
    const QImage picture = DrawTestPicture(37, 23);
    const struct {
        const char* name;
        ByteBuffer bytes;
    } sources[] = {
        {"jpeg", EncodeWith(picture, "jpeg")},
        {"png", EncodeWith(picture, "png")},
        {"bmp", EncodeWith(picture, "bmp")},
        {"gif", EncodeGif(picture)},
    };
    for (const auto& source : sources) {
        SCOPED_TRACE(source.name);
        ASSERT_FALSE(source.bytes.empty());
        const ByteBuffer jpeg = ReencodeAsJpeg(source.bytes);
        ASSERT_EQ(DetectPictureFormat(jpeg), PictureFormat::Jpeg);
        const QImage decoded = DecodeBytes(jpeg);
        ASSERT_FALSE(decoded.isNull());
        EXPECT_EQ(decoded.size(), picture.size());
        // Inside the ellipse and on the bar the colours survive, within JPEG's loss.
        const QColor centre = decoded.pixelColor(11, 7);
        EXPECT_NEAR(centre.red(), 250, 30);
        EXPECT_NEAR(centre.green(), 210, 30);
        EXPECT_NEAR(centre.blue(), 40, 40);
        const QColor bar = decoded.pixelColor(30, 21);
        EXPECT_NEAR(bar.red(), 200, 40);
        EXPECT_NEAR(bar.green(), 30, 40);
    }
}

TEST(ReencodeAsJpeg, TransparentPixelsBecomeBlack) {
    QImage picture(16, 16, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    for (int y = 0; y < 16; ++y) {
        for (int x = 8; x < 16; ++x) {
            picture.setPixelColor(x, y, QColor(255, 255, 255));
        }
    }
    const QImage decoded = DecodeBytes(ReencodeAsJpeg(EncodeWith(picture, "png")));
    ASSERT_EQ(decoded.size(), QSize(16, 16));
    EXPECT_LT(decoded.pixelColor(2, 8).lightness(), 30);
    EXPECT_GT(decoded.pixelColor(13, 8).lightness(), 225);
}

TEST(ReencodeAsJpeg, WhatDoesNotDecodeGivesNothing) {
    const ByteBuffer jpeg = EncodeWith(DrawTestPicture(20, 20), "jpeg");
    const struct {
        const char* name;
        ByteBuffer bytes;
    } cases[] = {
        {"empty", {}},
        {"html error page",
         Bytes("<html><head><title>404</title></head><body>Not found</body></html>")},
        {"jpeg marker only", Bytes({0xFF, 0xD8})},
        {"gif signature only", Bytes("GIF89a")},
        {"first bytes of a jpeg", ByteBuffer(jpeg.begin(), jpeg.begin() + 20)},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(ReencodeAsJpeg(c.bytes).empty()) << c.name;
        const PictureSize size = ProbePictureSize(c.bytes);
        EXPECT_EQ(size.width, 0) << c.name;
        EXPECT_EQ(size.height, 0) << c.name;
    }
}

// A few bytes of PNG can announce a picture of gigabytes; sides above 8192
// pixels are refused before decoding. A thin picture shows the limit without
// needing the memory.
TEST(ReencodeAsJpeg, RefusesPicturesWiderOrTallerThanTheLimit) {
    const struct {
        int width;
        int height;
        bool accepted;
    } cases[] = {{8192, 1, true}, {1, 8192, true}, {8193, 1, false}, {1, 8193, false}};
    for (const auto& c : cases) {
        QImage thin(c.width, c.height, QImage::Format_RGB32);
        thin.fill(Qt::gray);
        const ByteBuffer png = EncodeWith(thin, "png");
        ASSERT_LT(png.size(), 2000u);
        EXPECT_EQ(ReencodeAsJpeg(png).empty(), !c.accepted) << c.width << "x" << c.height;
        EXPECT_EQ(ProbePictureSize(png).width, c.accepted ? c.width : 0);
    }
}

TEST(ProbePictureSize, PixelSizeOfEachFormat) {
    const QImage picture = DrawTestPicture(41, 17);
    for (const ByteBuffer& bytes : {EncodeWith(picture, "jpeg"), EncodeWith(picture, "png"),
                                    EncodeWith(picture, "bmp"), EncodeGif(picture)}) {
        const PictureSize size = ProbePictureSize(bytes);
        EXPECT_EQ(size.width, 41);
        EXPECT_EQ(size.height, 17);
    }
}

}  // namespace
}  // namespace kestrova
