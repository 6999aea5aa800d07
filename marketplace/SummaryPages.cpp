// The rating summaries: the ratings a member gave, filtered by result, 40 to
// a page, with the page count as "maxPage". The query reads only the first
// and the last page and counts "aucNumId" on the last, ignoring case, so no
// other text of a page may spell it.

#include "marketplace/Pages.h"
#include "marketplace/RatingEntries.h"

namespace kestrova::marketplace {

namespace {

constexpr int kEntriesPerPage = 40;

std::string PatternOf(const std::string& result) {
    if (result == "0") {
        return "N";
    }
    if (result == "-1") {
        return "B";
    }
    return "G";
}

}  // namespace

int SummaryTotal(const Member& m, const std::string& result) {
    if (result == "1") {
        return m.goodGiven;
    }
    if (result == "0") {
        return m.neutralGiven;
    }
    if (result == "-1") {
        return m.badGiven;
    }
    return 0;
}

int SummaryPageCount(int total) {
    return (total + kEntriesPerPage - 1) / kEntriesPerPage;
}

int SummaryEntriesOnPage(int total, int page) {
    const int pages = SummaryPageCount(total);
    if (page < 1 || page > pages) {
        return 0;
    }
    return page < pages ? kEntriesPerPage : total - kEntriesPerPage * (pages - 1);
}

std::string SummaryPage(const Member* m, const std::string& result, int page) {
    const int total = m == nullptr ? 0 : SummaryTotal(*m, result);
    const int count = SummaryEntriesOnPage(total, page);
    std::string list;
    if (count > 0) {
        const int seed = 100 + page * 3 + static_cast<int>(PatternOf(result)[0]);
        for (const RatingEntry& e :
             PlainEntries(seed, count, PatternOf(result), "2011.03.01 12:00:00")) {
            if (!list.empty()) {
                list += ",";
            }
            list += RatingEntryJson(e);
        }
    }
    return "{\"watershed\":100,\"maxPage\":" + std::to_string(SummaryPageCount(total)) +
           ",\"currentPageNum\":" + std::to_string(page) +
           ",\"rateListInfo\":{\"paginator\":{\"items\":" + std::to_string(total) +
           "},\"rateList\":[" + list + "]}}";
}

}  // namespace kestrova::marketplace
