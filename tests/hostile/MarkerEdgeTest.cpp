// Pages that put a marker at their very first byte or let a page end right
// behind it, so that a window reaches before the first byte or past the last.
// Each cut gives what the cut rule gives there (mostly the empty text), the
// address cuts give nothing to fetch, and the query goes on.

#include "HostileQuery.h"
#include "form/RatingRows.h"
#include "text/Gbk.h"

namespace kestrova::hostile {
namespace {

struct EdgeCase {
    const char* name;
    Endpoint endpoint;
    std::string page;    // UTF-8; "{real}" stands for the page the marketplace sent
    std::string result;  // for summaries: the result filter answered this way
    std::vector<std::pair<Ctl, std::string>> fields;  // UTF-8
    std::vector<Endpoint> neverAsked;
};

std::string PageFor(const EdgeCase& c, const std::string& realGbk) {
    std::string page = Gbk(c.page);
    const std::string placeholder = "{real}";
    const std::size_t at = page.find(placeholder);
    if (at != std::string::npos) {
        page.replace(at, placeholder.size(), realGbk);
    }
    return page;
}

class MarkerAtTheEdge : public HostileQuery, public ::testing::WithParamInterface<EdgeCase> {};

TEST_P(MarkerAtTheEdge, CutsGiveWhatTheRuleGives) {
    const EdgeCase& c = GetParam();
    misbehaviour = [&c](const SeenRequest& r,
                        const marketplace::MarketAnswer& real) -> std::optional<Reply> {
        if (r.endpoint != c.endpoint || (!c.result.empty() && r.Param("result") != c.result)) {
            return std::nullopt;
        }
        return Reply::Answer(200, PageFor(c, real.body));
    };
    const Outcome outcome = Run();
    ExpectAllowed(outcome, 10.0);
    EXPECT_EQ(outcome.window.StatusText(), "");
    EXPECT_TRUE(RanToTheEnd(outcome));
    for (const auto& [control, expected] : c.fields) {
        EXPECT_EQ(Utf8(outcome.window.ReadText(control)), expected)
            << Controls()[static_cast<std::size_t>(control)].name;
    }
    for (Endpoint e : c.neverAsked) {
        EXPECT_EQ(CountRequests(e), 0) << EndpointName(e) << " was asked for an address cut from "
                                       << "outside the page";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MarkerAtTheEdge,
    ::testing::Values(
        EdgeCase{"ProfileIsTheRegistrationMarker",
                 Endpoint::Profile,
                 "<li>注册时间：",
                 "",
                 {{Ctl::编辑框24, ""}, {Ctl::超级链接框1, ""}, {Ctl::编辑框15, "0"}},
                 {Endpoint::PersonalSpace, Endpoint::RatingPage}},
        EdgeCase{"ProfileIsTheLastLoginMarker",
                 Endpoint::Profile,
                 "<li>上次登录：",
                 "",
                 {{Ctl::编辑框10, ""}},
                 {}},
        EdgeCase{"ProfileIsTheItemsMarker",
                 Endpoint::Profile,
                 "<li>宝贝信息：",
                 "",
                 {{Ctl::超级链接框3, "出售中的宝贝"}},
                 {}},
        EdgeCase{"ProfileEndsWithTheShopMarker",
                 Endpoint::Profile,
                 "x<li>淘宝店铺： <a href=",
                 "",
                 {{Ctl::超级链接框1, ""}},
                 {}},
        EdgeCase{"ProfileEndsWithTheNoShopMark",
                 Endpoint::Profile,
                 "{real} ></a></li>",
                 "",
                 {{Ctl::超级链接框1, "此人无店铺"}, {Ctl::标签48, "此人无店铺."}},
                 {}},
        EdgeCase{"ProfileStartsWithTheSpaceMarker",
                 Endpoint::Profile,
                 " /> 个人空间{real}",
                 "",
                 {{Ctl::编辑框98, ""}, {Ctl::编辑框11, ""}, {Ctl::编辑框4, "102345678"}},
                 {Endpoint::PersonalSpace}},
        EdgeCase{"SpaceStartsWithTheFansMarker",
                 Endpoint::PersonalSpace,
                 "</b></a><span>粉丝",
                 "",
                 {{Ctl::编辑框26, ""}, {Ctl::编辑框15, "0"}},
                 {}},
        EdgeCase{"SpaceIsTheHonourMarker",
                 Endpoint::PersonalSpace,
                 "position:relative;background-image: url(",
                 "",
                 {},
                 {Endpoint::Honour}},
        EdgeCase{"SpaceStartsWithThePhotoMark",
                 Endpoint::PersonalSpace,
                 "160x160.jpg alt=",
                 "",
                 {},
                 {Endpoint::Avatar}},
        EdgeCase{"SpaceEndsWithTheNickMarker",
                 Endpoint::PersonalSpace,
                 "女<div class=\"nick\">",
                 "",
                 {{Ctl::编辑框11, ""}, {Ctl::编辑框14, "女"}},
                 {}},
        EdgeCase{"SpaceEndsWithTheDistrictMarker",
                 Endpoint::PersonalSpace,
                 "<span class=\"J_district\">",
                 "",
                 {{Ctl::编辑框25, ""}, {Ctl::编辑框203, ""}},
                 {}},
        EdgeCase{"SpaceEndsInsideTheBlogWindow",
                 Endpoint::PersonalSpace,
                 ">查看全部<b>篇日志",
                 "",
                 {{Ctl::编辑框15, ""}},
                 {}},
        EdgeCase{"RatingPageStartsWithTheScoreEnd",
                 Endpoint::RatingPage,
                 "</em>分",
                 "",
                 {{Ctl::编辑框中评7, ""}, {Ctl::编辑框中评6, ""}, {Ctl::编辑框中评5, ""}},
                 {}},
        EdgeCase{"RatingPageEndsWithTheRankMarker",
                 Endpoint::RatingPage,
                 "vip.taobao.com align=\"absmiddle\" class=\"rank\" title=\"",
                 "",
                 {{Ctl::编辑框13, ""}},
                 {}},
        EdgeCase{"RatingPageIsTheSellerCreditMarker",
                 Endpoint::RatingPage,
                 "<li>卖家信用：",
                 "",
                 {{Ctl::编辑框6, ""}},
                 {Endpoint::SellerIcon, Endpoint::BuyerIcon}},
        EdgeCase{"RatingPageIsTheBuyerCreditMark",
                 Endpoint::RatingPage,
                 "买家信用：",
                 "",
                 {{Ctl::编辑框7, ""}},
                 {Endpoint::SellerIcon, Endpoint::BuyerIcon}},
        EdgeCase{"RatingPageEndsWithTheFavouritesPrefix",
                 Endpoint::RatingPage,
                 "x http://favorite.taobao.com/collect_item_relation",
                 "",
                 {{Ctl::编辑框200, ""}},
                 {Endpoint::Favourites, Endpoint::Logo}},
        EdgeCase{"FavouritesEndWithTheLogoPrefix",
                 Endpoint::Favourites,
                 "\t<span class=\"price\">http://logo.taobao.com/shop-logo",
                 "",
                 {{Ctl::编辑框200, ""}, {Ctl::编辑框199, ""}},
                 {Endpoint::Logo}},
        EdgeCase{"ListIsTheEntryKeyAlone",
                 Endpoint::GivenList,
                 "aucNumId",
                 "",
                 {{RatingRows(1)[0].itemLine, ""}, {RatingRows(1)[0].nickname, ""}},
                 {}},
        EdgeCase{"ListEndsWithTheEntryKey",
                 Endpoint::ReceivedList,
                 "shop_rate_list({aucNumId",
                 "",
                 {{RatingRows(2)[0].itemLine, ""}},
                 {}},
        EdgeCase{"SummaryEndsWithThePageCountKey",
                 Endpoint::SummaryFirstPage,
                 "{\"maxPage\":",
                 "1",
                 {{Ctl::编辑框好评, "0"}},
                 {Endpoint::SummaryLastPage}},
        EdgeCase{"SummaryEntryAtTheStartCountAtTheEnd",
                 Endpoint::SummaryFirstPage,
                 "aucNumId,\"maxPage\":1",
                 "1",
                 {{Ctl::编辑框好评, "1"}},
                 {}},
        // The full seller's good ratings fill 31 pages; an empty last page
        // leaves the thirty full ones.
        EdgeCase{"SummaryLastPageEmpty",
                 Endpoint::SummaryLastPage,
                 "",
                 "1",
                 {{Ctl::编辑框好评, "1200"}},
                 {}}),
    [](const ::testing::TestParamInfo<EdgeCase>& info) { return info.param.name; });

}  // namespace
}  // namespace kestrova::hostile
