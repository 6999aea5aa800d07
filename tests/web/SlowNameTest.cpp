// A name lookup that takes its time must hold up nothing but its own transfer.
// The system resolver is made slow for one host name by a small library the
// test builds and preloads into a second run of this program: getaddrinfo
// answers that name with the loopback address only after a long pause, and
// another name at once. Under it, transfers by the quick name keep moving
// while the slow one waits, the slow one ends at its connect limit (the name
// lookup counts toward it), a cancel ends it at once and the next transfer is
// not held, an engine ends without waiting, and the program ends long before
// the resolver would have answered.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>
#include <thread>

#include "RawServer.h"
#include "web/Endpoints.h"
#include "web/NetworkGuard.h"
#include "web/TransferEngine.h"

extern char** environ;

namespace kestrova {
namespace {

using Clock = std::chrono::steady_clock;
using testing::CapturedRequest;
using testing::RawServer;
using testing::Respond;

constexpr const char* kSlowName = "slow.kestrova.test";
constexpr const char* kQuickName = "quick.kestrova.test";
constexpr int kResolverSeconds = 20;
constexpr int kConnectLimitMs = 2000;

constexpr const char* kShimSource = R"(#define _GNU_SOURCE
#include <dlfcn.h>
#include <netdb.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

typedef int (*lookup_fn)(const char*, const char*, const struct addrinfo*, struct addrinfo**);

int getaddrinfo(const char* node, const char* service, const struct addrinfo* hints,
                struct addrinfo** res) {
    lookup_fn real = (lookup_fn)dlsym(RTLD_NEXT, "getaddrinfo");
    const char* slow = getenv("KESTROVA_TEST_SLOW_NAME");
    const char* quick = getenv("KESTROVA_TEST_QUICK_NAME");
    if (node && slow && strcmp(node, slow) == 0) {
        sleep((unsigned)atoi(getenv("KESTROVA_TEST_RESOLVER_SECONDS")));
        node = "127.0.0.1";
    } else if (node && quick && strcmp(node, quick) == 0) {
        node = "127.0.0.1";
    }
    return real(node, service, hints, res);
}
)";

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

WireRequest Get(const std::string& host, int port, const std::string& path) {
    WireRequest request;
    request.url = "http://" + host + ":" + std::to_string(port) + path;
    request.timeouts = PhaseTimeouts{kConnectLimitMs, kConnectLimitMs, 5000, 5000};
    return request;
}

std::string FileText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(SlowName, NoTransferWaitsForAnotherOnesNameLookup) {
    const std::string base =
        ::testing::TempDir() + "kestrova_slow_name_" + std::to_string(getpid());
    std::ofstream(base + ".c") << kShimSource;
    const std::string build = "cc -shared -fPIC -o " + base + ".so " + base + ".c -ldl";
    ASSERT_EQ(std::system(build.c_str()), 0) << build;

    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view text = *entry;
        if (text.rfind("LD_PRELOAD=", 0) != 0 && text.rfind("ASAN_OPTIONS=", 0) != 0) {
            environment.emplace_back(text);
        }
    }
    environment.push_back("LD_PRELOAD=" + base + ".so");
    environment.push_back(std::string("KESTROVA_TEST_SLOW_NAME=") + kSlowName);
    environment.push_back(std::string("KESTROVA_TEST_QUICK_NAME=") + kQuickName);
    environment.push_back("KESTROVA_TEST_RESOLVER_SECONDS=" + std::to_string(kResolverSeconds));
    // A sanitizer's runtime wants to come first; the preloaded library is
    // loaded before it here.
    const char* asan = std::getenv("ASAN_OPTIONS");
    environment.push_back(std::string("ASAN_OPTIONS=") + (asan ? std::string(asan) + ":" : "") +
                          "verify_asan_link_order=0");
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    std::string self = "/proc/self/exe";
    std::string filter = "--gtest_filter=DISABLED_UnderTheSlowResolver.*";
    std::string disabled = "--gtest_also_run_disabled_tests";
    char* argv[] = {self.data(), filter.data(), disabled.data(), nullptr};
    const std::string output = base + ".out";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    const Clock::time_point start = Clock::now();
    pid_t child = -1;
    ASSERT_EQ(posix_spawn(&child, self.c_str(), &actions, nullptr, argv, envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);

    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (SecondsSince(start) > 3 * kResolverSeconds) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const double seconds = SecondsSince(start);
    const std::string text = FileText(output);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text;
    EXPECT_NE(text.find("[  PASSED  ] 4 tests."), std::string::npos) << text;
    // Ended, with lookups still in the resolver, long before it would answer.
    EXPECT_LT(seconds, kResolverSeconds / 2.0) << text;
    for (const char* suffix : {".c", ".so", ".out"}) {
        std::remove((base + suffix).c_str());
    }
}

// The cases below run only in the second run, under the slow resolver.
class DISABLED_UnderTheSlowResolver : public ::testing::Test {
  protected:
    void SetUp() override {
        SetConnectTo(std::nullopt);
        SetPrivateNetworkAllowed(true);
    }
    RawServer server{[](const CapturedRequest&, int) { return Respond(200, {}, "ok"); }};
};

TEST_F(DISABLED_UnderTheSlowResolver, OthersKeepMovingAndTheConnectLimitCountsTheLookup) {
    TransferEngine engine;
    const Clock::time_point start = Clock::now();
    PendingTransfer slow = engine.Start(Get(kSlowName, server.Port(), "/slow"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::vector<PendingTransfer> quick;
    for (int i = 0; i < 8; ++i) {
        quick.push_back(engine.Start(Get(kQuickName, server.Port(), "/q" + std::to_string(i))));
    }
    for (PendingTransfer& t : quick) {
        EXPECT_EQ(t.Take().status, 200);
    }
    EXPECT_LT(SecondsSince(start), 1.5) << "the quick transfers waited";
    EXPECT_FALSE(slow.Ended());

    EXPECT_EQ(slow.Take().status, 0);
    const double slowSeconds = SecondsSince(start);
    EXPECT_GE(slowSeconds, kConnectLimitMs / 1000.0 - 0.1);
    EXPECT_LT(slowSeconds, kConnectLimitMs / 1000.0 + 1.0);

    // The slow name is still being looked up; the engine goes on.
    const Clock::time_point after = Clock::now();
    EXPECT_EQ(engine.Start(Get(kQuickName, server.Port(), "/after")).Take().status, 200);
    EXPECT_LT(SecondsSince(after), 0.5);
}

TEST_F(DISABLED_UnderTheSlowResolver, ACancelEndsAtOnceAndTheNextLookupIsNotHeld) {
    TransferEngine engine;
    auto cancelled = std::make_shared<TransferGroup>();
    PendingTransfer slow = engine.Start(Get(kSlowName, server.Port(), "/slow"), cancelled);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const Clock::time_point at = Clock::now();
    cancelled->Cancel();
    EXPECT_EQ(slow.Take().status, 0);
    EXPECT_LT(SecondsSince(at), 0.3);

    const Clock::time_point next = Clock::now();
    auto group = std::make_shared<TransferGroup>();
    EXPECT_EQ(engine.Start(Get(kQuickName, server.Port(), "/next"), group).Take().status, 200);
    EXPECT_LT(SecondsSince(next), 0.5);
}

TEST_F(DISABLED_UnderTheSlowResolver, AnEngineEndsWithoutWaitingForTheResolver) {
    Clock::time_point closing;
    {
        TransferEngine engine;
        PendingTransfer slow = engine.Start(Get(kSlowName, server.Port(), "/slow"));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        closing = Clock::now();
    }
    EXPECT_LT(SecondsSince(closing), 0.5);
}

TEST_F(DISABLED_UnderTheSlowResolver, ANameThatResolvesToLoopbackIsRefused) {
    SetPrivateNetworkAllowed(false);
    TransferEngine engine;
    EXPECT_EQ(engine.Start(Get(kQuickName, server.Port(), "/guarded")).Take().status, 0);
    EXPECT_EQ(server.ConnectionCount(), 0);
    SetPrivateNetworkAllowed(true);
}

}  // namespace
}  // namespace kestrova
