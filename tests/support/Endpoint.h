#pragma once
// Which of the marketplace's endpoints a request is for, as the query asks
// them in turn.

#include <chrono>
#include <map>
#include <string>

namespace kestrova::hostile {

enum class Endpoint {
    Profile,
    PersonalSpace,
    Avatar,
    Honour,
    RatingPage,
    GivenList,
    ReceivedList,
    Status,
    Favourites,
    Logo,
    SellerIcon,
    BuyerIcon,
    SummaryFirstPage,  // a rating summary without a page number
    SummaryLastPage,   // a rating summary with "page="
    Other,
};

const char* EndpointName(Endpoint endpoint);

struct SeenRequest {
    std::string method;
    std::string host;                                // the Host header as sent
    std::string target;                              // path and query as sent
    std::string path;                                // decoded
    std::multimap<std::string, std::string> params;  // decoded (raw bytes)
    Endpoint endpoint = Endpoint::Other;
    std::string head;                          // the request line and header lines, byte for byte
    std::chrono::steady_clock::time_point at;  // when the head was in
    std::string Param(const std::string& key) const;
};

// Fills path, params and endpoint from host and target.
void Classify(SeenRequest& request);

}  // namespace kestrova::hostile
