#include <gtest/gtest.h>

#include "TestPictures.h"
#include "WireTest.h"
#include "imaging/Picture.h"
#include "web/PictureFetch.h"

namespace kestrova {
namespace {

using testing::AsString;
using testing::CapturedRequest;
using testing::DecodeBytes;
using testing::DrawTestPicture;
using testing::EncodeGif;
using testing::EncodeWith;
using testing::HostLine;
using testing::RawServer;
using testing::Respond;

class PictureFetchTest : public testing::WireTest {};

std::string AsBody(const ByteBuffer& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST_F(PictureFetchTest, GetWithRefererAndLanguageOnly) {
    RawServer server([](const CapturedRequest&, int) { return Respond(200, {}, "x"); });
    const Text url = server.Url("/shop-logo/a.jpg?v=2");
    DownloadPicture(url);
    DownloadPictureAsJpeg(url);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    const std::string expected = "GET /shop-logo/a.jpg?v=2 HTTP/1.1\r\n" + HostLine(server) +
                                 "Referer: " + url + "\r\nAccept-Language: zh-cn\r\n\r\n";
    EXPECT_EQ(requests[0].head, expected);
    EXPECT_EQ(requests[1].head, expected);
}

TEST_F(PictureFetchTest, JpegIsKeptByteForByte) {
    const ByteBuffer jpeg = EncodeWith(DrawTestPicture(30, 20), "jpeg");
    RawServer server([&](const CapturedRequest&, int) { return Respond(200, {}, AsBody(jpeg)); });
    EXPECT_EQ(DownloadPicture(server.Url("/avatar.jpg")), jpeg);
}

TEST_F(PictureFetchTest, PngAndGifBecomeJpegsOfTheSamePixelSize) {
    const QImage picture = DrawTestPicture(45, 31);
    for (const ByteBuffer& source :
         {EncodeWith(picture, "png"), EncodeGif(picture), EncodeWith(picture, "jpeg")}) {
        RawServer server(
            [&](const CapturedRequest&, int) { return Respond(200, {}, AsBody(source)); });
        EXPECT_EQ(DownloadPicture(server.Url("/p")), source);
        const ByteBuffer jpeg = DownloadPictureAsJpeg(server.Url("/p"));
        EXPECT_EQ(DetectPictureFormat(jpeg), PictureFormat::Jpeg);
        const QImage decoded = DecodeBytes(jpeg);
        ASSERT_FALSE(decoded.isNull());
        EXPECT_EQ(decoded.size(), picture.size());
    }
}

// The JPEG made of a body is kept for the same bytes: whatever address they
// come from, and only while they are the same.
TEST_F(PictureFetchTest, ReencodedJpegFollowsTheBytesNotTheAddress) {
    const ByteBuffer first = EncodeWith(DrawTestPicture(40, 30), "png");
    const ByteBuffer second = EncodeWith(DrawTestPicture(24, 36), "png");
    const ByteBuffer* serving = &first;
    RawServer server(
        [&](const CapturedRequest&, int) { return Respond(200, {}, AsBody(*serving)); });
    const ByteBuffer once = DownloadPictureAsJpeg(server.Url("/honour/a.png"));
    EXPECT_EQ(DecodeBytes(once).size(), QSize(40, 30));
    EXPECT_EQ(DownloadPictureAsJpeg(server.Url("/honour/b.png")), once);
    EXPECT_EQ(ReencodeAsJpeg(first), once);  // the same as made afresh
    serving = &second;
    const ByteBuffer changed = DownloadPictureAsJpeg(server.Url("/honour/a.png"));
    EXPECT_EQ(DecodeBytes(changed).size(), QSize(24, 36));
    EXPECT_EQ(server.Requests().size(), 3u);  // every picture is still downloaded
}

TEST_F(PictureFetchTest, ErrorPageIsKeptAsItCameButGivesNoJpeg) {
    const std::string page = "<html><body><h1>404 Not Found</h1></body></html>";
    RawServer server([&](const CapturedRequest&, int) { return Respond(404, {}, page); });
    EXPECT_EQ(AsString(DownloadPicture(server.Url("/missing.gif"))), page);
    EXPECT_TRUE(DownloadPictureAsJpeg(server.Url("/missing.gif")).empty());
}

TEST_F(PictureFetchTest, FailedDownloadGivesNothing) {
    EXPECT_TRUE(DownloadPicture("file:///etc/hostname").empty());
    EXPECT_TRUE(DownloadPictureAsJpeg("not an address").empty());
}

}  // namespace
}  // namespace kestrova
