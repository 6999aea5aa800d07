// The fast lookup beside the sequential one, against a server that plays the
// sample marketplace: the same result and the same requests for every member
// and every early end, whatever order the answers come in; a stalled branch
// holds up only what needs it; the connections to one host stay within the
// limit; a cancel stops everything at once.

#include <atomic>
#include <thread>

#include "HostileQuery.h"
#include "assets/Assets.h"
#include "marketplace/Members.h"
#include "text/Gbk.h"
#include "web/ExchangeSource.h"
#include "web/PictureFetch.h"

namespace kestrova::hostile {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

std::vector<std::string> Accounts() {
    std::vector<std::string> accounts;
    for (const marketplace::Member& m : marketplace::Members()) {
        accounts.push_back(m.account);
    }
    // The input check's own end, and a name no member has.
    accounts.push_back("");
    accounts.push_back("no such member 42");
    return accounts;
}

enum class AnswerOrder { AsTheyCome, Reversed };

struct OrderCase {
    std::string account;
    AnswerOrder order;
};

std::vector<OrderCase> OrderCases() {
    std::vector<OrderCase> cases;
    for (const std::string& account : Accounts()) {
        cases.push_back({account, AnswerOrder::AsTheyCome});
        cases.push_back({account, AnswerOrder::Reversed});
    }
    return cases;
}

class FastBesideSequential : public HostileQuery,
                             public ::testing::WithParamInterface<OrderCase> {};

TEST_P(FastBesideSequential, SameResultAndSameRequests) {
    const OrderCase& c = GetParam();
    const Outcome sequential = RunIn(LookupMode::Sequential, c.account);
    if (c.order == AnswerOrder::Reversed) {
        server.AnswerInReverseOrder(15, 2);
    }
    const Outcome fast = RunIn(LookupMode::Fast, c.account);
    EXPECT_TRUE(fast.ended);
    for (const std::string& d : ResultDifferences(sequential, fast)) {
        ADD_FAILURE() << d;
    }
    for (const std::string& d : RequestDifferences(sequential, fast)) {
        ADD_FAILURE() << "sent by one mode only: " << d;
    }
    EXPECT_EQ(fast.unclaimed, 0);
    // The progress of either: requests done only rise, the expected total only
    // falls, and the two meet at the end.
    for (const Outcome* o : {&sequential, &fast}) {
        for (std::size_t i = 1; i < o->progress.size(); ++i) {
            EXPECT_GE(o->progress[i].finished, o->progress[i - 1].finished);
            EXPECT_LE(o->progress[i].expected, o->progress[i - 1].expected);
        }
        if (!o->progress.empty()) {
            EXPECT_EQ(o->progress.back().finished, o->progress.back().expected);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Members, FastBesideSequential, ::testing::ValuesIn(OrderCases()),
                         [](const auto& info) {
                             return "Member" + std::to_string(info.index / 2) +
                                    (info.param.order == AnswerOrder::Reversed ? "Reversed"
                                                                               : "InOrder");
                         });

class FastLookup : public HostileQuery {};

TEST_F(FastLookup, StalledStatusHoldsUpOnlyItsOwnStep) {
    misbehaviour = [](const SeenRequest& r,
                      const marketplace::MarketAnswer&) -> std::optional<Reply> {
        return r.endpoint == Endpoint::Status ? std::optional<Reply>(Reply::Silent())
                                              : std::nullopt;
    };
    const Outcome fast = RunIn(LookupMode::Fast, SampleMember().account);
    EXPECT_GE(fast.seconds, 14.9);
    EXPECT_LE(fast.seconds, 15.0 + 3.0);
    EXPECT_TRUE(RanToTheEnd(fast));
    // Everything that does not need the status answer went out at once.
    ASSERT_FALSE(fast.requests.empty());
    const Clock::time_point first = fast.requests.front().at;
    for (const SeenRequest& r : fast.requests) {
        EXPECT_LT(SecondsBetween(first, r.at), 3.0) << EndpointName(r.endpoint);
    }
}

TEST_F(FastLookup, KeepsToTheConnectionLimitAndOverlapsUpToIt) {
    server.DelayAnswers(40);
    const Outcome sequential = RunIn(LookupMode::Sequential, SampleMember().account);
    for (const SeenRequest& r : sequential.requests) {
        EXPECT_EQ(server.MostAtOnce(r.host), 1) << r.host;
    }
    const Outcome fast = RunIn(LookupMode::Fast, SampleMember().account);
    EXPECT_TRUE(ResultDifferences(sequential, fast).empty());
    std::map<std::string, int> perHost;
    for (const SeenRequest& r : fast.requests) {
        ++perHost[r.host];
    }
    int most = 0;
    for (const auto& [host, count] : perHost) {
        EXPECT_LE(server.MostAtOnce(host), kMaxConnectionsPerHost) << host;
        most = std::max(most, server.MostAtOnce(host));
    }
    // The picture server is asked for the photo and six honours at once.
    EXPECT_EQ(most, kMaxConnectionsPerHost);
    // 21 answers of 40 ms one after another against a chain five deep.
    EXPECT_LT(fast.seconds, 0.5 * sequential.seconds);
}

struct CancelCase {
    const char* name;
    LookupMode mode;
    int afterMs;
};

class CancelledLookup : public HostileQuery, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(CancelledLookup, StopsAtOnceAndSendsNothingMore) {
    const CancelCase& c = GetParam();
    server.DelayAnswers(100);
    server.ClearRequests();
    FieldStore window;
    window.WriteText(Ctl::编辑框1, Gbk(SampleMember().account));
    QueryState state;
    LookupSession session(c.mode, window.ReadText(Ctl::编辑框1));
    std::atomic<bool> cancelledOut{false};
    Clock::time_point ended;
    std::thread query([&] {
        try {
            RunQuery(window, state, session);
        } catch (const LookupCancelled&) {
            cancelledOut = true;
        }
        ended = Clock::now();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(c.afterMs));
    const Clock::time_point cancelled = Clock::now();
    session.Cancel();
    query.join();
    EXPECT_TRUE(cancelledOut);
    EXPECT_FALSE(state.running);
    EXPECT_LT(SecondsBetween(cancelled, ended), 0.3);
    // Give anything that might still go out the time to arrive.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::vector<SeenRequest> seen = server.Requests();
    EXPECT_FALSE(seen.empty());
    for (const SeenRequest& r : seen) {
        EXPECT_LT(SecondsBetween(cancelled, r.at), 0.05) << EndpointName(r.endpoint);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, CancelledLookup,
    ::testing::Values(CancelCase{"SequentialDuringProfile", LookupMode::Sequential, 50},
                      CancelCase{"SequentialMidway", LookupMode::Sequential, 450},
                      CancelCase{"FastDuringProfile", LookupMode::Fast, 50},
                      CancelCase{"FastMidway", LookupMode::Fast, 250}),
    [](const auto& info) { return std::string(info.param.name); });

// Cancels the lookup as each answer comes back, before the step has it.
class CancelledOnArrival final : public ExchangeSource {
  public:
    explicit CancelledOnArrival(LookupSession& session) : session_(session) {}
    WireResponse Exchange(const WireRequest& request) override {
        WireResponse response = session_.Exchange(request);
        session_.Cancel();
        return response;
    }
    bool Cancelled() const override { return session_.Cancelled(); }

  private:
    LookupSession& session_;
};

// A picture to re-encode arrives just after the lookup was cancelled: its
// re-encoding, seconds for a large one, is not begun.
TEST_F(FastLookup, APictureArrivingAfterACancelIsNotReencoded) {
    const auto picture = assets::SamplePicture("honour_7.png");
    const std::string png(picture.begin(), picture.end());
    ASSERT_FALSE(png.empty());
    server.SetMisbehaviour(
        [&png](const SeenRequest& r, const marketplace::MarketAnswer&) -> std::optional<Reply> {
            if (r.path != "/x.png") {
                return std::nullopt;
            }
            return Reply::Answer(200, png, "image/png");
        });
    const Text url = "http://pictures.example.com/x.png";
    LookupSession session(LookupMode::Sequential, "x");
    {
        ScopedExchangeSource bound(session);
        EXPECT_FALSE(DownloadPictureAsJpeg(url).empty()) << "the picture itself re-encodes";
    }
    LookupSession cancelled(LookupMode::Sequential, "x");
    CancelledOnArrival cancelling(cancelled);
    ScopedExchangeSource bound(cancelling);
    EXPECT_THROW(DownloadPictureAsJpeg(url), LookupCancelled);
}

}  // namespace
}  // namespace kestrova::hostile
