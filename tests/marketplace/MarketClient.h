#pragma once
// One sample marketplace for the whole test program, started on a free
// loopback port on first use, and a plain client that asks it for a page the
// way the query does: a Host header naming the marketplace host and a target
// sent exactly as given (percent escapes and all).

#include <string>

#include "marketplace/SampleMarketplace.h"

namespace kestrova::test {

struct Fetched {
    int status = 0;  // 0: no answer at all
    std::string contentType;
    std::string body;  // raw bytes
};

SampleMarketplace& SharedMarketplace();

// Asks the given marketplace (the shared one by default) on its port.
Fetched Fetch(const std::string& host, const std::string& target);
Fetched Fetch(SampleMarketplace& market, const std::string& host, const std::string& target);

// An absolute "http://host/path?query" address, as the pages link them.
Fetched FetchAddress(const std::string& address);

}  // namespace kestrova::test
