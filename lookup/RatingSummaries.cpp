// The good, neutral and bad totals: the first page of each filtered list
// gives the page count, the last page its entries; pages between are taken as
// full (40 entries).

#include <cstdint>

#include "lookup/Lookup.h"
#include "lookup/PageAddresses.h"
#include "lookup/StepTexts.h"
#include "text/Convert.h"
#include "text/Gbk.h"
#include "web/Endpoints.h"
#include "web/HttpSessionRequest.h"

namespace kestrova {

namespace {

constexpr std::int64_t kEntriesPerPage = 40;
const Text kPageCountPattern = "\"maxPage\":(\\d+)";
const Text kEntryPattern = "aucNumId";

}  // namespace

Text SummaryAddress(const Text& result, const Text& memberId) {
    return Text("http://") + endpoints::kRatingHost + endpoints::kRatingListPath +
           "?content=&result=" + result + "&user_id=" + memberId + "&rater=3&direction=1";
}

std::int32_t SummaryPageCount(RegexHelper& regex, TextView firstPage) {
    regex.RegexPrepare(kPageCountPattern, firstPage);
    return TruncateToInt(ToNumber(regex.RegexSubMatch(1, 1)));
}

bool HasLastSummaryPage(std::int32_t pages) {
    return pages > 1;
}

Text LastSummaryPageAddress(const Text& firstAddress, std::int32_t pages) {
    return firstAddress + "&page=" + ToText(pages);
}

void CountRatings(Lookup& q, const Text& result, Ctl field) {
    Window& w = q.window;
    RegexHelper& regex = q.state.regex;
    const Text first = SummaryAddress(result, w.ReadText(Ctl::编辑框4));

    w.ProcessEvents();
    RequestPage(q, q.state.PageText, first);
    const std::int32_t pages = SummaryPageCount(regex, q.state.PageText);

    // 64-bit: a page count near the 32-bit limit must not wrap the total.
    std::int64_t total = 0;
    if (pages != 0) {
        w.ProcessEvents();
        if (HasLastSummaryPage(pages)) {
            RequestPage(q, q.state.PageText, LastSummaryPageAddress(first, pages));
        }
        regex.RegexPrepare(kEntryPattern, q.state.PageText);
        total = (static_cast<std::int64_t>(pages) - 1) * kEntriesPerPage + regex.RegexMatchCount();
    }
    w.WriteText(field, ToText(total));
}

void ShowRatingSummaries(Lookup& q) {
    if (q.window.ReadText(Ctl::编辑框3) == kBuyerRole) {
        q.state.regex.RegexPrepare(kBuyerCreditPattern, q.state.PageText);
        q.window.WriteText(Ctl::编辑框好评, q.state.regex.RegexSubMatch(1, 1));
    } else {
        CountRatings(q, "1", Ctl::编辑框好评);
    }
    CountRatings(q, "0", Ctl::编辑框中评);
    CountRatings(q, "-1", Ctl::编辑框差评);
    ShowVerdicts(q.window);
}

}  // namespace kestrova
