// Many lookups in one run, in this process, against a raw loopback server that
// plays the sample marketplace: each member's result is the single lookup's,
// members come out in input order as soon as they and every earlier one are
// done, a slow member holds back only a bounded number of windows, and the
// connections to one host stay within the limit however many jobs run.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

#include "cli/batch/BatchLookup.h"
#include "cli/report/FieldReport.h"
#include "marketplace/Members.h"
#include "tests/support/HostileServer.h"
#include "text/Gbk.h"
#include "web/Endpoints.h"
#include "web/TransferEngine.h"

namespace kestrova {
namespace {

using hostile::Endpoint;
using hostile::HostileServer;
using hostile::Reply;
using hostile::SeenRequest;
using SystemTime = std::chrono::system_clock::time_point;

const std::string kFullSeller = "青禾手作坊";
const std::string kBuyer = "书虫阿林";
const std::string kUnknown = "nobody.here";
const std::string kBlocked = "spam king 2010";
const std::string kNoShop = "walker.zhou";

struct Delivered {
    std::size_t index;
    std::string account;
    LookupMode mode;
    SystemTime started;
    SystemTime ended;
    SystemTime deliveredAt;
    bool endedEarly;
    std::string json;
};

class BatchLookupTest : public ::testing::Test {
  protected:
    BatchLookupTest() { SetConnectTo(ConnectTarget{"127.0.0.1", server.Port()}); }
    ~BatchLookupTest() override { SetConnectTo(std::nullopt); }

    // The profile of `account` is answered only after `ms`.
    void SlowProfile(const std::string& account, int ms) {
        const std::string gbk = Utf8ToGbk(account);
        server.SetMisbehaviour([gbk, ms](const SeenRequest& r,
                                         const marketplace::MarketAnswer&) -> std::optional<Reply> {
            if (r.endpoint == Endpoint::Profile && r.Param("user_id") == gbk) {
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            }
            return std::nullopt;
        });
    }

    std::vector<Delivered> Run(const std::vector<std::string>& accounts, int jobs,
                               LookupMode mode = LookupMode::Sequential,
                               std::vector<BatchCounts>* ticks = nullptr) {
        std::vector<Delivered> out;
        BatchLookup batch(accounts, mode, jobs);
        batch.Run(
            [&](MemberLookup& m) {
                out.push_back({m.index, m.account, m.mode, m.started, m.ended,
                               std::chrono::system_clock::now(), m.EndedEarly(),
                               FieldJson(m.window)});
            },
            [&](const BatchCounts& counts) {
                if (ticks != nullptr) {
                    ticks->push_back(counts);
                }
            },
            std::chrono::milliseconds(20));
        return out;
    }

    // The single lookup of the account, as kestrova-cli runs it for one name.
    static std::string Single(const std::string& account) {
        MemberLookup member;
        member.account = account;
        LookUpMember(member);
        return FieldJson(member.window);
    }

