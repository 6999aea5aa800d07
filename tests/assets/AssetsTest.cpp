#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "assets/Assets.h"
#include "tests/assets/QtDecode.h"

namespace kestrova::assets {
namespace {

using testing::DecodeAll;

bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view prefix) {
    return bytes.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), bytes.begin(),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

// The picture boxes tell formats by their leading bytes, not by a name.
const char* Signature(const QByteArray& format) {
    return format == "jpeg" ? "\xFF\xD8" : "GIF89a";
}

struct FixedPicture {
    const char* what;
    std::span<const std::uint8_t> (*bytes)();
    QByteArray format;
    int width;
    int height;
};

class FixedPictureTest : public ::testing::TestWithParam<FixedPicture> {};

TEST_P(FixedPictureTest, DecodesToItsFormatAndSize) {
    const FixedPicture& p = GetParam();
    const auto bytes = p.bytes();
    ASSERT_FALSE(bytes.empty());
    EXPECT_TRUE(StartsWith(bytes, Signature(p.format)));
    const auto decoded = DecodeAll(bytes);
    EXPECT_EQ(decoded.format, p.format);
    ASSERT_EQ(decoded.images.size(), 1u);
    EXPECT_EQ(decoded.images[0].width(), p.width);
    EXPECT_EQ(decoded.images[0].height(), p.height);
}

INSTANTIATE_TEST_SUITE_P(
    Assets, FixedPictureTest,
    ::testing::Values(FixedPicture{"good rating", GoodRatingIcon, "jpeg", 18, 19},
                      FixedPicture{"neutral rating", NeutralRatingIcon, "gif", 16, 15},
                      FixedPicture{"bad rating", BadRatingIcon, "gif", 19, 14},
                      FixedPicture{"tick", TickPicture, "jpeg", 75, 74},
                      FixedPicture{"cross", CrossPicture, "jpeg", 75, 74},
                      FixedPicture{"licence", LicenceIcon, "jpeg", 20, 22}),
    [](const auto& info) {
        std::string name = info.param.what;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

bool IsGreen(QRgb c) {
    return qGreen(c) > qRed(c) + 40 && qGreen(c) > qBlue(c) + 40;
}
bool IsWhite(QRgb c) {
    return qRed(c) > 225 && qGreen(c) > 225 && qBlue(c) > 225;
}

TEST(VerdictPictures, WhiteMarkOnGreenDisc) {
    const QImage tick = DecodeAll(TickPicture()).images.at(0);
    const QImage cross = DecodeAll(CrossPicture()).images.at(0);
    for (const QImage& picture : {tick, cross}) {
        EXPECT_TRUE(IsGreen(picture.pixel(12, 37)));  // disc, left of the mark
        EXPECT_TRUE(IsGreen(picture.pixel(37, 62)));  // disc, below the mark
        EXPECT_FALSE(IsGreen(picture.pixel(1, 1)));   // outside the disc
    }
    // The cross has its crossing in the middle; the tick's stroke passes below
    // and to the right of it, leaving the middle green.
    EXPECT_TRUE(IsWhite(cross.pixel(37, 37)));
    EXPECT_TRUE(IsGreen(tick.pixel(37, 30)));
    EXPECT_TRUE(IsWhite(tick.pixel(32, 49)));
}

// ---- the window icon ----

int Word(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | b[at + 1] << 8;
}
std::uint32_t Dword(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(Word(b, at)) | static_cast<std::uint32_t>(Word(b, at + 2))
                                                         << 16;
}

struct IconEntry {
    int size;
    int bits;
    friend bool operator==(const IconEntry&, const IconEntry&) = default;
};

TEST(WindowIcon, HoldsEightImagesOfTheStatedSizesAndDepths) {
    const auto ico = WindowIcon();
    ASSERT_GE(ico.size(), 6u);
    EXPECT_EQ(Word(ico, 0), 0);
    EXPECT_EQ(Word(ico, 2), 1);  // icon, not cursor
    ASSERT_EQ(Word(ico, 4), 8);

    const std::vector<IconEntry> expected = {{48, 4},   {48, 8},  {32, 8},  {16, 8},
                                             {128, 32}, {48, 32}, {32, 32}, {16, 32}};
    std::vector<IconEntry> found;
    for (std::size_t i = 0; i < 8; ++i) {
        const std::size_t entry = 6 + 16 * i;
        const int width = ico[entry] == 0 ? 256 : ico[entry];
        const int height = ico[entry + 1] == 0 ? 256 : ico[entry + 1];
        EXPECT_EQ(width, height);
        EXPECT_EQ(ico[entry + 2],
                  width == 48 && Word(ico, entry + 6) == 4 ? 16 : 0);  // palette size
        const std::uint32_t length = Dword(ico, entry + 8);
        const std::uint32_t offset = Dword(ico, entry + 12);
        ASSERT_LE(static_cast<std::size_t>(offset) + length, ico.size());
        const auto body = ico.subspan(offset, length);
        int bits = 0;
        if (StartsWith(body, "\x89PNG\r\n\x1a\n")) {
            bits = 32;  // PNG entries are true colour with alpha
            const auto png = DecodeAll(body);
            ASSERT_EQ(png.images.size(), 1u);
            EXPECT_TRUE(png.images[0].hasAlphaChannel());
        } else {
            ASSERT_EQ(Dword(body, 0), 40u);  // BITMAPINFOHEADER
            EXPECT_EQ(static_cast<int>(Dword(body, 4)), width);
            EXPECT_EQ(static_cast<int>(Dword(body, 8)), 2 * height);  // colours and mask
            bits = Word(body, 14);
            EXPECT_EQ(bits, Word(ico, entry + 6));
        }
        found.push_back({width, bits});
    }
    EXPECT_EQ(found, expected);

    const auto decoded = DecodeAll(ico);
    EXPECT_EQ(decoded.format, "ico");
    ASSERT_EQ(decoded.images.size(), 8u);
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(decoded.images[i].width(), expected[i].size) << "image " << i + 1;
        EXPECT_EQ(decoded.images[i].height(), expected[i].size) << "image " << i + 1;
        // Rounded tile: the corner is see-through, the middle is not.
        EXPECT_EQ(qAlpha(decoded.images[i].pixel(0, 0)), 0) << "image " << i + 1;
        EXPECT_EQ(qAlpha(decoded.images[i].pixel(expected[i].size / 2, expected[i].size / 2)), 255);
    }
}

TEST(RegionTablePayload, IsTheAsciiTableEndingInTheClosingMark) {
    const auto payload = RegionTablePayload();
    const std::string text(payload.begin(), payload.end());
    EXPECT_TRUE(text.starts_with("110000:["));
    EXPECT_TRUE(text.ends_with("]};"));
    EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) { return c > 0 && c < 0x7f; }));
}

