#include <gtest/gtest.h>

#include <cstdlib>

#include "web/Endpoints.h"

namespace kestrova {
namespace {

TEST(ParseConnectTarget, HostAndPort) {
    const struct {
        const char* text;
        bool valid;
        const char* host;
        int port;
    } cases[] = {
        {"127.0.0.1:8080", true, "127.0.0.1", 8080},
        {"localhost:1", true, "localhost", 1},
        {"market.test:65535", true, "market.test", 65535},
        {"[::1]:9000", true, "::1", 9000},
        {"127.0.0.1:0", false, "", 0},
        {"127.0.0.1:65536", false, "", 0},
        {"127.0.0.1:", false, "", 0},
        {":8080", false, "", 0},
        {"127.0.0.1", false, "", 0},
        {"127.0.0.1:80a", false, "", 0},
        {"127.0.0.1:-80", false, "", 0},
        {"127.0.0.1:+80", false, "", 0},
        {"::1:9000", false, "", 0},
        {"[::1]9000", false, "", 0},
        {"host name:80", false, "", 0},
        {"http://host:80", false, "", 0},
        {"", false, "", 0},
    };
    for (const auto& c : cases) {
        const auto target = ParseConnectTarget(c.text);
        ASSERT_EQ(target.has_value(), c.valid) << c.text;
        if (c.valid) {
            EXPECT_EQ(target->host, c.host);
            EXPECT_EQ(target->port, c.port);
        }
    }
}

TEST(ConnectTo, SetValueWinsAndCanBeTurnedOff) {
    SetConnectTo(ConnectTarget{"10.0.0.1", 81});
    ASSERT_TRUE(ConnectTo().has_value());
    EXPECT_EQ(ConnectTo()->host, "10.0.0.1");
    EXPECT_EQ(ConnectTo()->port, 81);
    SetConnectTo(std::nullopt);
    EXPECT_FALSE(ConnectTo().has_value());
}

// The environment is read once, and only when nothing was set: run in a fresh
// process so that no earlier test has decided the override already.
TEST(ConnectToDeathTest, EnvironmentIsReadWhenNothingWasSet) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("KESTROVA_CONNECT_TO", "127.0.0.1:4321", 1);
            const auto target = ConnectTo();
            setenv("KESTROVA_CONNECT_TO", "127.0.0.1:1", 1);
            const bool once = ConnectTo()->port == 4321;
            std::exit(target && target->host == "127.0.0.1" && target->port == 4321 && once ? 0
                                                                                            : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            setenv("KESTROVA_CONNECT_TO", "not a target", 1);
            std::exit(ConnectTo().has_value() ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace kestrova
