// The program's own decoders and JPEG writer against the toolkit's, byte for
// byte, on every picture the sample marketplace serves, every picture of the
// fuzz corpus, a table of edge pictures and each of them cut short.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "EdgePictures.h"
#include "QtPictureOracle.h"
#include "assets/Assets.h"
#include "imaging/Picture.h"

namespace kestrova {
namespace {

using testing::EdgePicture;

std::vector<EdgePicture> SamplePictures() {
    std::vector<EdgePicture> pictures;
    for (std::string_view name : assets::SamplePictureNames()) {
        pictures.push_back(
            {"sample " + std::string(name), assets::ToByteBuffer(assets::SamplePicture(name))});
    }
    pictures.push_back({"window icon", assets::ToByteBuffer(assets::WindowIcon())});
    pictures.push_back({"good rating", assets::ToByteBuffer(assets::GoodRatingIcon())});
    pictures.push_back({"neutral rating", assets::ToByteBuffer(assets::NeutralRatingIcon())});
    pictures.push_back({"bad rating", assets::ToByteBuffer(assets::BadRatingIcon())});
    pictures.push_back({"tick", assets::ToByteBuffer(assets::TickPicture())});
    pictures.push_back({"cross", assets::ToByteBuffer(assets::CrossPicture())});
    pictures.push_back({"licence", assets::ToByteBuffer(assets::LicenceIcon())});
    return pictures;
}

std::vector<EdgePicture> CorpusPictures() {
    std::vector<EdgePicture> pictures;
    for (const char* folder : {"corpus/picture", "regressions/picture", "corpus/bitmap_icon",
                               "regressions/bitmap_icon"}) {
        const std::filesystem::path dir = std::filesystem::path(KESTROVA_FUZZ_DIR) / folder;
        if (!std::filesystem::is_directory(dir)) {
            continue;
        }
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            std::ifstream in(entry.path(), std::ios::binary);
            pictures.push_back({"corpus " + entry.path().filename().string(),
                                ByteBuffer(std::istreambuf_iterator<char>(in), {})});
        }
    }
    return pictures;
}

// Each picture cut at a few places, the way a transfer cut at its cap or a
// dropped connection leaves it.
std::vector<EdgePicture> CutShort(const std::vector<EdgePicture>& pictures) {
    std::vector<EdgePicture> cut;
    for (const EdgePicture& p : pictures) {
        const std::size_t n = p.bytes.size();
        if (n < 16 || n > 200000) {
            continue;
        }
        for (std::size_t at : {n / 4, n / 2, n * 9 / 10, n - 4, n - 1}) {
            cut.push_back(
                {p.name + " cut at " + std::to_string(at),
                 ByteBuffer(p.bytes.begin(), p.bytes.begin() + static_cast<std::ptrdiff_t>(at))});
        }
    }
    return cut;
}

// Inputs where the toolkit's result depends on memory it never wrote; the
// program's result need only be a JPEG or nothing (docs/window.md names them).
struct Unmatched {
    const char* namePart;
    bool onlyCut;  // only when the picture is cut short
    const char* reason;
};
const Unmatched kUnmatched[] = {
    {"bmp", true, "bitmap rows that end early: the toolkit showed memory it never wrote"},
    {"run-length with a jump", false,
     "pixels a run-length bitmap leaves out: the toolkit showed memory it never wrote"},
    {"png type 2 depth 16 tRNS", false,
     "16-bit RGB PNG with a transparent colour: the toolkit read its rows misaligned and left "
     "part of each row unwritten"},
};

// Names compared with '-' and '_' read as spaces, so that corpus files made
// from the edge table match as well.
std::string Spaced(std::string text) {
    std::replace(text.begin(), text.end(), '-', ' ');
    std::replace(text.begin(), text.end(), '_', ' ');
    return text;
}

const Unmatched* UnmatchedFor(const std::string& rawName) {
    const std::string name = Spaced(rawName);
    for (const Unmatched& u : kUnmatched) {
        if (name.find(Spaced(u.namePart)) != std::string::npos &&
            (!u.onlyCut || name.find(" cut at ") != std::string::npos)) {
            return &u;
        }
    }
    return nullptr;
}

void ExpectSameAsToolkit(const std::vector<EdgePicture>& pictures) {
    int compared = 0;
    for (const EdgePicture& p : pictures) {
        SCOPED_TRACE(p.name);
        const ByteBuffer ours = ReencodeAsJpeg(p.bytes);
        const ByteBuffer theirs = testing::QtReencodeAsJpeg(p.bytes);
        const PictureSize ourSize = ProbePictureSize(p.bytes);
        const PictureSize theirSize = testing::QtProbePictureSize(p.bytes);
        if (const Unmatched* u = UnmatchedFor(p.name)) {
            EXPECT_TRUE(ours.empty() || DetectPictureFormat(ours) == PictureFormat::Jpeg)
                << u->reason;
            continue;
        }
        ++compared;
        EXPECT_EQ(ourSize.width, theirSize.width);
        EXPECT_EQ(ourSize.height, theirSize.height);
        EXPECT_EQ(ours.size(), theirs.size());
        EXPECT_TRUE(ours == theirs) << "the re-encoded bytes differ";
    }
    EXPECT_GT(compared, 0);
}

TEST(ReencodeIdentity, SampleMarketplacePictures) {
    ExpectSameAsToolkit(SamplePictures());
}

TEST(ReencodeIdentity, FuzzCorpusPictures) {
    ExpectSameAsToolkit(CorpusPictures());
}

TEST(ReencodeIdentity, EdgePictures) {
    ExpectSameAsToolkit(testing::EdgePictures());
}

TEST(ReencodeIdentity, PicturesCutShort) {
    std::vector<EdgePicture> all = SamplePictures();
    const std::vector<EdgePicture> edges = testing::EdgePictures();
    all.insert(all.end(), edges.begin(), edges.end());
    ExpectSameAsToolkit(CutShort(all));
}

// The toolkit also read portable any-maps and X bitmaps and pixmaps by their
// content; the program does not re-encode them (a picture box never showed
// them and no marketplace serves them).
TEST(ReencodeIdentity, RetiredFormatsAreNoLongerReencoded) {
    for (const EdgePicture& p : testing::RetiredFormatPictures()) {
        SCOPED_TRACE(p.name);
        EXPECT_FALSE(testing::QtReencodeAsJpeg(p.bytes).empty()) << "the toolkit read it";
        EXPECT_TRUE(ReencodeAsJpeg(p.bytes).empty());
        EXPECT_EQ(ProbePictureSize(p.bytes).width, 0);
    }
}

}  // namespace
}  // namespace kestrova
