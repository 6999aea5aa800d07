// kestrova-cli, as a user runs it, looks up four members two at a time while
// one member's profile trickles a byte every 2 s without end: that lookup ends
// at its request's deadline, and every member is printed, the others exactly
// as without the trickle.

#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/ChildProcess.h"
#include "tests/support/HostileServer.h"
#include "text/Gbk.h"

namespace kestrova::hostile {
namespace {

const std::vector<std::string> kAccounts = {"青禾手作坊", "书虫阿林", "walker.zhou", "nobody.here"};
const std::string kTrickled = "书虫阿林";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

ChildRun Batch(const HostileServer& server) {
    std::vector<std::string> argv = {KESTROVA_CLI, "lookup"};
    argv.insert(argv.end(), kAccounts.begin(), kAccounts.end());
    for (const char* option : {"--jobs", "2", "--json", "--no-history", "--connect-to"}) {
        argv.emplace_back(option);
    }
    argv.push_back("127.0.0.1:" + std::to_string(server.Port()));
    return RunChild(argv, {{"KESTROVA_CONNECT_TO", std::nullopt}}, 90);
}

TEST(BatchBesideATrickle, EveryMemberIsPrinted) {
    HostileServer server;
    const ChildRun calm = Batch(server);
    ASSERT_EQ(calm.exitCode, 0) << calm.err;
    const std::vector<std::string> expected = Lines(calm.out);
    ASSERT_EQ(expected.size(), kAccounts.size()) << calm.out;

    const std::string trickled = Utf8ToGbk(kTrickled);
    server.SetMisbehaviour(
        [trickled](const SeenRequest& r, const marketplace::MarketAnswer&) -> std::optional<Reply> {
            if (r.endpoint == Endpoint::Profile && r.Param("user_id") == trickled) {
                return Reply::EndlessTrickle("<", 2000);
            }
            return std::nullopt;
        });
    const ChildRun run = Batch(server);
    // Every member printed; the trickling page was not got, and the run says so.
    EXPECT_EQ(run.exitCode, 4) << run.err;
    // The profile's deadline (7 + 7 + 10 + 7 s) ends the trickle.
    EXPECT_GE(run.seconds, 30.9);
    EXPECT_LT(run.seconds, 45.0);
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), kAccounts.size()) << run.out;
    for (std::size_t i = 0; i < kAccounts.size(); ++i) {
        if (kAccounts[i] == kTrickled) {
            EXPECT_EQ(lines[i].rfind(
                          "{\"account\":\"" + kTrickled + "\",\"status\":\"获取店铺信息失败!\"", 0),
                      0u)
                << lines[i];
        } else {
            EXPECT_EQ(lines[i], expected[i]);
        }
    }
}

}  // namespace
}  // namespace kestrova::hostile
