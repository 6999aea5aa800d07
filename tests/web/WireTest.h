#pragma once
// Shared by the wire tests: no connect-to override unless a test sets one,
// whatever the environment says; the test servers listen on loopback, so the
// network guard lets private addresses through unless a test turns it on;
// and a stopwatch.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "RawServer.h"
#include "text/Text.h"
#include "web/Endpoints.h"
#include "web/NetworkGuard.h"

namespace kestrova::testing {

class WireTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetConnectTo(std::nullopt);
        SetPrivateNetworkAllowed(true);
    }
    void TearDown() override {
        SetConnectTo(std::nullopt);
        SetPrivateNetworkAllowed(true);
    }
};

template <typename F>
long ElapsedMs(F&& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count());
}

inline std::string AsString(const ByteBuffer& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

inline std::string HostLine(const RawServer& server) {
    return "Host: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n";
}

}  // namespace kestrova::testing
