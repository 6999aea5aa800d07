// The real time-outs, where they are short enough to wait for: the profile
// request's (7 s to receive, 31 s in all) and one page request's (15 s). Every other silent
// endpoint is covered by the transport with shorter limits (TransportLimitsTest)
// together with the empty answers of EndpointFaultTest.

#include "HostileQuery.h"

namespace kestrova::hostile {
namespace {

class RealTimeouts : public HostileQuery {};

TEST_F(RealTimeouts, SilentProfileServerEndsTheQueryAtTheReceiveLimit) {
    misbehaviour = [](const SeenRequest& r,
                      const marketplace::MarketAnswer&) -> std::optional<Reply> {
        if (r.endpoint != Endpoint::Profile) {
            return std::nullopt;
        }
        return Reply::Silent();
    };
    const Outcome outcome = Run();
    ExpectAllowed(outcome, 7.0 + 4.0);
    EXPECT_GE(outcome.seconds, 6.9) << "gave up before the 7 s receive limit";
    EXPECT_EQ(Utf8(outcome.window.StatusText()), "获取店铺信息失败!");
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(RealTimeouts, SilentStatusServerHoldsTheQueryFifteenSecondsAndNoLonger) {
    const Outcome& baseline = Baseline();
    misbehaviour = [](const SeenRequest& r,
                      const marketplace::MarketAnswer&) -> std::optional<Reply> {
        if (r.endpoint != Endpoint::Status) {
            return std::nullopt;
        }
        return Reply::Silent();
    };
    const Outcome outcome = Run();
    ExpectAllowed(outcome, baseline.seconds + 15.0 + 5.0);
    EXPECT_GE(outcome.seconds, 14.9);
    EXPECT_TRUE(RanToTheEnd(outcome));
    // No answer says nothing about the member; every other field is as usual.
    for (Ctl c : Differing(outcome, baseline)) {
        EXPECT_EQ(c, Ctl::编辑框197) << Controls()[static_cast<std::size_t>(c)].name;
    }
}

TEST_F(RealTimeouts, ProfileTricklingJustInsideTheReceiveLimitArrivesWhole) {
    const Outcome& baseline = Baseline();
    // The head at once, then the body in two pieces 5 s apart: 10 s in all,
    // longer than the 7 s limit, but never 7 s without a byte.
    misbehaviour = [](const SeenRequest& r,
                      const marketplace::MarketAnswer& real) -> std::optional<Reply> {
        if (r.endpoint != Endpoint::Profile) {
            return std::nullopt;
        }
        return Reply::Trickle(real.body, 2, 5000);
    };
    const Outcome outcome = Run();
    ExpectAllowed(outcome, baseline.seconds + 10.0 + 5.0);
    EXPECT_GE(outcome.seconds, 9.9);
    EXPECT_TRUE(RanToTheEnd(outcome));
    EXPECT_TRUE(Differing(outcome, baseline).empty()) << "the trickled profile is the profile";
}

TEST_F(RealTimeouts, EndlessTrickleOnTheProfileEndsAtItsDeadline) {
    // A byte every 2 s never lets the 7 s receive limit run out; the profile
    // request's deadline, the sum of its phase limits (7 + 7 + 10 + 7 s),
    // ends it all the same.
    misbehaviour = [](const SeenRequest& r,
                      const marketplace::MarketAnswer&) -> std::optional<Reply> {
        if (r.endpoint != Endpoint::Profile) {
            return std::nullopt;
        }
        return Reply::EndlessTrickle("<", 2000);
    };
    const Outcome outcome = Run();
    ExpectAllowed(outcome, 31.0 + 4.0);
    EXPECT_GE(outcome.seconds, 30.9);
    EXPECT_EQ(Utf8(outcome.window.StatusText()), "获取店铺信息失败!");
    EXPECT_EQ(server.Requests().size(), 1u);
}

}  // namespace
}  // namespace kestrova::hostile