// ---- the sample marketplace's pictures ----

struct SampleKind {
    const char* prefix;
    int width;
    int height;
    std::set<QByteArray> formats;
    std::size_t atLeast;
};

TEST(SamplePictures, EveryKindDecodesAtItsSize) {
    const std::vector<SampleKind> kinds = {
        {"avatar_", 160, 160, {"jpeg"}, 4},          {"honour_", 22, 20, {"png", "gif"}, 6},
        {"shop_logo_", 145, 75, {"jpeg", "gif"}, 2}, {"seller_credit_", 56, 20, {"gif"}, 5},
        {"buyer_credit_", 56, 20, {"gif"}, 5},
    };
    const auto names = SamplePictureNames();
    for (const SampleKind& kind : kinds) {
        std::set<QByteArray> formatsSeen;
        std::size_t count = 0;
        for (const std::string_view name : names) {
            if (!name.starts_with(kind.prefix))
                continue;
            ++count;
            const auto decoded = DecodeAll(SamplePicture(name));
            ASSERT_EQ(decoded.images.size(), 1u) << name;
            EXPECT_EQ(decoded.images[0].width(), kind.width) << name;
            EXPECT_EQ(decoded.images[0].height(), kind.height) << name;
            EXPECT_TRUE(name.ends_with(
                decoded.format == "jpeg" ? ".jpg" : "." + decoded.format.toStdString()))
                << name;
            formatsSeen.insert(decoded.format);
        }
        EXPECT_GE(count, kind.atLeast) << kind.prefix;
        // Honour pictures are re-encoded on the way in: both sources must occur.
        EXPECT_EQ(formatsSeen, kind.formats) << kind.prefix;
    }
}

TEST(SamplePictures, NamesAreSortedUniqueAndAllKnown) {
    const auto names = SamplePictureNames();
    ASSERT_FALSE(names.empty());
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    EXPECT_EQ(std::set<std::string_view>(names.begin(), names.end()).size(), names.size());
    for (const std::string_view name : names) {
        EXPECT_FALSE(SamplePicture(name).empty()) << name;
        EXPECT_EQ(name.find('/'), std::string_view::npos) << name;
    }
}

TEST(SamplePictures, UnknownNamesGiveNothing) {
    for (const std::string_view name : {"", "avatar_0.jpg", "AVATAR_1.JPG", "sample/avatar_1.jpg",
                                        "rating_good.jpg", "region_table.txt", "avatar_1"}) {
        EXPECT_TRUE(SamplePicture(name).empty()) << name;
    }
}

TEST(ToByteBuffer, CopiesEveryByte) {
    const auto bytes = GoodRatingIcon();
    const std::vector<std::uint8_t> copy = ToByteBuffer(bytes);
    EXPECT_TRUE(std::equal(copy.begin(), copy.end(), bytes.begin(), bytes.end()));
    EXPECT_TRUE(ToByteBuffer({}).empty());
}

}  // namespace
}  // namespace kestrova::assets