    HostileServer server;
};

std::string Slowest(const std::vector<Delivered>& members) {
    return std::max_element(
               members.begin(), members.end(),
               [](const Delivered& a, const Delivered& b) { return a.ended < b.ended; })
        ->account;
}

TEST_F(BatchLookupTest, SlowFirstMemberStillComesOutFirstAndEachResultIsTheSingleOne) {
    const std::vector<std::string> accounts{kFullSeller, kBuyer, kUnknown, kBlocked, kNoShop, ""};
    SlowProfile(kFullSeller, 1500);
    const std::vector<Delivered> members = Run(accounts, 4);
    ASSERT_EQ(members.size(), accounts.size());
    EXPECT_EQ(Slowest(members), kFullSeller);  // it did finish last
    server.SetMisbehaviour(nullptr);
    for (std::size_t i = 0; i < accounts.size(); ++i) {
        EXPECT_EQ(members[i].index, i);
        EXPECT_EQ(members[i].account, accounts[i]);
        EXPECT_EQ(members[i].mode, LookupMode::Sequential);
        EXPECT_LE(members[i].started, members[i].ended);
        EXPECT_EQ(members[i].json, Single(accounts[i])) << accounts[i];
    }
}

TEST_F(BatchLookupTest, EachMemberComesOutOnceEveryEarlierOneIsDone) {
    const std::vector<std::string> accounts{kBuyer, kUnknown, kFullSeller, kBlocked, kNoShop};
    SlowProfile(kFullSeller, 1500);
    const std::vector<Delivered> members = Run(accounts, 4);
    ASSERT_EQ(members.size(), accounts.size());
    const SystemTime slowEnded = members[2].ended;
    // The two before the slow member stream out while it still runs ...
    EXPECT_LT(members[0].deliveredAt, slowEnded);
    EXPECT_LT(members[1].deliveredAt, slowEnded);
    // ... the two after it, done long before, wait for it.
    for (std::size_t i = 3; i < members.size(); ++i) {
        EXPECT_LT(members[i].ended, slowEnded);
        EXPECT_GE(members[i].deliveredAt, slowEnded);
    }
}

// The most members whose lookups ran at the same moment.
int MostOverlapping(const std::vector<Delivered>& members) {
    std::vector<std::pair<SystemTime, int>> edges;
    for (const Delivered& m : members) {
        edges.emplace_back(m.started, 1);
        edges.emplace_back(m.ended, -1);
    }
    std::sort(edges.begin(), edges.end());  // an end before a start at the same instant
    int now = 0;
    int most = 0;
    for (const auto& [at, step] : edges) {
        now += step;
        most = std::max(most, now);
    }
    return most;
}

struct JobsCase {
    int jobs;
    // Three of the six members run to their verdicts, in about the same time;
    // the others end at their first request or before it.
    int leastOverlap;
    int mostOverlap;
};

class BatchJobs : public BatchLookupTest, public ::testing::WithParamInterface<JobsCase> {};

TEST_P(BatchJobs, RunsThatManyAtOnceAndCountsWhatIsDone) {
    server.DelayAnswers(20);
    const std::vector<std::string> accounts{kBuyer, kUnknown, kBlocked, "", kNoShop, kBuyer};
    std::vector<BatchCounts> ticks;
    const std::vector<Delivered> members =
        Run(accounts, GetParam().jobs, LookupMode::Sequential, &ticks);
    ASSERT_EQ(members.size(), accounts.size());
    EXPECT_GE(MostOverlapping(members), GetParam().leastOverlap);
    EXPECT_LE(MostOverlapping(members), GetParam().mostOverlap);
    // Unknown, blocked and the empty name end early; the rest run to the verdicts.
    int early = 0;
    for (const Delivered& m : members) {
        early += m.endedEarly ? 1 : 0;
    }
    EXPECT_EQ(early, 3);
    ASSERT_FALSE(ticks.empty());
    int done = 0;
    for (const BatchCounts& c : ticks) {
        EXPECT_EQ(c.total, 6);
        EXPECT_GE(c.done, done);
        EXPECT_LE(c.running, GetParam().jobs);
        EXPECT_LE(c.done + c.running, c.total);
        EXPECT_LE(c.endedEarly, c.done);
        done = c.done;
    }
    EXPECT_EQ(ticks.back(), (BatchCounts{6, 6, 0, 3}));
}

INSTANTIATE_TEST_SUITE_P(Batch, BatchJobs,
                         ::testing::Values(JobsCase{1, 1, 1}, JobsCase{2, 2, 2}, JobsCase{6, 3, 6},
                                           JobsCase{16, 3, 6}),
                         [](const auto& info) { return "Jobs" + std::to_string(info.param.jobs); });

TEST_F(BatchLookupTest, ASlowMemberHoldsBackOnlyABoundedNumberOfWindows) {
    std::vector<std::string> accounts{kFullSeller};
    accounts.insert(accounts.end(), 30, kUnknown);
    SlowProfile(kFullSeller, 2000);
    BatchLookup probe(accounts, LookupMode::Sequential, 2);
    const std::vector<Delivered> members = Run(accounts, 2);
    ASSERT_EQ(members.size(), accounts.size());
    const SystemTime slowEnded = members[0].ended;
    std::size_t startedMeanwhile = 0;
    for (const Delivered& m : members) {
        startedMeanwhile += m.started < slowEnded ? 1 : 0;
    }
    EXPECT_EQ(startedMeanwhile, probe.MaxAhead());
}

// Behind a slow member, finished windows that hold whole pages of many MiB
// wait to be printed: what waits is bounded in bytes, not only in windows.
TEST_F(BatchLookupTest, ASlowMemberHoldsBackOnlyABoundedNumberOfBytes) {
    constexpr std::size_t kPadded = 12 << 20;
    const std::string slow = Utf8ToGbk(kFullSeller);
    server.SetMisbehaviour([slow](const SeenRequest& r,
                                  const marketplace::MarketAnswer& real) -> std::optional<Reply> {
        if (r.endpoint == Endpoint::Profile && r.Param("user_id") == slow) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2000));
        }
        if (r.endpoint == Endpoint::PersonalSpace) {
            return Reply::Answer(200, real.body + std::string(kPadded, ' '));
        }
        return std::nullopt;
    });
    std::vector<std::string> accounts{kFullSeller};
    accounts.insert(accounts.end(), 12, kNoShop);
    BatchLookup probe(accounts, LookupMode::Sequential, 2);
    ASSERT_EQ(probe.MaxWaitingBytes(), 2u * (16u << 20));
    const std::vector<Delivered> members = Run(accounts, 2);
    ASSERT_EQ(members.size(), accounts.size());
    std::size_t startedMeanwhile = 0;
    for (const Delivered& m : members) {
        startedMeanwhile += m.started < members[0].ended ? 1 : 0;
    }
    // The slow one, those whose windows reach the bound (three of 12 MiB
    // pass 32 MiB), and the one running as they did.
    EXPECT_GE(startedMeanwhile, 3u);
    EXPECT_LE(startedMeanwhile, 5u);
    EXPECT_LT(startedMeanwhile, probe.MaxAhead());
}

