// The pages against the cuts the query makes: every marker, offset, window,
// end marker, trim and pattern, applied to what the marketplace serves for
// each member, must give the value the member table means. The cuts are
// written out here from the rules, with the program's own MarkerCut, text
// operations and regular-expression helper.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "MarketClient.h"
#include "lookup/MarkerCut.h"
#include "marketplace/Addresses.h"
#include "marketplace/Members.h"
#include "marketplace/Pages.h"
#include "text/Build.h"
#include "text/Gbk.h"
#include "text/Search.h"
#include "text/TextArray.h"
#include "web/Endpoints.h"
#include "web/RegexHelper.h"
#include "web/UrlCodec.h"

namespace kestrova::test {
namespace {

using marketplace::Member;

// ---------------------------------------------------------------- helpers

Text G(std::string_view utf8) {
    return Gbk(utf8);
}
std::string U(const Text& gbk) {
    return GbkToUtf8(gbk);
}

bool Has(const Text& text, const Text& marker) {
    return FindText(text, marker) != -1;
}

Text Removed(const Text& text, const Text& what, int max = 9999) {
    return ReplaceSubText(text, what, "", 1, max, true);
}

Text SubMatch(const Text& pattern, const Text& subject, int k = 1) {
    RegexHelper regex;
    regex.RegexPrepare(pattern, subject);
    return regex.RegexSubMatch(k, 1);
}

Text MatchValue(const Text& pattern, const Text& subject) {
    RegexHelper regex;
    regex.RegexPrepare(pattern, subject);
    return regex.RegexMatchValue(1);
}

// The bytes behind the first ">" of the nine bytes before marker.
Text CountBefore(const Text& page, const Text& marker) {
    const Text before = MidText(page, FindText(page, marker) - 9, 9);
    return MidText(before, FindText(before, ">") + 1, 9);
}

struct MemberPages {
    const Member* m;
    Text profile, space, rating, favourites;
};

MemberPages Load(const Member& m) {
    MemberPages p{&m, {}, {}, {}, {}};
    p.profile = Fetch(endpoints::kMemberHost,
                      std::string(endpoints::kProfilePath) + UrlEncode(Gbk(m.account)))
                    .body;
    p.space = FetchAddress(marketplace::PersonalSpaceAddress(m)).body;
    p.rating = FetchAddress(marketplace::RatingPageAddress(m)).body;
    if (m.favourites) {
        p.favourites = FetchAddress(marketplace::FavouritesAddress(m)).body;
    }
    return p;
}

std::vector<std::string> ServedAccounts() {
    std::vector<std::string> served;
    for (const Member& m : marketplace::Members()) {
        if (m.profile == marketplace::ProfileKind::kMember) {
            served.push_back(m.account);
        }
    }
    return served;
}

// Parameterised by account name (UTF-8).
class PageCuts : public ::testing::TestWithParam<std::string> {
  protected:
    const Member& m() const { return *marketplace::FindMember(GetParam()); }
    const MemberPages& pages() {
        if (!loaded_) {
            pages_ = Load(m());
            loaded_ = true;
        }
        return pages_;
    }

