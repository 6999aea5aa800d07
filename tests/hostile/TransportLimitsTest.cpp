// The misbehaviours whose real limits are too long to wait for in a test (15 s
// for every page after the profile, 30 s for pictures), through the same
// transport with a 1 s limit: a request ends at its limit with nothing, bytes
// that keep coming keep it alive, an endless body stops at the cap, a redirect
// loop stops after ten hops. EndpointFaultTest shows what the query makes of
// the empty answer each of these ends in.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "tests/support/HostileServer.h"
#include "web/Endpoints.h"
#include "web/HttpSessionRequest.h"
#include "web/Transport.h"

namespace kestrova::hostile {
namespace {

constexpr int kLimitSeconds = 1;
const std::string kBody(3000, 'b');

enum class Kind { Page, Picture };

struct LimitCase {
    const char* name;
    Kind kind;
    std::function<Reply(const SeenRequest&)> reply;
    bool bodyArrives;
    double minSeconds;
    double maxSeconds;
};

struct Fetched {
    ByteBuffer body;
    double seconds = 0;
};

Fetched Fetch(Kind kind, const std::string& url) {
    const auto start = std::chrono::steady_clock::now();
    Fetched fetched;
    if (kind == Kind::Page) {
        HttpSessionParams params;
        params.timeoutSeconds = kLimitSeconds;
        fetched.body = HttpSessionRequest(url, params);
    } else {
        WireRequest request;
        request.url = url;
        request.headers = {{"Referer", url}, {"Accept-Language", "zh-cn"}};
        const int ms = kLimitSeconds * 1000;
        request.timeouts = PhaseTimeouts{ms, ms, ms, ms};
        fetched.body = Exchange(request).body;
    }
    fetched.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return fetched;
}

class TransportLimits : public ::testing::TestWithParam<LimitCase> {
  protected:
    TransportLimits() { SetConnectTo(ConnectTarget{"127.0.0.1", server.Port()}); }
    ~TransportLimits() override { SetConnectTo(std::nullopt); }
    HostileServer server;
};

TEST_P(TransportLimits, EndsAtTheLimitOrTheCap) {
    const LimitCase& c = GetParam();
    server.SetMisbehaviour([&c](const SeenRequest& r, const marketplace::MarketAnswer&) {
        return std::optional<Reply>(c.reply(r));
    });
    const std::string url = c.kind == Kind::Page
                                ? "http://amos.im.alisoft.com/muliuserstatus.aw?uids=x"
                                : "http://img.taobaocdn.com/newrank/seller_credit_1.gif";
    const Fetched fetched = Fetch(c.kind, url);
    EXPECT_GE(fetched.seconds, c.minSeconds);
    EXPECT_LE(fetched.seconds, c.maxSeconds);
    if (c.bodyArrives) {
        EXPECT_EQ(std::string(fetched.body.begin(), fetched.body.end()), kBody);
    } else {
        EXPECT_TRUE(fetched.body.empty() || fetched.body.size() == kMaxBodyBytes)
            << fetched.body.size() << " bytes";
    }
}

TEST(TransportCap, EndlessBodyStopsAtTheCapAndKeepsWhatArrived) {
    HostileServer server;
    SetConnectTo(ConnectTarget{"127.0.0.1", server.Port()});
    server.SetMisbehaviour([](const SeenRequest&, const marketplace::MarketAnswer&) {
        return std::optional<Reply>(Reply::Endless("0123456789"));
    });
    for (Kind kind : {Kind::Page, Kind::Picture}) {
        const Fetched fetched =
            Fetch(kind, "http://rate.taobao.com/member_rate.htm?content=&result=1&user_id=1");
        ASSERT_EQ(fetched.body.size(), kMaxBodyBytes);
        EXPECT_TRUE(server.Sent(std::string(fetched.body.begin(), fetched.body.end())));
    }
    SetConnectTo(std::nullopt);
}

TEST(TransportRedirects, LoopStopsAfterTenHops) {
    HostileServer server;
    SetConnectTo(ConnectTarget{"127.0.0.1", server.Port()});
    server.SetMisbehaviour([](const SeenRequest& r, const marketplace::MarketAnswer&) {
        return std::optional<Reply>(Reply::RedirectToItself(r));
    });
    for (Kind kind : {Kind::Page, Kind::Picture}) {
        server.ClearRequests();
        EXPECT_TRUE(Fetch(kind, "http://logo.taobao.com/shop-logo/1.jpg").body.empty());
        EXPECT_EQ(server.Requests().size(), static_cast<std::size_t>(kMaxRedirects + 1));
    }
    SetConnectTo(std::nullopt);
}

Reply Silent(const SeenRequest&) {
    return Reply::Silent();
}
Reply HeadThenSilence(const SeenRequest&) {
    return Reply::Stall("HTTP/1.1 200 OK\r\nContent-Length: 3000\r\n\r\nbbb");
}
Reply TrickleInside(const SeenRequest&) {
    return Reply::Trickle(kBody, 4, 600);  // 2.4 s in all, never 1 s without a byte
}
Reply TrickleOutside(const SeenRequest&) {
    return Reply::Trickle(kBody, 2, 1500);
}
Reply TrickleForever(const SeenRequest&) {
    return Reply::EndlessTrickle("b", 300);  // never 1 s without a byte, never an end
}

// The limit is measured from the last byte that moved, so a silent peer ends
// the request after 1 s, and one that trickles keeps it going, but not beyond
// the deadline.
INSTANTIATE_TEST_SUITE_P(
    Cases, TransportLimits,
    ::testing::Values(
        LimitCase{"PageSilent", Kind::Page, Silent, false, 0.9, 2.5},
        LimitCase{"PageHeadThenSilence", Kind::Page, HeadThenSilence, false, 0.9, 2.5},
        LimitCase{"PageTrickleInside", Kind::Page, TrickleInside, true, 2.3, 4.0},
        LimitCase{"PageTrickleOutside", Kind::Page, TrickleOutside, false, 0.9, 2.5},
        LimitCase{"PictureSilent", Kind::Picture, Silent, false, 0.9, 2.5},
        LimitCase{"PictureHeadThenSilence", Kind::Picture, HeadThenSilence, false, 0.9, 2.5},
        LimitCase{"PictureTrickleInside", Kind::Picture, TrickleInside, true, 2.3, 4.0},
        LimitCase{"PictureTrickleOutside", Kind::Picture, TrickleOutside, false, 0.9, 2.5},
        // The deadline: the sum of the four 1 s limits.
        LimitCase{"PageTrickleForever", Kind::Page, TrickleForever, false, 3.9, 5.0},
        LimitCase{"PictureTrickleForever", Kind::Picture, TrickleForever, false, 3.9, 5.0}),
    [](const ::testing::TestParamInfo<LimitCase>& info) { return info.param.name; });

}  // namespace
}  // namespace kestrova::hostile