// Saved lookups that stand in are handed out at once, often before a worker
// has looked at the input: their places must stay skipped all the same.
TEST_F(BatchLookupTest, AMemberASavedLookupStandsInForIsNeverLookedUp) {
    const std::vector<std::string> accounts{kFullSeller, kUnknown, kNoShop, kBlocked};
    const std::vector<std::optional<std::int64_t>> saved{7, std::nullopt, 9, std::nullopt};
    for (const int jobs : {1, 2, 4}) {
        for (int round = 0; round < 5; ++round) {
            server.ClearRequests();
            std::vector<std::optional<std::int64_t>> got;
            int done = 0;
            BatchLookup batch(accounts, LookupMode::Sequential,
                              BatchOptions{jobs, kFirstBackoff, saved, true});
            batch.Run([&](MemberLookup& m) { got.push_back(m.fromHistory); },
                      [&](const BatchCounts& counts) { done = counts.done; });
            EXPECT_EQ(got, saved) << jobs;
            EXPECT_EQ(done, 4) << jobs;
            for (const SeenRequest& r : server.Requests()) {
                if (r.endpoint == Endpoint::Profile) {
                    EXPECT_NE(GbkToUtf8(r.Param("user_id")), kFullSeller) << jobs;
                    EXPECT_NE(GbkToUtf8(r.Param("user_id")), kNoShop) << jobs;
                }
            }
        }
    }
}

static_assert(kMaxConnectionsPerHost == 6);

class BatchPoliteness : public BatchLookupTest, public ::testing::WithParamInterface<LookupMode> {};

TEST_P(BatchPoliteness, SixteenJobsNeverOpenMoreThanSixConnectionsToOneHost) {
    server.DelayAnswers(25);
    server.ClearRequests();
    const std::vector<std::string> accounts(32, kFullSeller);
    const std::vector<Delivered> members = Run(accounts, kMaxJobs, GetParam());
    ASSERT_EQ(members.size(), accounts.size());
    std::map<std::string, int> perHost;
    for (const SeenRequest& r : server.Requests()) {
        ++perHost[r.host];
    }
    ASSERT_GE(perHost.size(), 4u);
    int most = 0;
    for (const auto& [host, requests] : perHost) {
        EXPECT_LE(server.MostAtOnce(host), 6) << host;
        most = std::max(most, server.MostAtOnce(host));
    }
    // The limit is what held them back: some host had all six at once.
    EXPECT_EQ(most, 6);
    const std::string single = Single(kFullSeller);
    for (const Delivered& m : members) {
        EXPECT_EQ(m.json, single);
    }
}

INSTANTIATE_TEST_SUITE_P(Batch, BatchPoliteness,
                         ::testing::Values(LookupMode::Sequential, LookupMode::Fast),
                         [](const auto& info) { return LookupModeName(info.param); });

}  // namespace
}  // namespace kestrova
