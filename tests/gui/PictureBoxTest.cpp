// Picture boxes show JPEG, BMP, icon, GIF and PCX bytes and nothing for PNG or
// anything else; one display mode: scaled down to fit, never enlarged, centred.
#include <gtest/gtest.h>

#include <QApplication>

#include "GuiSupport.h"
#include "assets/Assets.h"
#include "shell/PictureBox.h"

namespace kestrova {
namespace {

using testing::Encode;
using testing::EncodePcx24;
using testing::EncodePcx8;
using testing::OpenWindow;

// The neutral-rating icon, a GIF of 16 x 15, and the same picture in every
// other format.
QImage NeutralIcon() {
    return DecodeForPictureBox(assets::ToByteBuffer(assets::NeutralRatingIcon()));
}

struct FormatCase {
    const char* format;
    ByteBuffer bytes;
    bool shown;
};

std::vector<FormatCase> SamePictureInEveryFormat() {
    const QImage icon = NeutralIcon().convertToFormat(QImage::Format_RGB32);
    return {
        {"gif", assets::ToByteBuffer(assets::NeutralRatingIcon()), true},
        {"jpeg", Encode(icon, "jpeg"), true},
        {"bmp", Encode(icon, "bmp"), true},
        {"ico", Encode(icon, "ico"), true},
        {"pcx 8-bit", EncodePcx8(icon), true},
        {"pcx 24-bit", EncodePcx24(icon), true},
        {"png", Encode(icon, "png"), false},
        {"bytes of no picture", ByteBuffer{'h', 'e', 'l', 'l', 'o'}, false},
        {"BMP signature on broken bytes", ByteBuffer{'B', 'M', 1, 2, 3}, false},
    };
}

TEST(PictureBox, FormatsAreKnownByTheirLeadingBytes) {
    ASSERT_FALSE(NeutralIcon().isNull());
    OpenWindow open;
    QtWindow& fields = open.window.Fields();
    auto* box = open.window.ControlAs<PictureBox>(Ctl::图片框5);
    for (const FormatCase& c : SamePictureInEveryFormat()) {
        SCOPED_TRACE(c.format);
        ASSERT_FALSE(c.bytes.empty());
        fields.WritePicture(Ctl::图片框5, ByteBuffer());
        fields.WritePicture(Ctl::图片框5, c.bytes);
        EXPECT_EQ(fields.Store().ReadPicture(Ctl::图片框5), c.bytes);
        EXPECT_EQ(!box->Picture().isNull(), c.shown);
        if (c.shown) {
            EXPECT_EQ(box->Picture().size(), QSize(16, 15));
        }
    }
}

TEST(PictureBox, EmptyBytesRemoveAPictureAndLeaveAnEmptyBoxEmpty) {
    OpenWindow open;
    QtWindow& fields = open.window.Fields();
    auto* box = open.window.ControlAs<PictureBox>(Ctl::图片框1);
    fields.WritePicture(Ctl::图片框1, ByteBuffer());
    EXPECT_TRUE(box->Picture().isNull());
    fields.WritePicture(Ctl::图片框1, Encode(testing::DrawPicture(40, 30), "jpeg"));
    EXPECT_FALSE(box->Picture().isNull());
    fields.WritePicture(Ctl::图片框1, ByteBuffer());
    EXPECT_TRUE(box->Picture().isNull());
    EXPECT_TRUE(fields.Store().ReadPicture(Ctl::图片框1).empty());
}

struct FitCase {
    QSize picture;
    QRect area;
    QRect drawn;
};

TEST(PictureBox, PicturesAreScaledDownToFitButNeverEnlarged) {
    const FitCase cases[] = {
        {{10, 10}, {0, 0, 30, 20}, {10, 5, 10, 10}},   // smaller: as it is, centred
        {{30, 20}, {0, 0, 30, 20}, {0, 0, 30, 20}},    // exactly the box
        {{60, 20}, {0, 0, 30, 20}, {0, 5, 30, 10}},    // too wide: half size
        {{20, 80}, {1, 1, 143, 73}, {63, 1, 18, 73}},  // too high, framed area
        {{1000, 1}, {0, 0, 21, 17}, {0, 8, 21, 1}},    // a line stays visible
        {{0, 0}, {0, 0, 21, 17}, {}},                  // nothing to draw
    };
    for (const FitCase& c : cases) {
        EXPECT_EQ(FitPicture(c.picture, c.area), c.drawn)
            << c.picture.width() << "x" << c.picture.height();
    }
}

TEST(PictureBox, SmallPictureIsDrawnCentredAtItsOwnSize) {
    OpenWindow open;
    // 100 x 50 red in the framed 145 x 75 logo box.
    QImage red(100, 50, QImage::Format_RGB32);
    red.fill(QColor(255, 0, 0));
    open.window.Fields().WritePicture(Ctl::图片框72, Encode(red, "bmp"));
    QApplication::processEvents();
    const QImage shown = open.window.ControlAs<PictureBox>(Ctl::图片框72)->grab().toImage();
    EXPECT_EQ(shown.pixelColor(0, 37), QColor(Qt::black));  // the line border
    EXPECT_EQ(shown.pixelColor(72, 37), QColor(255, 0, 0));
    EXPECT_EQ(shown.pixelColor(23, 13), QColor(255, 0, 0));  // top-left corner of the picture
    EXPECT_NE(shown.pixelColor(21, 37), QColor(255, 0, 0));  // left of it
    EXPECT_NE(shown.pixelColor(72, 11), QColor(255, 0, 0));  // above it
}

TEST(PictureBox, LargeIconFileShowsItsLargestImage) {
    const QImage icon = DecodeForPictureBox(assets::ToByteBuffer(assets::WindowIcon()));
    EXPECT_EQ(icon.size(), QSize(128, 128));
}

}  // namespace
}  // namespace kestrova
