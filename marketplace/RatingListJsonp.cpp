// The JSONP rating lists. The query splits the body at "aucNumId" and finds
// each field by the first occurrence of its key in the piece behind it, so
// every entry starts with "aucNumId", keeps the auction title last in its
// object (the title cut ends at "},"), and no value holds a key name, a
// comma where a cut ends at one, or a second "rate" key.

#include "marketplace/Pages.h"

namespace kestrova::marketplace {

namespace {

std::string EscapedLink(const std::string& aucNumId) {
    return "http:\\/\\/item.taobao.com\\/item.htm?id=" + aucNumId;
}

}  // namespace

std::string RatingEntryJson(const RatingEntry& e) {
    std::string s = "{\"aucNumId\":\"" + e.aucNumId + "\",\"auction\":{\"link\":\"" +
                    EscapedLink(e.aucNumId) + "\",\"title\":\"" + e.title + "\"},\"content\":\"" +
                    e.content + "\",\"date\":\"" + e.date + "\",\"nick\":\"" + e.nick +
                    "\",\"rate\":\"" + e.rate + "\"";
    if (e.sku) {
        s += ",\"sku\":\"" + *e.sku + "\"";
    }
    s += ",\"useful\":0,\"reply\":\"\"}";
    return s;
}

std::string RatingListJsonp(const Member* m, ListDirection direction, const std::string& callback) {
    const std::vector<RatingEntry> none;
    const std::vector<RatingEntry>& entries = m == nullptr                         ? none
                                              : direction == ListDirection::kGiven ? m->given
                                                                                   : m->received;
    std::string list;
    for (const RatingEntry& e : entries) {
        if (!list.empty()) {
            list += ",";
        }
        list += RatingEntryJson(e);
    }
    const std::string pages = entries.empty() ? "0" : "1";
    return callback + "({\"watershed\":100,\"maxPage\":" + pages +
           ",\"currentPageNum\":1,\"rateListInfo\":{\"paginator\":{\"items\":" +
           std::to_string(entries.size()) + "},\"rateList\":[" + list + "]}})";
}

}  // namespace kestrova::marketplace
