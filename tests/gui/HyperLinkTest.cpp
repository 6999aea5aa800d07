// A click on a link control hands a web address to the opener and nothing
// else: the shop and items links take their addresses from downloaded pages.
#include <gtest/gtest.h>

#include <QtTest/QTest>

#include "GuiSupport.h"
#include "shell/HyperLink.h"
#include "text/Gbk.h"
#include "web/Endpoints.h"

namespace kestrova {
namespace {

using testing::OpenWindow;
using testing::RecordingOpener;

struct LinkCase {
    const char* address;
    bool opened;
    const char* handedOn = nullptr;  // what the opener gets, when not the address itself
};

void PrintTo(const LinkCase& c, std::ostream* os) {
    *os << '"' << c.address << '"';
}

class LinkClick : public ::testing::TestWithParam<LinkCase> {};

TEST_P(LinkClick, OnlyWebAddressesReachTheOpener) {
    RecordingOpener opener;
    OpenWindow open;
    QtWindow& fields = open.window.Fields();
    for (Ctl control : {Ctl::超级链接框1, Ctl::超级链接框3}) {
        SCOPED_TRACE(Control(control).name);
        fields.WriteText(control, Gbk("店铺"));
        fields.WriteLinkAddress(control, GetParam().address);
        auto* link = open.window.ControlAs<HyperLink>(control);
        QTest::mouseClick(link, Qt::LeftButton);
        EXPECT_EQ(link->Visited(), GetParam().opened);
        EXPECT_EQ(link->CaptionColour(),
                  GetParam().opened ? HyperLink::kVisitedColour : HyperLink::kNormalColour);
    }
    const char* handedOn = GetParam().handedOn ? GetParam().handedOn : GetParam().address;
    const std::vector<std::string> expected =
        GetParam().opened ? std::vector<std::string>(2, handedOn) : std::vector<std::string>();
    EXPECT_EQ(opener.Opened(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, LinkClick,
    ::testing::Values(
        LinkCase{"http://shop.example.com/shop/view_shop.htm?id=7", true},
        LinkCase{"https://item.example.com/list?q=1", true},
        LinkCase{"HTTP://SHOP.EXAMPLE.COM/", true}, LinkCase{"hTtPs://x.example/", true},
        LinkCase{"", false}, LinkCase{"file:///etc/passwd", false},
        LinkCase{"javascript:alert(1)", false}, LinkCase{"/usr/bin/xterm", false},
        LinkCase{"xterm", false}, LinkCase{"ftp://files.example.com/", false},
        LinkCase{"http:/one-slash.example/", false},
        // Cleaned as a browser cleans an address: blanks and
        // controls at the ends trimmed, tabs and line breaks
        // dropped; a space or control left inside refuses it.
        LinkCase{" http://leading.space.example/", true, "http://leading.space.example/"},
        LinkCase{"\thttp://x.example/a\r\n", true, "http://x.example/a"},
        LinkCase{"http://x.example/\x01\x1f ", true, "http://x.example/"},
        LinkCase{"http://x.exa\tmple/a\r\nb", true, "http://x.example/ab"},
        LinkCase{"http://x.example/a\r\n http://y.example/", false},
        LinkCase{"http://x.example/a b", false}, LinkCase{"http://x.example/a\x01" "b", false},
        LinkCase{"http://x.example/a\x7f", false}, LinkCase{"\r\n", false}));

TEST(HyperLink, BeforeAnyQueryTheShopAndItemLinksDoNothing) {
    RecordingOpener opener;
    OpenWindow open;
    QTest::mouseClick(open.window.ControlAs<HyperLink>(Ctl::超级链接框1), Qt::LeftButton);
    QTest::mouseClick(open.window.ControlAs<HyperLink>(Ctl::超级链接框3), Qt::LeftButton);
    EXPECT_TRUE(opener.Opened().empty());
}

TEST(HyperLink, MakersLinkOpensTheMakersSite) {
    RecordingOpener opener;
    OpenWindow open;
    auto* maker = open.window.ControlAs<HyperLink>(Ctl::超级链接框2);
    EXPECT_EQ(maker->Caption(), QStringLiteral("Orvanel：http://www.orvanel.com/"));
    QTest::mouseClick(maker, Qt::LeftButton);
    EXPECT_EQ(opener.Opened(), std::vector<std::string>{endpoints::kMakerAddress});
}

TEST(HyperLink, ColourFollowsTheMouse) {
    OpenWindow open;
    auto* maker = open.window.ControlAs<HyperLink>(Ctl::超级链接框2);
    EXPECT_EQ(maker->CaptionColour(), QColor(0, 0, 255));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(maker, &enter);
    EXPECT_EQ(maker->CaptionColour(), QColor(49, 106, 197));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(maker, &leave);
    EXPECT_EQ(maker->CaptionColour(), QColor(0, 0, 255));
}

TEST(HyperLink, AddressWithGbkTextReachesTheOpenerAsUtf8) {
    RecordingOpener opener;
    OpenWindow open;
    open.window.Fields().WriteLinkAddress(Ctl::超级链接框1, Gbk("http://shop.example.com/店铺"));
    QTest::mouseClick(open.window.ControlAs<HyperLink>(Ctl::超级链接框1), Qt::LeftButton);
    EXPECT_EQ(opener.Opened(), std::vector<std::string>{"http://shop.example.com/店铺"});
}

}  // namespace
}  // namespace kestrova
