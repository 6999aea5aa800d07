// kestrova-cli saying which pages a lookup did not get, as a user runs it
// against the sample marketplace: the complete flag, the missing list, the
// last text line and exit 4; show printing the same again; a batch against a
// marketplace that refuses (pause kept, member looked up again, stop at the
// ceiling with every unchecked member listed); --skip-fresh going on where a
// stopped run ended without asking for the fresh members; --pace on the
// server's clock.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "marketplace/Members.h"
#include "marketplace/SampleMarketplace.h"

namespace kestrova {
namespace {

using nlohmann::json;
using std::chrono::milliseconds;

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// A history of the test's own, gone at its end.
class MissingPagesCli : public ::testing::Test {
  protected:
    MissingPagesCli() {
        std::filesystem::create_directories(dir_);
        market_.ClearRequests();
    }
    ~MissingPagesCli() override { std::filesystem::remove_all(dir_); }

    CliRun Run(const std::string& arguments) {
        const std::string command = "XDG_DATA_HOME='" + dir_.string() + "' KESTROVA_HISTORY='" +
                                    (dir_ / "history.sqlite3").string() + "' " + KESTROVA_CLI +
                                    " " + arguments + " 2>'" + (dir_ / "err").string() + "'";
        FILE* pipe = popen(command.c_str(), "r");
        std::string out;
        std::array<char, 4096> buffer{};
        while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
            out.append(buffer.data(), n);
        }
        const int status = pclose(pipe);
        std::ifstream err(dir_ / "err");
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out,
                std::string(std::istreambuf_iterator<char>(err), {})};
    }
    // A lookup against the marketplace of the test; by host name, as a user's would go.
    CliRun Against(const std::string& arguments) {
        return Run("lookup --connect-to localhost:" + std::to_string(market_.Port()) +
                   " --allow-private-network " + arguments);
    }

    // The most requests any one host has had since the log was cleared.
    int MostToOneHost() const {
        std::map<std::string, int> perHost;
        int most = 0;
        for (const LoggedRequest& r : market_.Requests()) {
            most = std::max(most, ++perHost[r.host]);
        }
        return most;
    }

    static std::vector<json> JsonLines(const std::string& text) {
        std::vector<json> lines;
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t end = text.find('\n', at);
            lines.push_back(json::parse(text.substr(at, end - at)));
            at = end + 1;
        }
        return lines;
    }

    const std::filesystem::path dir_ =
        std::filesystem::temp_directory_path() / ("kestrova-missing-" + std::to_string(::getpid()));
    SampleMarketplace market_;
    const int port_ = market_.Start();
};

const std::string kBusy = "人气茶馆";  // both rating lists answer 503
const std::string kBuyer = "书虫阿林";
const std::string kSeller = "青禾手作坊";
const std::string kShop = "老街修表铺";

TEST_F(MissingPagesCli, ALookupSaysWhatItDidNotGetAndShowSaysItAgain) {
    struct Case {
        std::string account;
        int exitCode;
        std::vector<std::string> missing;
    };
    for (const Case& c : {Case{kBusy, 4, {"given_list", "received_list"}}, Case{kBuyer, 0, {}},
                          Case{"nobody.here", 0, {}}}) {
        SCOPED_TRACE(c.account);
        const CliRun asJson = Against(c.account + " --json");
        EXPECT_EQ(asJson.exitCode, c.exitCode);
        const json object = json::parse(asJson.out);
        EXPECT_EQ(object["complete"], c.missing.empty());
        std::vector<std::string> pages;
        for (const json& page : object["missing"]) {
            pages.push_back(page["page"]);
            EXPECT_EQ(page["reason"], "refused by the marketplace: HTTP 503");
            EXPECT_NE(page["url"].get<std::string>().find("member_rate.htm"), std::string::npos);
        }
        EXPECT_EQ(pages, c.missing);

        const CliRun asText = Against(c.account);
        EXPECT_EQ(asText.exitCode, c.exitCode);
        const std::size_t last = asText.out.rfind('\n', asText.out.size() - 2) + 1;
        const std::string lastLine = asText.out.substr(last);
        if (c.missing.empty()) {
            EXPECT_EQ(asText.out.find("(incomplete)"), std::string::npos);
        } else {
            // After every field, one line, naming both pages and why.
            EXPECT_EQ(lastLine,
                      "(incomplete)\tnot got: ratings given (refused by the marketplace: HTTP "
                      "503), ratings received (refused by the marketplace: HTTP 503)\n");
            EXPECT_EQ(asText.out.find("(incomplete)"), last);
        }
        // The saved lookup prints what the lookup printed, the last line included.
        EXPECT_EQ(Run("show '" + c.account + "'").out, asText.out);
        EXPECT_EQ(json::parse(Run("show '" + c.account + "' --json").out), object);
    }
}

