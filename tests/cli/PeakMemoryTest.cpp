// Memory of kestrova-cli, run as a user runs it, against a server that pads
// every page of the full seller to the 32 MiB cap with the tiny entries the
// query's cuts and patterns count: millions of list pieces, pattern matches
// and count cells. What it may take grows with the pages a lookup holds at
// once, never with the entries in them.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/HostileServer.h"
#include "text/Gbk.h"
#include "web/Transport.h"

namespace kestrova::hostile {
namespace {

// The honest page with `unit` after it, as often as fits under the cap.
std::string Padded(const std::string& page, const std::string& unit) {
    std::string body = page;
    body.reserve(kMaxBodyBytes);
    while (body.size() + unit.size() <= kMaxBodyBytes) {
        body += unit;
    }
    return body;
}

// Each page padded with what its own steps look for.
Misbehaviour PadEveryPage() {
    return [](const SeenRequest& r, const marketplace::MarketAnswer& real) -> std::optional<Reply> {
        std::string unit;
        switch (r.endpoint) {
            case Endpoint::Profile:
                unit = Gbk("1年1月1日");  // the date pattern runs over the profile
                break;
            case Endpoint::PersonalSpace:
            case Endpoint::Favourites:
            case Endpoint::Status:
                unit = "<li>x</li>";
                break;
            case Endpoint::RatingPage:
                unit = ">7</a></td>";  // a cell of the count table
                break;
            case Endpoint::GivenList:
            case Endpoint::ReceivedList:
            case Endpoint::SummaryFirstPage:
            case Endpoint::SummaryLastPage:
                unit = "aucNumId";  // an entry
                break;
            default:
                return std::nullopt;  // pictures as they are
        }
        return Reply::Answer(real.status, Padded(real.body, unit), real.contentType);
    };
}

struct Measured {
    int exitCode = -1;
    long peakMiB = -1;
};

// Started as a shell starts it (same environment and signals), output thrown
// away; the peak resident size the kernel kept for it.
Measured RunCli(const std::vector<std::string>& arguments) {
    std::vector<char*> argv{const_cast<char*>(KESTROVA_CLI)};
    for (const std::string& a : arguments) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::execv(KESTROVA_CLI, argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, usage.ru_maxrss / 1024};
}

class PeakMemory : public ::testing::Test {
  protected:
    void SetUp() override {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        GTEST_SKIP() << "resident memory under a sanitizer says nothing of the program's";
#endif
        server_.SetMisbehaviour(PadEveryPage());
    }
    std::string Target() const {
        return "localhost:" + std::to_string(server_.Port());
    }

    HostileServer server_;
};

TEST_F(PeakMemory, LookupOfAMemberWhosePagesAreAllAtTheCap) {
    const Measured run = RunCli({"lookup", "青禾手作坊", "--connect-to", Target(), "--no-history"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_LT(run.peakMiB, 300);
    std::printf("sequential: %ld MiB at peak\n", run.peakMiB);
}

// The fast mode holds the answers of the requests it started ahead until the
// steps take them: at the cap that is up to 32 MiB for each.
TEST_F(PeakMemory, FastLookupOfAMemberWhosePagesAreAllAtTheCap) {
    const Measured run =
        RunCli({"lookup", "青禾手作坊", "--connect-to", Target(), "--no-history", "--fast"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_LT(run.peakMiB, 560);
    std::printf("fast: %ld MiB at peak\n", run.peakMiB);
}

// Four such members, two at a time: what a finished member keeps while it
// waits to be printed stays bounded, so the batch takes about what two
// lookups take at once, however many members follow.
TEST_F(PeakMemory, BatchOfFourMembersAtTheCapGrowsWithTheJobsOnly) {
    const std::string seller = "青禾手作坊";
    const Measured run = RunCli({"lookup", seller, seller, seller, seller, "--jobs", "2",
                                 "--connect-to", Target(), "--no-history"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_LT(run.peakMiB, 2 * 300);
    std::printf("batch of four, two at a time: %ld MiB at peak\n", run.peakMiB);
}

}  // namespace
}  // namespace kestrova::hostile
