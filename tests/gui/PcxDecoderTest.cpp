// The PCX decoder against hand-made files and against pictures drawn and
// encoded here.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "GuiSupport.h"
#include "shell/PcxDecoder.h"
#include "shell/PictureBox.h"

namespace kestrova {
namespace {

using testing::DrawPicture;
using testing::EncodePcx24;
using testing::EncodePcx8;

ByteBuffer Header(int width, int height, int planes, int bytesPerLine, int bits = 8,
                  int encoding = 1) {
    ByteBuffer header(128, 0);
    header[0] = 0x0A;
    header[1] = 5;
    header[2] = static_cast<std::uint8_t>(encoding);
    header[3] = static_cast<std::uint8_t>(bits);
    header[8] = static_cast<std::uint8_t>(width - 1);
    header[9] = static_cast<std::uint8_t>((width - 1) >> 8);
    header[10] = static_cast<std::uint8_t>(height - 1);
    header[11] = static_cast<std::uint8_t>((height - 1) >> 8);
    header[65] = static_cast<std::uint8_t>(planes);
    header[66] = static_cast<std::uint8_t>(bytesPerLine);
    header[67] = static_cast<std::uint8_t>(bytesPerLine >> 8);
    return header;
}

ByteBuffer Palette(std::initializer_list<QRgb> colours) {
    ByteBuffer palette{0x0C};
    for (QRgb c : colours) {
        palette.insert(palette.end(),
                       {static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
                        static_cast<std::uint8_t>(qBlue(c))});
    }
    palette.resize(769, 0);
    return palette;
}

ByteBuffer Concat(std::initializer_list<ByteBuffer> parts) {
    ByteBuffer all;
    for (const ByteBuffer& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kGreen = 0xFF00FF00;
constexpr QRgb kBlue = 0xFF0000FF;

TEST(PcxDecoder, PaletteImageWithRunsLiteralsAndPaddedLines) {
    // 3 x 2, lines padded to 4 bytes: a run of three index-1 pixels, then a
    // literal 2, 0, 1 and a padding byte.
    const ByteBuffer data{0xC3, 0x01, 0x00, 0x02, 0x00, 0x01, 0x00};
    const QImage image =
        DecodePcx(Concat({Header(3, 2, 1, 4), data, Palette({kRed, kGreen, kBlue})}));
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image.pixel(0, 0), kGreen);
    EXPECT_EQ(image.pixel(2, 0), kGreen);
    EXPECT_EQ(image.pixel(0, 1), kBlue);
    EXPECT_EQ(image.pixel(1, 1), kRed);
    EXPECT_EQ(image.pixel(2, 1), kGreen);
}

TEST(PcxDecoder, PaletteIndexAboveC0IsWrittenAsARunOfOne) {
    const ByteBuffer data{0xC1, 0xC5, 0xC1, 0xC5};  // two pixels of index 0xC5
    ByteBuffer palette = Palette({});
    palette[1 + 3 * 0xC5] = 0x12;
    palette[2 + 3 * 0xC5] = 0x34;
    palette[3 + 3 * 0xC5] = 0x56;
    const QImage image = DecodePcx(Concat({Header(2, 1, 1, 2), data, palette}));
    ASSERT_EQ(image.size(), QSize(2, 1));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0x12, 0x34, 0x56));
}

TEST(PcxDecoder, TrueColourImageHasThreePlanesPerLine) {
    // 2 x 1: red plane, green plane, blue plane; the first red value, C0, must
    // be written as a run of one.
    const ByteBuffer data{0xC1, 0xC0, 0x10, 0x20, 0x30, 0x40, 0x50};
    const QImage image = DecodePcx(Concat({Header(2, 1, 3, 2), data}));
    ASSERT_EQ(image.size(), QSize(2, 1));
    EXPECT_EQ(image.pixel(0, 0), qRgb(0xC0, 0x20, 0x40));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0x10, 0x30, 0x50));
}

TEST(PcxDecoder, RunMayCrossTheEndOfALine) {
    // 2 x 2 palette image, one run of four pixels for both lines.
    const QImage image = DecodePcx(
        Concat({Header(2, 2, 1, 2), ByteBuffer{0xC4, 0x02}, Palette({kRed, kGreen, kBlue})}));
    ASSERT_EQ(image.size(), QSize(2, 2));
    EXPECT_EQ(image.pixel(1, 1), kBlue);
}