  private:
    MemberPages pages_;
    bool loaded_ = false;
};

// ---------------------------------------------------------------- profile

TEST_P(PageCuts, ProfileFields) {
    const Text& page = pages().profile;
    ASSERT_FALSE(page.empty());
    EXPECT_FALSE(Has(page, G("很抱歉！淘宝正在对该店铺盘点，请稍后再试")));
    EXPECT_FALSE(Has(page, G("通告：該用戶已經被查封！")));

    const Text registeredMarker = G("<li>注册时间：");
    ASSERT_TRUE(Has(page, registeredMarker));
    const Text registered = MarkerCut(page, registeredMarker, 15, 888, "</li>", 2, 9999);
    EXPECT_EQ(U(Removed(Removed(registered, " ", 888), "\t")),
              marketplace::RegistrationDate(m(), std::chrono::system_clock::now()));

    EXPECT_EQ(Has(page, G("<li>宝贝信息：")), m().listsItems);
    if (m().listsItems) {
        EXPECT_EQ(
            MarkerCut(page, G("<li>宝贝信息： <a href="), 24, 999, G(">出售中的宝贝</a></li>"), 2),
            marketplace::ItemsAddress(m()));
    }

    const bool noShop = Has(page, " ></a></li>");
    EXPECT_EQ(noShop, m().shopName.empty());
    if (!noShop) {
        const Text shopMarker = G("<li>淘宝店铺： <a href=");
        const Text afterLink = MidText(page, FindText(page, shopMarker) + 24, 999);
        const Text linkText = MidText(afterLink, FindText(afterLink, " >") + 2, 999);
        EXPECT_EQ(U(LeftText(LeftText(linkText, FindText(linkText, "</a></li>") - 1), 24)),
                  m().shopCaption);
        EXPECT_EQ(MarkerCut(page, shopMarker, 24, 999, " >", 2), marketplace::ShopAddress(m()));
    }

    const Text lastLogin = MarkerCut(page, G("<li>上次登录："), 15, 9999, "</li>", 1);
    EXPECT_EQ(U(Removed(Removed(lastLogin, " "), "\t")), m().lastLogin);

    EXPECT_EQ(Has(page, G("天猫") + endpoints::kTmallDomain), m().tmall);
}

TEST_P(PageCuts, ProfileLinksThePersonalSpaceAndTheRatingPage) {
    const Text& page = pages().profile;
    const Text end = G(" /> 个人空间");
    const Text around = MidText(page, FindText(page, end) - 111, 999);
    const Text link = MidText(around, FindText(around, "<li><a href=") + 13, 999);
    Text address = LeftText(link, FindText(link, end) - 2);
    for (const int code : {32, 9, 13, 10}) {
        address = Removed(address, CharFromCode(code));
    }
    EXPECT_EQ(address, marketplace::PersonalSpaceAddress(m()));

    EXPECT_EQ(U(MatchValue(G("\\d+年\\d+月\\d+日"), page)), m().openedText);
    EXPECT_EQ(MatchValue("http:\\/\\/rate\\.taobao\\.com\\/user-rate-.*htm", page),
              marketplace::RatingPageAddress(m()));
}

// ---------------------------------------------------------------- personal space

TEST_P(PageCuts, PersonalSpaceFields) {
    const Text& page = pages().space;
    ASSERT_FALSE(page.empty());
    EXPECT_EQ(U(MarkerCut(page, "<div class=\"nick\">", 18, 33, "</div>", 1)), m().shownNick);

    const Text sex = Has(page, G("男")) ? G("男") : Has(page, G("女")) ? G("女") : Text();
    EXPECT_EQ(U(sex), m().sexText);
    EXPECT_EQ(MarkerCut(page, "<span class=\"J_district\">", 25, 33, "</span>", 1), m().district);

    const Text aroundPhoto = MidText(page, FindText(page, "160x160.jpg") - 58, 99);
    const Text photo = LeftText(aroundPhoto, FindText(aroundPhoto, " alt=") - 2);
    EXPECT_EQ(photo, m().avatar.empty() ? "" : marketplace::AvatarAddress(m()));

    EXPECT_EQ(U(CountBefore(page, G("</b></a><span>粉丝"))), m().fans);
    EXPECT_EQ(U(CountBefore(page, G("</b></a><span>关注"))), m().follows);
    EXPECT_EQ(U(CountBefore(page, G("</b></span><span>访问"))), m().visits);
    EXPECT_EQ(
        U(MarkerCut(page, "school\"><s class=\"sep ks-inline-block\"></s>", 43, 999, "</span>", 1)),
        m().school);
    EXPECT_EQ(U(MarkerCut(page, "company\"><s class=\"sep ks-inline-block\"></s>", 44, 999,
                          "</span>", 1)),
              m().company);
    const Text blogs = Has(page, G("篇日志"))
                           ? Removed(MarkerCut(page, G(">查看全部<b>"), 12, 9, "</b>", 1), " ", 99)
                           : Text("0");
    EXPECT_EQ(U(blogs), m().blogs);
}

TEST_P(PageCuts, HonourPicturesAreTheSixtyTwoBytesAfterEachMarker) {
    const Text& page = pages().space;
    const Text marker = "position:relative;background-image: url(";
    Text rest = MidText(page, FindText(page, marker) + 40, 9999);
    for (std::size_t i = 0; i < 6; ++i) {
        if (i > 0) {
            rest = MidText(rest, FindText(rest, marker) + 40, 9999);
        }
        const Text address = LeftText(rest, 62);
        if (i < m().honours.size()) {
            EXPECT_EQ(address, marketplace::HonourAddress(m(), static_cast<int>(i) + 1));
        } else {
            // What follows the last badge is no address of anything.
            const Fetched stray = FetchAddress(address);
            EXPECT_TRUE(stray.body.empty()) << i << ": " << address;
        }
    }
}

// ---------------------------------------------------------------- rating overview page

std::string ServiceText(const Text& page) {
    const char* names[] = {"消费者保障", "7天退换",  "30天维修", "假一赔三",
                           "24小时发货", "正品保障", "提供发票", "先行赔付"};
    Text shown;
    for (const char* name : names) {
        if (Has(page, G(name) + "<")) {
            shown += G(name) + (std::string(name) == "先行赔付" ? "" : "  ");
        }
    }
    return U(shown);
}

TEST_P(PageCuts, ShopPageFields) {
    const Text& page = pages().rating;
    ASSERT_FALSE(page.empty());
    Text region = SubMatch(G("所在地区：[\\s\\S]*?([\\u4e00-\\u9fa5]+)[\\s\\S]*?</li>"), page);
    if (Has(region, G("创店时间"))) {
        region.clear();
    }
    EXPECT_EQ(U(region), m().region);
    EXPECT_EQ(SubMatch("userID: '(\\d+)'", page), m().userId);
    EXPECT_EQ(
        U(SubMatch(
            G("<!--认证标志-->[\\s\\S]*?([\\u4e00-\\u9fa5]+)[\\s\\S]*?<!--商城及地域的标志-->"),
            page)),
        m().certification);
    const bool nonSeller = Has(page, G("卖家尚未加入淘宝网"));
    EXPECT_EQ(nonSeller, m().nonSeller);
    if (!nonSeller) {
        EXPECT_EQ(SubMatch("id=\"J_showShopStartDate\" value=\"(.*)\" />", page),
                  m().shopStartDate);
        std::string expected;
        for (const std::string& name : m().commitments) {
            expected += name + (name == "先行赔付" ? "" : "  ");
        }
        EXPECT_EQ(ServiceText(page), expected);
    }
}

TEST_P(PageCuts, ScoresLicenceRoleAndShopFacts) {
    const Text& page = pages().rating;
    const Text scoreEnd = G("</em>分");
    const Text count = " class=\"count\">";
    EXPECT_EQ(MidText(page, FindText(page, scoreEnd) - 3, 3), m().scores[0]);
    Text scratch = MidText(page, FindText(page, count) + 15, 9999);
    scratch = MidText(scratch, FindText(scratch, count) + 15, 9999);
    EXPECT_EQ(LeftText(scratch, FindText(scratch, scoreEnd) - 1), m().scores[1]);
    scratch = MidText(scratch, FindText(scratch, count) + 15, 9999);
    EXPECT_EQ(LeftText(scratch, FindText(scratch, scoreEnd) - 1), m().scores[2]);

    EXPECT_EQ(Has(page, G("执照信息：")), m().licence);
    EXPECT_EQ(Has(page, G("卖家信息")), m().sellerInfo);
    const Text itemCount = Has(page, G("宝贝数量："))
                               ? MarkerCut(page, G("宝贝数量：</span>"), 17, 99, "</li>", 1)
                               : Text();
    EXPECT_EQ(itemCount, m().itemCount);
    EXPECT_EQ(Has(page, G("本店支持信用卡直接付款")), m().creditCard);
    EXPECT_EQ(MarkerCut(page, G("虚拟宝贝交易: <em>"), 18, 19, "</em></p>", 1), m().virtualTrades);
    EXPECT_EQ(MarkerCut(page, G("实物宝贝交易: <em>"), 18, 19, "</em></p>", 1), m().realTrades);
    EXPECT_EQ(SubMatch(G("好评率：(\\d.*)%"), page), m().goodRate);
    const Text deposit =
        Has(page, G("卖家当前保证金余额"))
            ? MarkerCut(page, G("卖家当前保证金余额 <span>￥"), 27, 99, G("</span> 元</div>"), 1)
            : G("无");
    EXPECT_EQ(U(deposit), m().deposit.empty() ? "无" : m().deposit);
}

TEST_P(PageCuts, FavouritesLinkAndPage) {
    const Text prefix = Text("http://") + endpoints::kFavouritesHost + endpoints::kFavouritesPath;
    const Text address = MarkerCut(pages().rating, prefix, 0, 99, "></li>", 2);
    EXPECT_EQ(address, m().favourites ? marketplace::FavouritesAddress(m()) : "");
    if (!m().favourites) {
        return;
    }
    const Text& page = pages().favourites;
    const Text logoPrefix = Text("http://") + endpoints::kLogoHost + endpoints::kLogoPath;
    EXPECT_EQ(MarkerCut(page, logoPrefix, 0, 99, " alt=", 2), marketplace::LogoAddress(m()));
    EXPECT_EQ(U(MarkerCut(page, "\t<span class=\"price\">", 21, 99, "</span>", 1)),
              m().creditLevel);
    EXPECT_EQ(U(Removed(MarkerCut(page, G("收藏人气：<STRONG>"), 18, 99, "</STRONG>", 1), " ", 99)),
              m().popularity);
}

Text CreditIcon(const Text& page, const Text& marker, const Text& end) {
    const Text after = MidText(page, FindText(page, marker) + 15, 9999);
    const Text icon = MidText(after, FindText(after, "><img src=") + 11, 77);
    return LeftText(icon, FindText(icon, end) - 2);
}

TEST_P(PageCuts, CreditsAndTheirIcons) {
    const Text& page = pages().rating;
    const Text sellerMarker = G("<li>卖家信用：");
    Text seller;
    if (Has(page, G("卖家信用："))) {
        seller =
            Removed(Removed(MarkerCut(page, sellerMarker, 15, 9999, "<a href=", 2), " "), "\t");
    }
    EXPECT_EQ(seller, m().sellerCredit);
    EXPECT_EQ(CreditIcon(page, sellerMarker, "  border="),
              m().sellerIcon.empty() ? "" : marketplace::CreditIconAddress(m().sellerIcon));

    Text buyer;
    if (Has(page, G("买家信用："))) {
        buyer = Has(page, G("<li>买家信用："))
                    ? Removed(Removed(MarkerCut(page, G("<li>买家信用："), 15, 9999, "<", 2), " "),
                              "\t")
                    : SubMatch(G("买家信用：[\\s\\S]*?(\\d+)</a>"), page);
    }
    EXPECT_EQ(buyer, m().buyerCredit);
    EXPECT_EQ(CreditIcon(page, G("买家信用："), " title="),
              marketplace::CreditIconAddress(m().buyerIcon));

    if (!m().sellerInfo && !m().tmall) {
        EXPECT_EQ(SubMatch(G("买家信用：[\\s\\S]*?(\\d+)</a>"), page), m().goodCount);
    }
}

TEST_P(PageCuts, CountTableTakesTheFirstTwelveLinkedCounts) {
    const Text& page = pages().rating;
    RegexHelper regex;
    regex.RegexPrepare(m().sellerInfo ? ">(\\d+)</a>" : ">(\\d+)</a></td>", page);
    std::vector<std::string> linked;
    for (const std::string& c : m().counts) {
        if (!c.empty()) {
            linked.push_back(c);
        }
    }
    for (int k = 1; k <= 12; ++k) {
        const std::size_t i = static_cast<std::size_t>(k - 1);
        EXPECT_EQ(regex.RegexSubMatch(k, 1), i < linked.size() ? linked[i] : "") << "match " << k;
    }
}

TEST_P(PageCuts, MainBusinessRankAndIndustry) {
    const Text& page = pages().rating;
    const Text afterLink = MidText(page, FindText(page, G("<li>当前主营：<a href=")) + 23, 999);
    const Text linkText = MidText(afterLink, FindText(afterLink, " >") + 2, 999);
    const Text business = LeftText(LeftText(linkText, FindText(linkText, "</a></li>") - 1), 24);
    EXPECT_EQ(U(ReplaceSubText(business, "&nbsp;", "", 1, 9, true)), m().mainBusiness);

    Text rank;
    if (Has(page, endpoints::kVipHost)) {
        const Text marker = " align=\"absmiddle\" class=\"rank\" title=\"";
        rank = MidText(page, FindText(page, marker) + 39, 6);
    }
    EXPECT_EQ(U(rank), m().shownVipRank);

    const Text industry = MarkerCut(page, G("<div class=\"list\">主营行业："), 28, 99, "</div>", 1);
    EXPECT_EQ(U(ReplaceSubText(industry, "&nbsp;", " ", 1, 9, true)), m().industry);
    EXPECT_EQ(MarkerCut(page, G("<div class=\"list\">主营占比："), 28, 99, "</div>", 1),
              m().industryShare);
}

// ---------------------------------------------------------------- rating lists

void ExpectRows(const Text& body, const std::vector<marketplace::RatingEntry>& entries) {
    const TextArray pieces = SplitText(body, "aucNumId");
    const int n = pieces.Count() - 1;
    ASSERT_EQ(n, static_cast<int>(entries.size()));
    for (int k = 1; k <= n && k <= 28; ++k) {
        const Text& piece = pieces[k + 1];  // piece 1 is what precedes the first entry
        const marketplace::RatingEntry& e = entries[static_cast<std::size_t>(k - 1)];
        Text comment = MarkerCut(piece, "content", 10, 999, "\",\"", 1);
        comment = ReplaceSubText(comment, "&hellip;", "...", 1, 9, true);
        comment = ReplaceSubText(comment, "<br/>\\n", "...", 1, 9, true);
        EXPECT_EQ(U(comment), e.shownComment) << "entry " << k;
        const marketplace::RatingKind kind =
            Has(piece, "rate\":\"1")   ? marketplace::RatingKind::kGood
            : Has(piece, "rate\":\"0") ? marketplace::RatingKind::kNeutral
                                       : marketplace::RatingKind::kBad;
        EXPECT_EQ(kind, e.kind) << "entry " << k;
        EXPECT_EQ(U(MarkerCut(piece, "nick", 7, 999, ",", 2)), e.nick) << "entry " << k;
        const Text line = MarkerCut(piece, "title", 8, 999, "},", 2) + " | " +
                          MarkerCut(piece, "sku", 6, 999, ",", 2) + " | " +
                          MarkerCut(piece, "date", 7, 999, ",", 2);
        EXPECT_EQ(U(line), e.ItemLine()) << "entry " << k;
    }
}

TEST_P(PageCuts, RatingListRows) {
    const std::string base =
        "/member_rate.htm?content=1&result=&from=rate&user_id=" + m().userId + "&identity=1";
    ExpectRows(
        Fetch(endpoints::kRatingHost, base + "&rater=3&direction=1&callback=shop_rate_list").body,
        m().given);
    ExpectRows(
        Fetch(endpoints::kRatingHost, base + "&rater=0&direction=0&page=1&callback=shop_rate_list")
            .body,
        m().received);
}

INSTANTIATE_TEST_SUITE_P(Members, PageCuts, ::testing::ValuesIn(ServedAccounts()),
                         [](const auto& info) { return "member" + std::to_string(info.index); });

// ---------------------------------------------------------------- intended values

TEST(IntendedValues, TheRosterCoversEveryVerdict) {
    std::set<std::string> buyer, seller;
    for (const Member& m : marketplace::Members()) {
        if (m.profile == marketplace::ProfileKind::kMember && !m.tmall) {
            buyer.insert(m.buyerVerdict);
            seller.insert(m.sellerVerdict);
        }
    }
    auto somewhere = [](const std::set<std::string>& verdicts, const std::string& part) {
        return std::any_of(verdicts.begin(), verdicts.end(),
                           [&](const std::string& v) { return v.find(part) != std::string::npos; });
    };
    // Verdicts that stand alone, and warnings that are appended to each other.
    for (const char* whole : {"良民.", "大大的良民.", "小心应付，问题不大.", "此人无店铺."}) {
        EXPECT_TRUE(buyer.count(whole) + seller.count(whole) > 0) << whole;
    }
    for (const char* part : {"帐号注册日期小于30日！  ", "非善类！给的中评大于3个！  ",
                             "很挑剔！有给差评的记录！", "红色警报：叼民！"}) {
        EXPECT_TRUE(somewhere(buyer, part)) << part;
    }
    EXPECT_TRUE(buyer.count("非善类！给的中评大于3个！  很挑剔！有给差评的记录！") > 0)
        << "many neutral and bad ratings without the red alert";
    for (const char* part : {"经营不善，门可罗雀.", "小店经营，门庭冷落.", "中等商铺，蒸蒸日上.",
                             "专业店铺，门庭若市.", " [黑店]", " [不诚信]", " [注意质量]",
                             " [产品一般]", " [诚信商家]", " [产品尚可]"}) {
        EXPECT_TRUE(somewhere(seller, part)) << part;
    }
}

TEST(IntendedValues, RegistrationOfTheYoungAccountFollowsTheClock) {
    const Member* young = marketplace::FindMember("新手小白");
    ASSERT_NE(young, nullptr);
    using namespace std::chrono;
    const auto now = sys_days{2011y / 3 / 21} + hours{12};
    EXPECT_EQ(marketplace::RegistrationDate(*young, now), "2011-03-09");
    const auto later = sys_days{2012y / 1 / 5} + hours{12};
    EXPECT_EQ(marketplace::RegistrationDate(*young, later), "2011-12-24");
}

}  // namespace
}  // namespace kestrova::test
