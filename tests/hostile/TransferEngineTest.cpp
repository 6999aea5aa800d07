// The transfer engine on its own, against a server that holds every answer
// back: at most six connections to one host at a time, however many wait;
// waiting transfers start by priority, a hurried one first; a cancel ends a
// group's transfers at once and leaves other groups alone.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <thread>

#include "tests/support/HostileServer.h"
#include "web/Endpoints.h"
#include "web/TransferEngine.h"

namespace kestrova::hostile {
namespace {

using Clock = std::chrono::steady_clock;

WireRequest Get(const std::string& url) {
    WireRequest request;
    request.url = url;
    return request;
}

class TransferEngineTest : public ::testing::Test {
  protected:
    TransferEngineTest() { SetConnectTo(ConnectTarget{"127.0.0.1", server.Port()}); }
    ~TransferEngineTest() override { SetConnectTo(std::nullopt); }

    // The paths the server saw, in the order they came.
    std::vector<std::string> ArrivalOrder() const {
        std::vector<SeenRequest> seen = server.Requests();
        std::stable_sort(seen.begin(), seen.end(),
                         [](const auto& a, const auto& b) { return a.at < b.at; });
        std::vector<std::string> targets;
        for (const SeenRequest& r : seen) {
            targets.push_back(r.target);
        }
        return targets;
    }

    HostileServer server;
    TransferEngine engine;
};

struct HostCase {
    const char* name;
    std::vector<std::pair<std::string, int>> transfers;  // address prefix, how many
    std::map<std::string, int> mostAtOnce;               // Host header as sent -> most
};

class ConnectionLimit : public TransferEngineTest, public ::testing::WithParamInterface<HostCase> {};

TEST_P(ConnectionLimit, NeverMoreThanSixToOneHost) {
    const HostCase& c = GetParam();
    server.DelayAnswers(60);
    std::vector<PendingTransfer> started;
    int n = 0;
    for (const auto& [prefix, count] : c.transfers) {
        for (int i = 0; i < count; ++i) {
            started.push_back(engine.Start(Get(prefix + "/page?n=" + std::to_string(++n))));
        }
    }
    for (PendingTransfer& t : started) {
        EXPECT_EQ(t.Take().status, 404) << "every transfer gets its answer";
    }
    for (const auto& [host, most] : c.mostAtOnce) {
        EXPECT_EQ(server.MostAtOnce(host), most) << host;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, ConnectionLimit,
    ::testing::Values(
        HostCase{"FourteenToOneHost", {{"http://a.example", 14}}, {{"a.example", 6}}},
        HostCase{"ExactlySix", {{"http://a.example", 6}}, {{"a.example", 6}}},
        HostCase{"FiveStayFive", {{"http://a.example", 5}}, {{"a.example", 5}}},
        HostCase{"TwoHostsSixEach",
                 {{"http://a.example", 9}, {"http://b.example", 9}},
                 {{"a.example", 6}, {"b.example", 6}}},
        // A host name is the same host whatever the letter case.
        HostCase{"LetterCaseIsOneHost",
                 {{"http://a.example", 5}, {"http://A.EXAMPLE", 5}},
                 {{"a.example", 6}}},
        // Another port is another server.
        HostCase{"PortsAreHostsOfTheirOwn",
                 {{"http://a.example:8080", 8}, {"http://a.example:8081", 8}},
                 {{"a.example:8080", 6}, {"a.example:8081", 6}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TransferEngineTest, WaitingTransfersStartByPriorityTheHurriedOneFirst) {
    server.DelayAnswers(400);
    std::vector<PendingTransfer> started;
    // Six that hold every place of the host and give them back one at a time,
    // 30 ms apart, so that the line starts one by one.
    for (int i = 0; i < kMaxConnectionsPerHost; ++i) {
        started.push_back(engine.Start(Get("http://a.example/hold?n=" + std::to_string(i)),
                                       nullptr, TransferPriority{0, 0}));
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    // Then five in the line: later lookups and later steps wait longer.
    const std::vector<TransferPriority> priorities = {{1, 5}, {1, 4}, {0, 9}, {2, 0}, {1, 1}};
    for (std::size_t i = 0; i < priorities.size(); ++i) {
        started.push_back(engine.Start(Get("http://a.example/line?n=" + std::to_string(i)), nullptr,
                                       priorities[i]));
    }
    engine.Hurry(started[kMaxConnectionsPerHost + 3]);  // the {2, 0} one
    for (PendingTransfer& t : started) {
        t.Take();
    }
    const std::vector<std::string> order = ArrivalOrder();
    ASSERT_EQ(order.size(), started.size());
    const std::vector<std::string> line(order.begin() + kMaxConnectionsPerHost, order.end());
    EXPECT_EQ(line, (std::vector<std::string>{"/line?n=3", "/line?n=2", "/line?n=4",
                                              "/line?n=1", "/line?n=0"}));
}

TEST_F(TransferEngineTest, CancelEndsTheGroupAtOnceAndSparesTheOthers) {
    server.DelayAnswers(400);
    auto cancelled = std::make_shared<TransferGroup>();
    auto spared = std::make_shared<TransferGroup>();
    std::vector<PendingTransfer> doomed;
    std::vector<PendingTransfer> kept;
    // Running ones and ones still waiting for the host.
    for (int i = 0; i < 8; ++i) {
        doomed.push_back(engine.Start(Get("http://a.example/c?n=" + std::to_string(i)), cancelled));
    }
    for (int i = 0; i < 3; ++i) {
        kept.push_back(engine.Start(Get("http://b.example/k?n=" + std::to_string(i)), spared));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const Clock::time_point at = Clock::now();
    cancelled->Cancel();
    for (PendingTransfer& t : doomed) {
        const WireResponse answer = t.Take();
        EXPECT_EQ(answer.status, 0);
        EXPECT_TRUE(answer.body.empty());
    }
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - at).count(), 0.1);
    EXPECT_EQ(cancelled->Ended(), 8);
    for (PendingTransfer& t : kept) {
        EXPECT_EQ(t.Take().status, 404);
    }
    EXPECT_EQ(spared->Ended(), 3);
    // A transfer started in a cancelled group never reaches the wire.
    const std::size_t seen = server.Requests().size();
    PendingTransfer late = engine.Start(Get("http://a.example/late"), cancelled);
    EXPECT_TRUE(late.Ended());
    EXPECT_TRUE(late.Take().body.empty());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(server.Requests().size(), seen);
    // The ones that waited for the host never went out either.
    EXPECT_EQ(seen, static_cast<std::size_t>(kMaxConnectionsPerHost + 3));
}

}  // namespace
}  // namespace kestrova::hostile