TEST_F(MissingPagesCli, ABatchMetByRefusalsStopsAndAResumedRunSkipsTheFreshMembers) {
    // Enough for the first member, then every host refuses for a long while.
    CliRun alone = Against(kBuyer + " --no-history --json");
    const std::size_t buyerRequests = market_.Requests().size();
    std::map<std::string, int> perHost;
    for (const LoggedRequest& r : market_.Requests()) {
        ++perHost[r.host];
    }
    int most = 0;
    for (const auto& [host, n] : perHost) {
        most = std::max(most, n);
    }
    market_.SetRefusals(
        {.refuseAfter = most + 1, .window = std::chrono::seconds(600), .retryAfterSeconds = 1});
    market_.ClearRequests();
    const CliRun stopped =
        Against(kBuyer + " " + kSeller + " " + kShop + " --jobs 1 --pace 0 --backoff 50ms --json");
    EXPECT_EQ(stopped.exitCode, 4);
    const std::vector<json> lines = JsonLines(stopped.out);
    ASSERT_EQ(lines.size(), 3u) << stopped.out;
    EXPECT_EQ(lines[0]["account"], kBuyer);
    EXPECT_EQ(lines[0]["fields"], json::parse(alone.out)["fields"]);
    for (const std::size_t i : {1u, 2u}) {
        EXPECT_EQ(lines[i]["checked"], false) << lines[i];
        EXPECT_FALSE(lines[i]["reason"].get<std::string>().empty());
        EXPECT_FALSE(lines[i].contains("fields"));
    }
    EXPECT_GT(market_.Refused(), 0);
    EXPECT_NE(stopped.err.find("kestrova-cli: re-ran 1 member after refusals (3 lookups)\n"),
              std::string::npos)
        << stopped.err;

    // Later, the marketplace answers again: the buyer's saved lookup stands in,
    // and nothing about the buyer is asked.
    market_.SetRefusals({});
    market_.ClearRequests();
    const CliRun resumed =
        Against(kBuyer + " " + kSeller + " " + kShop + " --jobs 1 --skip-fresh 30m --json");
    EXPECT_EQ(resumed.exitCode, 0);
    // Every request of the buyer's lookup names the buyer's id or account.
    const std::string buyerId = marketplace::FindMember(kBuyer)->userId;
    EXPECT_GT(buyerRequests, 0u);
    for (const LoggedRequest& r : market_.Requests()) {
        EXPECT_EQ(r.target.find(buyerId), std::string::npos) << r.host << r.target;
    }
    const std::vector<json> again = JsonLines(resumed.out);
    ASSERT_EQ(again.size(), 3u);
    EXPECT_TRUE(again[0]["from_history"].is_number_integer());
    EXPECT_EQ(again[0]["fields"], lines[0]["fields"]);
    EXPECT_EQ(again[1]["account"], kSeller);
    EXPECT_EQ(again[1]["complete"], true);
    EXPECT_FALSE(again[1].contains("from_history"));

    // An incomplete lookup is never fresh, and a lookup older than the duration is not.
    Against(kBusy + " --json");
    market_.ClearRequests();
    Against(kBusy + " --skip-fresh 1d --json");
    EXPECT_FALSE(market_.Requests().empty());
    for (const char* bad : {"30", "-5m", "1.5h", "2w", "m", "0m", "367d"}) {
        EXPECT_EQ(Against(kBuyer + " --skip-fresh " + bad).exitCode, 2) << bad;
    }
}

