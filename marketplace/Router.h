#pragma once
// One marketplace answer for one request, by Host header and path: the part of
// the sample marketplace that knows nothing of sockets.

#include <chrono>
#include <map>
#include <string>

#include "marketplace/MarketMoment.h"

namespace kestrova::marketplace {

struct MarketRequest {
    std::string host;  // the Host header; a ":port" and letter case do not matter
    std::string path;  // decoded path, without the query
    std::multimap<std::string, std::string> params;  // decoded query parameters (raw bytes)
};

struct MarketAnswer {
    int status = 404;
    std::string contentType;
    std::string body;  // GBK text or picture bytes
};

// The members' pages as they stand at `moment`.
MarketAnswer Answer(const MarketRequest& request, std::chrono::system_clock::time_point now,
                    MarketMoment moment = MarketMoment::kFirst);

}  // namespace kestrova::marketplace
