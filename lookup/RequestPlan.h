#pragma once
// The requests a lookup will send, as far as the pages that have come in tell.
// A request is known as soon as its address follows from them, and only if the
// query would make it: nothing after a stop of the profile, nothing past the
// rating lists for a Tmall account, the good-rating summary only for a member
// who is not mainly a buyer, a summary's last page only when it has more than
// one. The addresses come from the steps' own rules.

#include <vector>

#include "text/Text.h"
#include "web/RegexHelper.h"
#include "web/Transport.h"

namespace kestrova {

enum class PlannedPage {
    Profile,
    PersonalSpace,
    Photo,
    Honour,
    RatingPage,
    GivenList,
    ReceivedList,
    Status,
    Favourites,
    Logo,
    SellerIcon,
    BuyerIcon,
    SummaryFirst,
    SummaryLast,
};

struct PlannedRequest {
    PlannedPage page = PlannedPage::Profile;
    int index = 0;  // the honour (0-5) or the summary (0 good, 1 neutral, 2 bad)
    int step = 0;   // its place in the query's order of requests
    WireRequest wire;
};

class RequestPlan {
  public:
    // `account` as it stands in 编辑框1.
    explicit RequestPlan(Text account);

    // The requests that became known since the last call, in the query's order.
    std::vector<PlannedRequest> TakeNew();
    // The answer to a planned request came in (empty after a failure).
    void Arrived(const PlannedRequest& request, const ByteBuffer& body);

    // Every request the lookup is expected to send: those known, and for the
    // pages not in yet as many as they can still bring. Falls as the pages
    // tell more; equals the requests sent once the last page is in.
    int ExpectedTotal() const;

  private:
    void Add(PlannedPage page, int index, WireRequest wire);
    void ProfileArrived(TextView profile);
    void SpaceArrived(TextView page);
    void RatingPageArrived(TextView page);
    void SummaryFirstArrived(const PlannedRequest& first, TextView page);
    // What a page not in yet can still bring, its own request not counted.
    int StillToCome(PlannedPage page) const;

    Text account_;
    bool tmall_ = false;
    std::vector<PlannedRequest> new_;
    int known_ = 0;
    // Planned pages whose answer is still to come and can bring more requests.
    std::vector<PlannedPage> awaited_;
};

}  // namespace kestrova
