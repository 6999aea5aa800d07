// Which pages feed each field, as history --diff relies on to leave apart what
// a missing page gave: named for a control of every page and the edges (the
// worked-out verdicts, the last rating row, a control never written), and
// held against the lookup itself: with every answer of one page refused, each
// field that comes out otherwise must be fed by that page.

#include <algorithm>

#include "HostileQuery.h"
#include "form/RatingRows.h"
#include "lookup/FieldPages.h"

namespace kestrova::hostile {
namespace {

std::set<PageRef> Pages(std::initializer_list<const char*> keys) {
    std::set<PageRef> pages;
    for (const char* key : keys) {
        const std::optional<PageRef> page = PageFromKey(key);
        EXPECT_TRUE(page) << key;
        pages.insert(page.value_or(PageRef{}));
    }
    return pages;
}

std::string Name(Ctl control) {
    return Controls()[static_cast<std::size_t>(control)].name;
}

TEST(FieldPages, EachControlIsFedByItsPageAndEveryPageThatLedThere) {
    const std::pair<Ctl, std::set<PageRef>> cases[] = {
        {Ctl::状态条1, Pages({"profile"})},
        {Ctl::编辑框24, Pages({"profile"})},
        {Ctl::编辑框98, Pages({"profile", "personal_space"})},
        {Ctl::图片框1, Pages({"profile", "personal_space", "photo"})},
        {Ctl::图片框9, Pages({"profile", "personal_space", "honour_1"})},
        {Ctl::图片框14, Pages({"profile", "personal_space", "honour_6"})},
        {Ctl::编辑框2, Pages({"profile", "rating_page"})},
        {RatingRows(1).front().comment, Pages({"profile", "rating_page", "given_list"})},
        {RatingRows(2).back().nickname, Pages({"profile", "rating_page", "received_list"})},
        {Ctl::编辑框82, Pages({"profile", "rating_page", "received_list"})},
        {Ctl::编辑框197, Pages({"profile", "status"})},
        {Ctl::编辑框199, Pages({"profile", "rating_page", "favourites"})},
        {Ctl::图片框72, Pages({"profile", "rating_page", "favourites", "logo"})},
        {Ctl::图片框6, Pages({"profile", "rating_page", "seller_icon"})},
        {Ctl::图片框7, Pages({"profile", "rating_page", "buyer_icon"})},
        {Ctl::编辑框差评, Pages({"profile", "rating_page", "summary_bad", "summary_bad_last"})},
        // The verdicts, from what their fields came from.
        {Ctl::标签38,
         Pages({"profile", "rating_page", "summary_good", "summary_good_last", "summary_neutral",
                "summary_neutral_last", "summary_bad", "summary_bad_last"})},
        {Ctl::图片框8, Pages({"profile", "rating_page"})},
        // Typed by the user, or clicked: no page feeds them.
        {Ctl::编辑框1, {}},
        {Ctl::按钮1, {}},
    };
    for (const auto& [control, pages] : cases) {
        EXPECT_EQ(PagesFeeding(control), pages) << Name(control);
    }
}

struct PageCase {
    Endpoint endpoint;
    PlannedPage page;  // every index of it: all its requests are refused
};

class RefusedPage : public HostileQuery, public ::testing::WithParamInterface<PageCase> {};

TEST_P(RefusedPage, OnlyFieldsItFeedsComeOutOtherwise) {
    const Outcome& baseline = Baseline();
    ASSERT_TRUE(RanToTheEnd(baseline));
    const Endpoint endpoint = GetParam().endpoint;
    misbehaviour = [endpoint](const SeenRequest& r,
                              const marketplace::MarketAnswer&) -> std::optional<Reply> {
        return r.endpoint == endpoint ? std::optional(Reply::Answer(503, "")) : std::nullopt;
    };
    const Outcome outcome = Run();
    ASSERT_GT(CountRequests(endpoint), 0) << "the page was never asked";
    const std::set<Ctl> differing = Differing(outcome, baseline);
    EXPECT_FALSE(differing.empty());
    for (const Ctl control : differing) {
        const std::set<PageRef>& feeding = PagesFeeding(control);
        EXPECT_TRUE(std::any_of(feeding.begin(), feeding.end(),
                                [&](const PageRef& p) { return p.page == GetParam().page; }))
            << Name(control) << " changed, but is not known to be fed by the page";
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryPage, RefusedPage,
    ::testing::Values(PageCase{Endpoint::Profile, PlannedPage::Profile},
                      PageCase{Endpoint::PersonalSpace, PlannedPage::PersonalSpace},
                      PageCase{Endpoint::Avatar, PlannedPage::Photo},
                      PageCase{Endpoint::Honour, PlannedPage::Honour},
                      PageCase{Endpoint::RatingPage, PlannedPage::RatingPage},
                      PageCase{Endpoint::GivenList, PlannedPage::GivenList},
                      PageCase{Endpoint::ReceivedList, PlannedPage::ReceivedList},
                      PageCase{Endpoint::Status, PlannedPage::Status},
                      PageCase{Endpoint::Favourites, PlannedPage::Favourites},
                      PageCase{Endpoint::Logo, PlannedPage::Logo},
                      PageCase{Endpoint::SellerIcon, PlannedPage::SellerIcon},
                      PageCase{Endpoint::BuyerIcon, PlannedPage::BuyerIcon},
                      PageCase{Endpoint::SummaryFirstPage, PlannedPage::SummaryFirst},
                      PageCase{Endpoint::SummaryLastPage, PlannedPage::SummaryLast}),
    [](const auto& info) { return std::string(EndpointName(info.param.endpoint)); });

}  // namespace
}  // namespace kestrova::hostile
