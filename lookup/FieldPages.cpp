#include "lookup/FieldPages.h"

#include <map>
#include <utility>

#include "form/RatingRows.h"
#include "lookup/PageAddresses.h"

namespace kestrova {
namespace {

using Controls_ = std::vector<Ctl>;

// The page whose answer gave the page's address (and the query's reason to
// ask it at all); the profile gives every other page's, directly or not.
std::optional<PageRef> AddressSource(PageRef page) {
    switch (page.page) {
        case PlannedPage::Profile:
            return std::nullopt;
        case PlannedPage::PersonalSpace:
        case PlannedPage::RatingPage:
        case PlannedPage::Status:
            return PageRef{PlannedPage::Profile, 0};
        case PlannedPage::Photo:
        case PlannedPage::Honour:
            return PageRef{PlannedPage::PersonalSpace, 0};
        case PlannedPage::GivenList:
        case PlannedPage::ReceivedList:
        case PlannedPage::Favourites:
        case PlannedPage::SellerIcon:
        case PlannedPage::BuyerIcon:
        case PlannedPage::SummaryFirst:
            return PageRef{PlannedPage::RatingPage, 0};
        case PlannedPage::Logo:
            return PageRef{PlannedPage::Favourites, 0};
        case PlannedPage::SummaryLast:
            return PageRef{PlannedPage::SummaryFirst, page.index};
    }
    return std::nullopt;
}

Controls_ RowControls(int page) {
    Controls_ controls;
    for (const RatingRow& row : RatingRows(page)) {
        controls.insert(controls.end(), {row.comment, row.icon, row.nickname, row.itemLine});
    }
    return controls;
}

constexpr Ctl kSummaryFields[] = {Ctl::编辑框好评, Ctl::编辑框中评, Ctl::编辑框差评};
constexpr Ctl kHonourBoxes[] = {Ctl::图片框9,  Ctl::图片框10, Ctl::图片框11,
                                Ctl::图片框12, Ctl::图片框13, Ctl::图片框14};

// The controls each page's answer is cut into (or whose address it gives).
std::vector<std::pair<PageRef, Controls_>> CutFrom() {
    std::vector<std::pair<PageRef, Controls_>> rows = {
        {{PlannedPage::Profile, 0},
         {Ctl::状态条1, Ctl::编辑框24, Ctl::超级链接框3, Ctl::超级链接框1, Ctl::编辑框10,
          Ctl::编辑框9, Ctl::编辑框3}},
        {{PlannedPage::PersonalSpace, 0},
         {Ctl::编辑框98, Ctl::编辑框11, Ctl::编辑框14, Ctl::编辑框25, Ctl::编辑框203, Ctl::图片框1,
          Ctl::编辑框26, Ctl::编辑框27, Ctl::编辑框28, Ctl::编辑框204, Ctl::编辑框205,
          Ctl::编辑框15, Ctl::图片框9, Ctl::图片框10, Ctl::图片框11, Ctl::图片框12, Ctl::图片框13,
          Ctl::图片框14}},
        {{PlannedPage::Photo, 0}, {Ctl::图片框1}},
        {{PlannedPage::RatingPage, 0},
         {Ctl::编辑框8,      Ctl::编辑框4,      Ctl::编辑框5,      Ctl::编辑框9,
          Ctl::标签47,       Ctl::编辑框中评7,  Ctl::编辑框中评6,  Ctl::编辑框中评5,
          Ctl::编辑框29,     Ctl::图片框15,     Ctl::编辑框3,      Ctl::编辑框198,
          Ctl::编辑框196,    Ctl::编辑框201,    Ctl::编辑框202,    Ctl::编辑框19,
          Ctl::编辑框2,      Ctl::编辑框23,     Ctl::编辑框6,      Ctl::编辑框7,
          Ctl::标签评价,     Ctl::编辑框一周好, Ctl::编辑框一周中, Ctl::编辑框一周差,
          Ctl::编辑框一月好, Ctl::编辑框一月中, Ctl::编辑框一月差, Ctl::编辑框半年好,
          Ctl::编辑框半年中, Ctl::编辑框半年差, Ctl::编辑框年前好, Ctl::编辑框年前中,
          Ctl::编辑框年前差, Ctl::编辑框12,     Ctl::编辑框13,     Ctl::编辑框17,
          Ctl::编辑框18,     Ctl::编辑框好评}},
        {{PlannedPage::GivenList, 0}, RowControls(1)},
        {{PlannedPage::ReceivedList, 0}, RowControls(2)},
        {{PlannedPage::Status, 0}, {Ctl::编辑框197}},
        {{PlannedPage::Favourites, 0}, {Ctl::图片框72, Ctl::编辑框200, Ctl::编辑框199}},
        {{PlannedPage::Logo, 0}, {Ctl::图片框72}},
        {{PlannedPage::SellerIcon, 0}, {Ctl::图片框6}},
        {{PlannedPage::BuyerIcon, 0}, {Ctl::图片框7}},
    };
    // Each list's whole text passes through the same page store; the
    // received list, asked second, is what it holds in the end.
    rows[5].second.push_back(Ctl::编辑框82);
    for (int i = 0; i < static_cast<int>(kHonourCount); ++i) {
        rows.push_back({{PlannedPage::Honour, i}, {kHonourBoxes[i]}});
    }
    for (int i = 0; i < 3; ++i) {
        rows.push_back({{PlannedPage::SummaryFirst, i}, {kSummaryFields[i]}});
        rows.push_back({{PlannedPage::SummaryLast, i}, {kSummaryFields[i]}});
    }
    return rows;
}

// Fields the query works out from other fields, with those fields.
const std::vector<std::pair<Controls_, Controls_>>& WorkedOut() {
    static const std::vector<std::pair<Controls_, Controls_>> rules = {
        // The buyer verdict: the account's age and the three counts.
        {{Ctl::标签38, Ctl::图片框5},
         {Ctl::编辑框24, Ctl::编辑框好评, Ctl::编辑框中评, Ctl::编辑框差评}},
        // The shop verdict: the shop link and last month's counts.
        {{Ctl::标签48, Ctl::图片框8},
         {Ctl::超级链接框1, Ctl::编辑框一月好, Ctl::编辑框一月中, Ctl::编辑框一月差}},
    };
    return rules;
}

std::map<Ctl, std::set<PageRef>> Build() {
    std::map<Ctl, std::set<PageRef>> fed;
    for (const auto& [page, controls] : CutFrom()) {
        for (const Ctl control : controls) {
            for (std::optional<PageRef> p = page; p; p = AddressSource(*p)) {
                fed[control].insert(*p);
            }
        }
    }
    for (const auto& [results, inputs] : WorkedOut()) {
        for (const Ctl result : results) {
            for (const Ctl input : inputs) {
                fed[result].insert(fed[input].begin(), fed[input].end());
            }
        }
    }
    return fed;
}

}  // namespace

const std::set<PageRef>& PagesFeeding(Ctl control) {
    static const std::map<Ctl, std::set<PageRef>> fed = Build();
    static const std::set<PageRef> kNone;
    const auto found = fed.find(control);
    return found != fed.end() ? found->second : kNone;
}

bool FedByAnyOf(Ctl control, const std::vector<PageRef>& pages) {
    const std::set<PageRef>& feeding = PagesFeeding(control);
    for (const PageRef& page : pages) {
        if (feeding.count(page) > 0) {
            return true;
        }
    }
    return false;
}

}  // namespace kestrova
