// kestrova-marketplace as a program: it prints the port it serves on, answers
// there with the given latency, refuses bad options, and ends on SIGTERM.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "text/Gbk.h"
#include "web/Endpoints.h"

namespace kestrova::test {
namespace {

struct Child {
    pid_t pid = -1;
    FILE* out = nullptr;
};

// Starts the program with its standard output on a pipe.
Child Launch(const std::vector<std::string>& args) {
    int fds[2];
    if (pipe(fds) != 0) {
        return {};
    }
    // Made before the fork: the child makes nothing, only system calls.
    std::vector<char*> argv;
    std::string program = KESTROVA_MARKETPLACE_PROGRAM;
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (std::string& a : copies) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        // The usage messages of the refused runs are not this test's business.
        const int none = open("/dev/null", O_WRONLY);
        dup2(none, STDERR_FILENO);
        close(fds[0]);
        close(fds[1]);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(fds[1]);
    return {pid, fdopen(fds[0], "r")};
}

int ExitStatus(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(MarketplaceProgram, PrintsItsPortServesWithLatencyAndEndsOnSigterm) {
    Child child = Launch({"--port", "0", "--latency-ms", "120"});
    ASSERT_GT(child.pid, 0);
    int port = 0;
    ASSERT_EQ(std::fscanf(child.out, "%d", &port), 1);
    ASSERT_GT(port, 0);

    httplib::Client client("127.0.0.1", port);
    const auto begin = std::chrono::steady_clock::now();
    const auto answer =
        client.Get("/muliuserstatus.aw?uids=x", httplib::Headers{{"Host", endpoints::kStatusHost}});
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    EXPECT_NE(answer->body.find("online[0]=0"), std::string::npos);
    EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(120));

    kill(child.pid, SIGTERM);
    EXPECT_EQ(ExitStatus(child.pid), 0);
    std::fclose(child.out);
}

// Whether the member server answers the red-alert member with the notice for
// a blocked account, which it is some weeks later.
bool ServesBlockedNotice(int port) {
    httplib::Client client("127.0.0.1", port);
    const auto answer = client.Get("/member/user_profile.jhtml?user_id=echo_valley",
                                   httplib::Headers{{"Host", endpoints::kMemberHost}});
    return answer && answer->body.find(Gbk("被查封")) != std::string::npos;
}

TEST(MarketplaceProgram, LaterServesTheSecondMomentAndSigusr1SwitchesBackAndForth) {
    Child child = Launch({"--port", "0", "--later"});
    ASSERT_GT(child.pid, 0);
    int port = 0;
    ASSERT_EQ(std::fscanf(child.out, "%d", &port), 1);
    EXPECT_TRUE(ServesBlockedNotice(port));

    for (const bool blocked : {false, true, false}) {
        kill(child.pid, SIGUSR1);
        // The program looks at the switch between naps of 20 ms.
        bool seen = !blocked;
        for (int tries = 0; tries < 100 && seen != blocked; ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            seen = ServesBlockedNotice(port);
        }
        EXPECT_EQ(seen, blocked);
    }
    kill(child.pid, SIGTERM);
    EXPECT_EQ(ExitStatus(child.pid), 0);
    std::fclose(child.out);
}

TEST(MarketplaceProgram, RefusesBadOptions) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"--port", "70000"},
                                                 {"--port", "0", "--latency-ms", "-5"},
                                                 {"--port", "zero"}}) {
        Child child = Launch(args);
        ASSERT_GT(child.pid, 0);
        EXPECT_EQ(ExitStatus(child.pid), 2) << (args.empty() ? "(none)" : args[0]);
        std::fclose(child.out);
    }
}

TEST(MarketplaceProgram, AnswersVersionAndHelpWithoutAPort) {
    struct Case {
        std::vector<std::string> args;
        std::string printed;
    };
    for (const Case& c : {Case{{"--version"}, "kestrova-marketplace " KESTROVA_VERSION "\n"},
                          Case{{"--help"}, "--latency-ms"}, Case{{"-h"}, "--port"}}) {
        Child child = Launch(c.args);
        ASSERT_GT(child.pid, 0);
        std::string out;
        char buffer[4096];
        while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, child.out))
            out.append(buffer, n);
        std::fclose(child.out);
        EXPECT_EQ(ExitStatus(child.pid), 0) << c.args[0];
        if (c.args[0] == "--version")
            EXPECT_EQ(out, c.printed);
        else
            EXPECT_NE(out.find(c.printed), std::string::npos) << out;
    }
}

}  // namespace
}  // namespace kestrova::test
