// Response heads no page needs: thousands of cookies on every page, and
// header lines without end. The query sends no cookies and reads none, but
// every page request still collects and merges what it is given.

#include "HostileQuery.h"
#include "web/HttpSessionRequest.h"

namespace kestrova::hostile {
namespace {

// Just under the 300 KB that libcurl takes of one response's head.
std::string ManyCookies() {
    std::string lines;
    for (int i = 0; lines.size() < 280 * 1024; ++i) {
        lines += "Set-Cookie: k" + std::to_string(i) + "=v; path=/\r\n";
    }
    return lines;
}

class HeaderFlood : public HostileQuery {};

TEST_F(HeaderFlood, ThousandsOfCookiesOnEveryPageCostNoTime) {
    const Outcome& baseline = Baseline();
    const std::string cookies = ManyCookies();
    misbehaviour = [&cookies](const SeenRequest& r,
                              const marketplace::MarketAnswer& real) -> std::optional<Reply> {
        if (r.endpoint == Endpoint::Profile) {
            return std::nullopt;
        }
        Reply reply = Reply::Answer(real.status, real.body, real.contentType);
        reply.extraHeaders = cookies;
        return reply;
    };
    const Outcome outcome = Run();
    ExpectAllowed(outcome, baseline.seconds + 5.0);
    EXPECT_TRUE(RanToTheEnd(outcome));
    EXPECT_TRUE(Differing(outcome, baseline).empty()) << "cookies change nothing the query shows";
}

TEST_F(HeaderFlood, CookiesOfOneResponseAreAllCollected) {
    const std::string cookies = ManyCookies();
    misbehaviour = [&cookies](const SeenRequest&,
                              const marketplace::MarketAnswer&) -> std::optional<Reply> {
        Reply reply = Reply::Answer(200, "page");
        reply.extraHeaders = cookies;
        return reply;
    };
    server.SetMisbehaviour(misbehaviour);
    HttpSessionParams params;
    const ByteBuffer body = HttpSessionRequest("http://rate.taobao.com/x.htm", params);
    EXPECT_EQ(std::string(body.begin(), body.end()), "page");
    const std::size_t lines =
        static_cast<std::size_t>(std::count(cookies.begin(), cookies.end(), '\n'));
    EXPECT_EQ(
        static_cast<std::size_t>(std::count(params.cookies.begin(), params.cookies.end(), ';')),
        lines);
    EXPECT_EQ(params.cookies.rfind("k" + std::to_string(lines - 1) + "=v; "),
              params.cookies.size() - ("k" + std::to_string(lines - 1) + "=v; ").size());
}

TEST_F(HeaderFlood, HeaderLinesWithoutEndEndTheRequestWithNothing) {
    misbehaviour = [](const SeenRequest&,
                      const marketplace::MarketAnswer&) -> std::optional<Reply> {
        return Reply::EndlessHeaders("X-Filler: " + std::string(100, 'f') + "\r\n");
    };
    server.SetMisbehaviour(misbehaviour);
    const auto start = std::chrono::steady_clock::now();
    HttpSessionParams params;
    EXPECT_TRUE(HttpSessionRequest("http://rate.taobao.com/x.htm", params).empty());
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 5.0);
    EXPECT_LT(PeakResidentMiB(), 512);
}

}  // namespace
}  // namespace kestrova::hostile
