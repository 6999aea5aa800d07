#include "tests/lookup/StepFixture.h"
#include "text/Gbk.h"

namespace kestrova::test {
namespace {

constexpr const char* kRatePage = "/user-rate-abc123.htm";
const Text kAddress = "http://rate.taobao.com/user-rate-abc123.htm";

class ShopPage : public StepFixture {
  protected:
    void Show(const std::string& utf8Page) {
        ServeGbk(kRatePage, utf8Page);
        ShowShopPage(q, kAddress);
    }
};

TEST_F(ShopPage, FillsIdRegionCertificationAndStartDate) {
    Show(
        "<script>var shop = { userID: '123456789', x: 1 };</script>\n"
        "<ul><li>所在地区：\n  <span>浙江 杭州</span>\n</li></ul>\n"
        "<!--认证标志--><span class=\"cert\">支付宝个人认证</span><!--商城及地域的标志-->\n"
        "<input type=\"hidden\" id=\"J_showShopStartDate\" value=\"2008-05-06\" />\n"
        "<h4>卖家信息</h4>");
    EXPECT_EQ(Read(Ctl::编辑框4), "123456789");
    EXPECT_EQ(Read(Ctl::编辑框8), "浙江");
    EXPECT_EQ(Read(Ctl::编辑框5), "支付宝个人认证");
    EXPECT_EQ(Read(Ctl::编辑框9), "2008-05-06");
    EXPECT_EQ(Read(Ctl::标签47), "");
    EXPECT_EQ(GbkToUtf8(state.PageText).substr(0, 8), "<script>");
}

TEST_F(ShopPage, StartDateIsReplacedEvenWithoutAMatch) {
    window.WriteText(Ctl::编辑框9, Gbk("2009年1月2日"));
    Show("<p>nothing</p>");
    EXPECT_EQ(Read(Ctl::编辑框9), "");
}

TEST_F(ShopPage, StartDateValueDoesNotCrossALineBreak) {
    Show("<input id=\"J_showShopStartDate\" value=\"2008-05-06\n\" />");
    EXPECT_EQ(Read(Ctl::编辑框9), "");
}

TEST_F(ShopPage, RegionRunHoldingTheShopDateWordIsDropped) {
    Show("<li>所在地区：</li><li>创店时间：2008</li>");
    EXPECT_EQ(Read(Ctl::编辑框8), "");
}

TEST_F(ShopPage, NonSellerIgnoresServiceMarkers) {
    Show("<p>卖家尚未加入淘宝网</p><a>消费者保障</a><a>7天退换</a>");
    EXPECT_EQ(Read(Ctl::编辑框9), "此人不是卖家");
    EXPECT_EQ(Read(Ctl::标签47), "无");
}

struct ServiceCase {
    const char* name;
    const char* page;
    const char* shown;
};
class Services : public ShopPage, public ::testing::WithParamInterface<ServiceCase> {};
TEST_P(Services, AppendInTableOrder) {
    Show(GetParam().page);
    EXPECT_EQ(Read(Ctl::标签47), GetParam().shown);
}
INSTANTIATE_TEST_SUITE_P(
    Shops, Services,
    ::testing::Values(
        ServiceCase{"All",
                    "<a>先行赔付</a><a>提供发票</a><a>正品保障</a><a>24小时发货</a><a>假一赔三</a>"
                    "<a>30天维修</a><a>7天退换</a><a>消费者保障</a>",
                    "消费者保障  7天退换  30天维修  假一赔三  24小时发货  正品保障  提供发票  "
                    "先行赔付"},
        ServiceCase{"TwoEndWithTwoSpaces", "<a>提供发票</a><a>7天退换</a>", "7天退换  提供发票  "},
        ServiceCase{"NameNotBeforeATagDoesNotCount", "<a>7天退换 </a><p>本店提供发票服务</p>", ""},
        ServiceCase{"None", "<p>x</p>", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ShopPage, FailedFetchEmptiesTheFields) {
    window.WriteText(Ctl::编辑框4, "old");
    ShowShopPage(q, "http://rate.taobao.com/user-rate-missing.htm");
    EXPECT_EQ(Read(Ctl::编辑框4), "");
    EXPECT_EQ(Read(Ctl::编辑框8), "");
    EXPECT_EQ(Read(Ctl::标签47), "");
    EXPECT_TRUE(state.PageText.empty());
}

TEST_F(ShopPage, RatingPageAddressComesFromTheProfile) {
    state.PageText =
        Gbk("<p>创店于2008年5月6日</p>\n"
            "<a href=\"http://rate.taobao.com/user-rate-abc123.htm\">信用评价</a>\n"
            "<p>2009年1月2日</p>");
    EXPECT_EQ(FindRatingPageAddress(q), kAddress);
    EXPECT_EQ(Read(Ctl::编辑框9), "2008年5月6日");
}

TEST_F(ShopPage, RatingPageAddressRunsToTheLastHtmOfItsLine) {
    state.PageText =
        Gbk("<a href=\"http://rate.taobao.com/user-rate-x.htm\">a</a><a href=\"y.htm\">");
    EXPECT_EQ(GbkToUtf8(FindRatingPageAddress(q)),
              "http://rate.taobao.com/user-rate-x.htm\">a</a><a href=\"y.htm");
}

TEST_F(ShopPage, NoRatingPageAddressGivesEmpty) {
    state.PageText = Gbk("<p>nothing</p>");
    EXPECT_EQ(FindRatingPageAddress(q), "");
    EXPECT_EQ(Read(Ctl::编辑框9), "");
}

}  // namespace
}  // namespace kestrova::test
