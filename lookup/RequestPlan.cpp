#include "lookup/RequestPlan.h"

#include <algorithm>
#include <utility>

#include "lookup/PageAddresses.h"
#include "lookup/StepTexts.h"
#include "text/Convert.h"
#include "web/HttpSessionRequest.h"
#include "web/PictureFetch.h"
#include "web/ProfileRequest.h"

namespace kestrova {
namespace {

// The places of the requests in the query's order: the profile, the personal
// space with its photo and six honours, the rating page, the two lists, the
// status, the favourites page and the logo, the two credit icons, then each
// summary's first and last page.
int StepOf(PlannedPage page, int index) {
    switch (page) {
        case PlannedPage::Profile:
            return 0;
        case PlannedPage::PersonalSpace:
            return 1;
        case PlannedPage::Photo:
            return 2;
        case PlannedPage::Honour:
            return 3 + index;
        case PlannedPage::RatingPage:
            return 9;
        case PlannedPage::GivenList:
            return 10;
        case PlannedPage::ReceivedList:
            return 11;
        case PlannedPage::Status:
            return 12;
        case PlannedPage::Favourites:
            return 13;
        case PlannedPage::Logo:
            return 14;
        case PlannedPage::SellerIcon:
            return 15;
        case PlannedPage::BuyerIcon:
            return 16;
        case PlannedPage::SummaryFirst:
            return 17 + 2 * index;
        case PlannedPage::SummaryLast:
            return 18 + 2 * index;
    }
    return 99;
}

// What a page not in yet can still bring, its own request not counted.
constexpr int kAfterProfile = 1 + 1 + static_cast<int>(kHonourCount) + 1 + 2 + 1 + 1 + 1 + 2 + 6;
constexpr int kAfterSpace = 1 + static_cast<int>(kHonourCount);
constexpr int kAfterRatingPage = 2 + 1 + 1 + 2 + 6;  // lists, favourites, logo, icons, summaries
constexpr int kAfterRatingPageOfTmall = 2;           // the lists, then the stop

}  // namespace

RequestPlan::RequestPlan(Text account) : account_(std::move(account)) {
    Add(PlannedPage::Profile, 0, ProfileWireRequest(ProfileAddress(account_)));
}

void RequestPlan::Add(PlannedPage page, int index, WireRequest wire) {
    new_.push_back(PlannedRequest{page, index, StepOf(page, index), std::move(wire)});
    ++known_;
    if (page == PlannedPage::Profile || page == PlannedPage::PersonalSpace ||
        page == PlannedPage::RatingPage || page == PlannedPage::Favourites ||
        page == PlannedPage::SummaryFirst) {
        awaited_.push_back(page);
    }
}

std::vector<PlannedRequest> RequestPlan::TakeNew() {
    std::vector<PlannedRequest> taken = std::exchange(new_, {});
    std::stable_sort(taken.begin(), taken.end(),
                     [](const auto& a, const auto& b) { return a.step < b.step; });
    return taken;
}

void RequestPlan::Arrived(const PlannedRequest& request, const ByteBuffer& body) {
    const auto awaited = std::find(awaited_.begin(), awaited_.end(), request.page);
    if (awaited != awaited_.end()) {
        awaited_.erase(awaited);
    }
    switch (request.page) {
        case PlannedPage::Profile:
            ProfileArrived(ToTextView(body));
            break;
        case PlannedPage::PersonalSpace:
            SpaceArrived(ToTextView(body));
            break;
        case PlannedPage::RatingPage:
            RatingPageArrived(ToTextView(body));
            break;
        case PlannedPage::Favourites:
            Add(PlannedPage::Logo, 0, PictureWireRequest(LogoAddress(ToTextView(body))));
            break;
        case PlannedPage::SummaryFirst:
            SummaryFirstArrived(request, ToTextView(body));
            break;
        default:
            break;
    }
}

void RequestPlan::ProfileArrived(TextView profile) {
    if (ProfileEndOf(profile) != ProfileEnd::None) {
        return;
    }
    tmall_ = IsTmallAccount(profile);
    Add(PlannedPage::PersonalSpace, 0, SessionWireRequest(PersonalSpaceAddress(profile)));
    RegexHelper regex;
    Add(PlannedPage::RatingPage, 0, SessionWireRequest(RatingPageAddressIn(regex, profile)));
    if (!tmall_) {
        Add(PlannedPage::Status, 0, SessionWireRequest(StatusAddress(account_)));
    }
}

void RequestPlan::SpaceArrived(TextView page) {
    Add(PlannedPage::Photo, 0, PictureWireRequest(PhotoAddress(page)));
    Text rest;
    const std::array<Text, kHonourCount> honours = HonourAddresses(page, rest);
    for (std::size_t i = 0; i < honours.size(); ++i) {
        Add(PlannedPage::Honour, static_cast<int>(i), PictureWireRequest(honours[i]));
    }
}

void RequestPlan::RatingPageArrived(TextView page) {
    RegexHelper regex;
    const Text memberId = MemberIdIn(regex, page);
    Add(PlannedPage::GivenList, 0,
        SessionWireRequest(RatingListAddress(RatingList::Given, memberId)));
    Add(PlannedPage::ReceivedList, 0,
        SessionWireRequest(RatingListAddress(RatingList::Received, memberId)));
    if (tmall_) {
        return;
    }
    Add(PlannedPage::Favourites, 0, SessionWireRequest(FavouritesAddress(page)));
    Add(PlannedPage::SellerIcon, 0, PictureWireRequest(SellerIconAddress(page)));
    Add(PlannedPage::BuyerIcon, 0, PictureWireRequest(BuyerIconAddress(page)));
    const bool buyer = RoleOn(page) == kBuyerRole;
    for (std::size_t i = buyer ? 1 : 0; i < kSummaryResults.size(); ++i) {
        Add(PlannedPage::SummaryFirst, static_cast<int>(i),
            SessionWireRequest(SummaryAddress(kSummaryResults[i], memberId)));
    }
}

void RequestPlan::SummaryFirstArrived(const PlannedRequest& first, TextView page) {
    RegexHelper regex;
    const std::int32_t pages = SummaryPageCount(regex, page);
    if (HasLastSummaryPage(pages)) {
        Add(PlannedPage::SummaryLast, first.index,
            SessionWireRequest(LastSummaryPageAddress(first.wire.url, pages)));
    }
}

int RequestPlan::StillToCome(PlannedPage page) const {
    switch (page) {
        case PlannedPage::Profile:
            return kAfterProfile;
        case PlannedPage::PersonalSpace:
            return kAfterSpace;
        case PlannedPage::RatingPage:
            return tmall_ ? kAfterRatingPageOfTmall : kAfterRatingPage;
        case PlannedPage::Favourites:    // the logo
        case PlannedPage::SummaryFirst:  // the last page
            return 1;
        default:
            return 0;
    }
}

int RequestPlan::ExpectedTotal() const {
    int total = known_;
    for (const PlannedPage page : awaited_) {
        total += StillToCome(page);
    }
    return total;
}

}  // namespace kestrova
