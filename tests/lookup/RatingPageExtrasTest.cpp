#include "assets/Assets.h"
#include "lookup/PictureBoxes.h"
#include "tests/lookup/StepFixture.h"
#include "text/Gbk.h"

namespace kestrova::test {
namespace {

const std::string kScores =
    "<ul class=\"dsr\"><li>宝贝与描述相符：<em title=\"4.8\" class=\"count\">4.8</em>分</li>"
    "<li>卖家的服务态度：<em class=\"count\">4.75</em>分</li>"
    "<li>卖家发货的速度：<em class=\"count\">4.9</em>分</li></ul>\n";

std::string CountCells(int n, const char* after = "</td>") {
    std::string cells = "<table>";
    for (int i = 1; i <= n; ++i) {
        cells += "<td><a href=\"#\">" + std::to_string(i) + "</a>" + after;
    }
    return cells + "</table>\n";
}

const std::string kSellerPage =
    kScores +
    "<li>执照信息：已登记</li>\n<h4>卖家信息</h4>\n"
    "<li><span>宝贝数量：</span>128</li>\n<p>本店支持信用卡直接付款</p>\n"
    "<p>虚拟宝贝交易: <em>12</em></p><p>实物宝贝交易: <em>340</em></p>\n"
    "<li><a href=\"http://favorite.taobao.com/collect_item_relation.htm?itemid=9\"></li>\n"
    "<p>好评率：99.5% (高于 90%)</p>\n"
    "<div>卖家当前保证金余额 <span>￥1000.00</span> 元</div>\n"
    "<li>卖家信用： 1 2\n3\t4 <a href=\"#\"><img src=\"http://pics.example/s_red_4.gif\"  "
    "border=\"0\" /></a></li>\n"
    "<li>买家信用： 5 6 <a href=\"#\"><img src=\"http://pics.example/b_blue_2.gif\" title=\"x\" "
    "border=\"0\" /></a></li>\n" +
    CountCells(12) +
    "<li>当前主营：<a href=\"#\" >服饰&nbsp;鞋包</a></li>\n"
    "<img src=\"http://vip.taobao.com/r.gif\" align=\"absmiddle\" class=\"rank\" "
    "title=\"钻石会员\" />\n"
    "<div class=\"list\">主营行业：女装&nbsp;男装</div><div class=\"list\">主营占比：85.2%</div>\n";

const std::string kFavourites =
    "<img src=\"http://logo.taobao.com/shop-logo/a1/b2.gif\" alt=\"店标\">\n"
    "<li>\t<span class=\"price\">3钻</span></li>\n<li>收藏人气：<STRONG>1 234</STRONG></li>";

class RatingPageExtras : public StepFixture {
  protected:
    void Run(const std::string& page, const std::string& profile = "<html>profile</html>") {
        state.PageText = Gbk(page);
        state.ProfileText = Gbk(profile);
        window.WriteText(Ctl::编辑框1, Gbk(" 阿明 "));
        window.WriteText(Ctl::编辑框4, "42");
        ShowRatingPageExtras(q);
    }
};

TEST_F(RatingPageExtras, SellerPageFillsEveryField) {
    ServeGbk("/collect_item_relation.htm", kFavourites);
    ServeGbk("/muliuserstatus.aw", "online[0]=1;");
    Run(kSellerPage);
    EXPECT_EQ(Read(Ctl::编辑框中评7), "4.8");
    EXPECT_EQ(Read(Ctl::编辑框中评6), "4.75");
    EXPECT_EQ(Read(Ctl::编辑框中评5), "4.9");
    EXPECT_EQ(Read(Ctl::编辑框29), "有");
    EXPECT_EQ(window.ReadPicture(Ctl::图片框15), BytesOf(assets::LicenceIcon()));
    EXPECT_EQ(Read(Ctl::编辑框3), "卖家为主");
    EXPECT_EQ(Read(Ctl::编辑框198), "128");
    EXPECT_EQ(Read(Ctl::编辑框196), "支持信用卡直接付款");
    EXPECT_EQ(Read(Ctl::编辑框197), "在线");
    EXPECT_EQ(Read(Ctl::编辑框201), "12");
    EXPECT_EQ(Read(Ctl::编辑框202), "340");
    EXPECT_EQ(Read(Ctl::编辑框200), "3钻");
    EXPECT_EQ(Read(Ctl::编辑框199), "1234");
    EXPECT_EQ(Read(Ctl::编辑框19), "99.5% (高于 90%");
    EXPECT_EQ(window.ReadText(Ctl::编辑框2), Gbk(kSellerPage));
    EXPECT_EQ(Read(Ctl::编辑框23), "1000.00");
    EXPECT_EQ(Read(Ctl::编辑框6), "12\n34");  // spaces and tabs go, line breaks stay
    EXPECT_EQ(Read(Ctl::编辑框7), "56");
    EXPECT_EQ(Read(Ctl::标签评价), "收到的详细评价");
    EXPECT_EQ(Read(Ctl::编辑框一周好), "1");
    EXPECT_EQ(Read(Ctl::编辑框一月差), "6");
    EXPECT_EQ(Read(Ctl::编辑框年前差), "12");
    EXPECT_EQ(Read(Ctl::编辑框12), "服饰鞋包");
    EXPECT_EQ(Read(Ctl::编辑框13), "钻石会");
    EXPECT_EQ(Read(Ctl::编辑框17), "女装 男装");
    EXPECT_EQ(Read(Ctl::编辑框18), "85.2%");
    EXPECT_EQ(server.CountRequests("/s_red_4.gif"), 1);
    EXPECT_EQ(server.CountRequests("/b_blue_2.gif"), 1);
    EXPECT_EQ(server.CountRequests("/shop-logo/a1/b2.gif"), 1);
    // The status request carries the account without its spaces, encoded.
    EXPECT_EQ(server.CountRequests(
                  "/muliuserstatus.aw?beginnum=0&site=cntaobao&charset=utf-8&uids=%B0%A2%C3%F7"),
              1);
    // The run went on to the summaries and the verdicts.
    EXPECT_EQ(Read(Ctl::编辑框好评), "0");
    EXPECT_FALSE(Read(Ctl::标签38).empty());
}

TEST_F(RatingPageExtras, TmallAccountStopsAfterItsRole) {
    ServeGbk("/muliuserstatus.aw", "online[0]=1;");
    Run(kSellerPage, "<a href=\"http://shop.example/\">天猫tmall.com</a>");
    EXPECT_EQ(Read(Ctl::编辑框3), "天猫ID");
    EXPECT_EQ(Read(Ctl::编辑框中评7), "4.8");  // steps before the role still ran
    EXPECT_EQ(Read(Ctl::编辑框29), "有");
    EXPECT_EQ(Read(Ctl::编辑框198), "");
    EXPECT_EQ(Read(Ctl::编辑框197), "");
    EXPECT_EQ(Read(Ctl::编辑框好评), "");
    EXPECT_EQ(Read(Ctl::标签38), "");
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(RatingPageExtras, BuyerPageTakesItsOwnCountPattern) {
    Run(kScores + "<p>买家信用：<a href=\"#\">9</a></p>" + "<p><a>77</a></p>" +
        CountCells(8, "</td>"));
    EXPECT_EQ(Read(Ctl::编辑框3), "买家为主");
    EXPECT_EQ(Read(Ctl::标签评价), "给出的详细评价");
    EXPECT_EQ(Read(Ctl::编辑框7), "9");  // no "<li>" before the mark: the pattern
    EXPECT_EQ(Read(Ctl::编辑框一周好), "1");
    EXPECT_EQ(Read(Ctl::编辑框半年中), "8");
    EXPECT_EQ(Read(Ctl::编辑框半年差), "");  // only eight matches
    EXPECT_EQ(Read(Ctl::编辑框年前差), "");
    EXPECT_EQ(Read(Ctl::编辑框好评), "9");  // a buyer's good count is its credit
}

TEST_F(RatingPageExtras, MissingPartsShowTheirDefaults) {
    Run("<html><body>almost nothing</body></html>");
    EXPECT_EQ(Read(Ctl::编辑框29), "无");
    EXPECT_EQ(Read(Ctl::编辑框23), "无");
    EXPECT_EQ(Read(Ctl::编辑框19), "%");
    EXPECT_EQ(Read(Ctl::编辑框6), "");
    EXPECT_EQ(Read(Ctl::编辑框7), "");
    EXPECT_EQ(Read(Ctl::编辑框198), "");
    EXPECT_EQ(Read(Ctl::编辑框196), "");
    EXPECT_EQ(Read(Ctl::编辑框13), "");
    EXPECT_TRUE(window.ReadPicture(Ctl::图片框15).empty());
    EXPECT_TRUE(window.ReadPicture(Ctl::图片框72).empty());
}

TEST_F(RatingPageExtras, MainBusinessIsCutAtTwentyFourBytes) {
    Run("<li>当前主营：<a href=\"#\" >一二三四五六七八九十甲乙丙</a></li>");
    EXPECT_EQ(Read(Ctl::编辑框12), "一二三四五六七八九十甲乙");
}

struct StatusCase {
    const char* answer;  // nullptr: no answer at all
    const char* shown;
};
class OnlineStatus : public RatingPageExtras, public ::testing::WithParamInterface<StatusCase> {};
TEST_P(OnlineStatus, Shows) {
    if (GetParam().answer != nullptr) {
        ServeGbk("/muliuserstatus.aw", GetParam().answer);
    }
    window.WriteText(Ctl::编辑框1, "someone");
    ShowOnlineStatus(q);
    EXPECT_EQ(Read(Ctl::编辑框197), GetParam().shown);
}
INSTANTIATE_TEST_SUITE_P(Answers, OnlineStatus,
                         ::testing::Values(StatusCase{"online[0]=1;", "在线"},
                                           StatusCase{"var a=1; online[0]=0;", "不在线"},
                                           StatusCase{"garbage", "在线"}, StatusCase{nullptr, ""},
                                           StatusCase{"", ""}));

}  // namespace
}  // namespace kestrova::test