TEST_F(MissingPagesCli, ARefusedMemberWaitsOutTheRetryAfterAndGetsTheSingleLookupsResult) {
    const json single = json::parse(Against(kSeller + " --no-history --json").out);
    const int seller = MostToOneHost();
    market_.ClearRequests();
    Against(kBuyer + " --no-history --json");
    // Each lookup alone passes; the second one within a second is refused, and
    // after the pause the window has moved on.
    market_.SetRefusals({.refuseAfter = std::max(seller, MostToOneHost()) + 1,
                         .window = std::chrono::seconds(1),
                         .retryAfterSeconds = 1});
    market_.ClearRequests();
    const CliRun run = Against(kBuyer + " " + kSeller + " --jobs 1 --pace 0 --backoff 1s --json");
    EXPECT_EQ(run.exitCode, 0) << run.out;
    const std::vector<json> lines = JsonLines(run.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1]["fields"], single["fields"]);
    EXPECT_EQ(lines[1]["complete"], true);
    EXPECT_GT(market_.Refused(), 0);
    EXPECT_NE(run.err.find("kestrova-cli: re-ran 1 member after refusals ("), std::string::npos)
        << run.err;
    // On the server's clock: a pause of at least the second asked for.
    const std::vector<LoggedRequest> log = market_.Requests();
    milliseconds longest{0};
    for (std::size_t i = 1; i < log.size(); ++i) {
        longest =
            std::max(longest, std::chrono::duration_cast<milliseconds>(log[i].at - log[i - 1].at));
    }
    EXPECT_GE(longest, milliseconds(990));
}

TEST_F(MissingPagesCli, DiffNeverTakesAMissingPageForAChangeOfTheMember) {
    ASSERT_EQ(Against(kShop + " --json").exitCode, 0);
    market_.SetRefusals({.refuseAfter = 2, .window = std::chrono::seconds(600)});
    ASSERT_EQ(Against(kShop + " --json").exitCode, 4);
    market_.SetRefusals({});
    const json incomplete = json::parse(Run("history '" + kShop + "' --json").out)[0];
    EXPECT_EQ(incomplete["complete"], false);
    EXPECT_NE(Run("history '" + kShop + "'").out.find("(incomplete: "), std::string::npos);
    const std::int64_t id = incomplete["id"];
    // From complete to incomplete, then back: the member did not change.
    for (int round = 0; round < 2; ++round) {
        const json diff = json::parse(Run("history '" + kShop + "' --diff --json").out);
        EXPECT_EQ(diff["changes"], json::array()) << round;
        ASSERT_FALSE(diff["not_compared"].empty());
        for (const json& field : diff["not_compared"]) {
            EXPECT_EQ(field["missing_in"], json::array({id})) << field;
        }
        const std::string text = Run("history '" + kShop + "' --diff").out;
        const std::string apart = "\tnot compared (page missing in #" + std::to_string(id) + ")";
        std::size_t at = text.find('\n') + 1;  // after the heading
        for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
            EXPECT_TRUE(text.substr(at, end - at).ends_with(apart)) << text.substr(at, end - at);
        }
        Against(kShop + " --json");
    }
}

TEST_F(MissingPagesCli, PaceHoldsBetweenRequestsToOneHostOnTheServersClock) {
    for (const int pace : {0, 120}) {
        market_.ClearRequests();
        const CliRun run = Against(kBuyer + " " + kShop + " --jobs 4 --no-history --json --pace " +
                                   std::to_string(pace));
        ASSERT_EQ(run.exitCode, 0);
        std::map<std::string, std::chrono::steady_clock::time_point> lastAt;
        milliseconds shortest = milliseconds::max();
        for (const LoggedRequest& r : market_.Requests()) {
            if (const auto last = lastAt.find(r.host); last != lastAt.end()) {
                shortest = std::min(shortest,
                                    std::chrono::duration_cast<milliseconds>(r.at - last->second));
            }
            lastAt[r.host] = r.at;
        }
        if (pace > 0) {
            // The server logs a request once it is read, a little after it was
            // started: allow for that, not for a pace shorter by half.
            EXPECT_GE(shortest, milliseconds(pace - 15)) << pace;
        } else {
            EXPECT_LT(shortest, milliseconds(120));  // the test can tell them apart
        }
    }
}

}  // namespace
}  // namespace kestrova