TEST(PcxDecoder, DrawnPicturesSurviveEncodingExactly) {
    for (QSize size : {QSize(1, 1), QSize(17, 9), QSize(64, 48), QSize(201, 3)}) {
        SCOPED_TRACE(size.width());
        const QImage drawn = DrawPicture(size.width(), size.height());
        EXPECT_EQ(DecodePcx(EncodePcx8(drawn)), drawn);
        EXPECT_EQ(DecodePcx(EncodePcx24(drawn)), drawn);
    }
}

struct Broken {
    const char* why;
    ByteBuffer bytes;
};

std::vector<Broken> BrokenFiles() {
    const ByteBuffer palette = Palette({kRed});
    const ByteBuffer good8 = Concat({Header(2, 1, 1, 2), ByteBuffer{0xC2, 0x00}, palette});
    ByteBuffer noMarker = good8;
    noMarker[noMarker.size() - 769] = 0x0B;
    ByteBuffer notPcx = good8;
    notPcx[0] = 0x0B;
    ByteBuffer reversed = Header(2, 1, 1, 2);
    reversed[8] = 0;  // xMax below xMin
    reversed[4] = 5;
    return {
        {"empty", {}},
        {"header only", Header(2, 1, 3, 2)},
        {"short header", ByteBuffer(good8.begin(), good8.begin() + 100)},
        {"not a PCX", notPcx},
        {"palette marker missing", noMarker},
        {"no palette at all", Concat({Header(2, 1, 1, 2), ByteBuffer{0xC2, 0x00}})},
        {"data ends early", Concat({Header(4, 4, 1, 4), ByteBuffer{0xC2, 0x00}, palette})},
        {"run without its value", Concat({Header(2, 1, 3, 2), ByteBuffer{0x01, 0x02, 0xC4}})},
        {"one bit per pixel", Concat({Header(8, 1, 1, 2, 1), ByteBuffer{0xFF, 0x00}, palette})},
        {"four bit planes", Concat({Header(2, 1, 4, 2), ByteBuffer(8, 0x01)})},
        {"two planes", Concat({Header(2, 1, 2, 2), ByteBuffer(4, 0x01)})},
        {"not run-length encoded", Concat({Header(2, 1, 1, 2, 8, 0), ByteBuffer{0, 0}, palette})},
        {"lines shorter than the width",
         Concat({Header(4, 1, 1, 2), ByteBuffer{0xC2, 0x00}, palette})},
        {"right edge left of the left edge", Concat({reversed, ByteBuffer{0x00}, palette})},
        {"wider than 8192", Concat({Header(9000, 1, 1, 9000), ByteBuffer{0xC1, 0x00}, palette})},
    };
}

TEST(PcxDecoder, AnythingElseDecodesToNothing) {
    for (const Broken& file : BrokenFiles()) {
        EXPECT_TRUE(DecodePcx(file.bytes).isNull()) << file.why;
    }
}

long PeakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// 129 bytes that claim three planes of 65535 bytes a line, 8192 lines: 1.6 GB
// the data could never fill. Refused before anything is allocated.
TEST(PcxDecoder, AHeaderClaimingMoreThanItsDataCouldHoldAllocatesNothing) {
    const ByteBuffer tiny = Concat({Header(8192, 8192, 3, 65535), {0xC1}});
    ASSERT_EQ(tiny.size(), 129u);
    const long before = PeakResidentKiB();
    EXPECT_TRUE(DecodePcx(tiny).isNull());
    EXPECT_TRUE(DecodeForPictureBox(tiny).isNull());
    EXPECT_LT(PeakResidentKiB() - before, 16 * 1024) << "KiB more at the peak";
}

// Data that can just hold the picture, in runs of 63, decodes; a byte less
// cannot hold it and is refused without a look at the runs.
TEST(PcxDecoder, DataIsMeasuredAgainstTheLongestRuns) {
    const ByteBuffer runs{0xFF, 5, 0xFF, 5, 0xFF, 5, 0xFF, 5};  // four runs of 63
    const ByteBuffer full = Concat({Header(126, 2, 1, 126), runs, Palette({0, 0, 0, 0, 0, kRed})});
    const QImage image = DecodePcx(full);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(126, 2));
    EXPECT_EQ(image.pixel(125, 1), kRed);
    const ByteBuffer shorter =
        Concat({Header(126, 2, 1, 126), ByteBuffer(runs.begin(), runs.end() - 1),
                Palette({0, 0, 0, 0, 0, kRed})});
    EXPECT_TRUE(DecodePcx(shorter).isNull());
}

}  // namespace
}  // namespace kestrova
