#include "MarketClient.h"

#include <httplib.h>

namespace kestrova::test {

SampleMarketplace& SharedMarketplace() {
    static SampleMarketplace market;
    static const int port = market.Start();
    (void)port;
    return market;
}

Fetched Fetch(SampleMarketplace& market, const std::string& host, const std::string& target) {
    httplib::Client client("127.0.0.1", market.Port());
    client.set_url_encode(false);
    client.set_keep_alive(false);
    const auto result = client.Get(target.c_str(), httplib::Headers{{"Host", host}});
    if (!result) {
        return {};
    }
    return {result->status, result->get_header_value("Content-Type"), result->body};
}

Fetched Fetch(const std::string& host, const std::string& target) {
    return Fetch(SharedMarketplace(), host, target);
}

Fetched FetchAddress(const std::string& address) {
    const std::string scheme = "http://";
    if (address.compare(0, scheme.size(), scheme) != 0) {
        return {};
    }
    const std::string rest = address.substr(scheme.size());
    const std::size_t slash = rest.find('/');
    if (slash == std::string::npos) {
        return Fetch(rest, "/");
    }
    return Fetch(rest.substr(0, slash), rest.substr(slash));
}

}  // namespace kestrova::test
