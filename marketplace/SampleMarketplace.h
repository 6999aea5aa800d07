#pragma once
// The sample marketplace: one loopback HTTP server that plays every host of the
// marketplace for the invented members of Members.h, routing by Host header
// and path. It serves from threads of its own, so a query may block the
// thread that started it. For the demo, the integration tests and benchmarks.

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "marketplace/MarketMoment.h"
#include "marketplace/Refusals.h"

namespace kestrova {

struct LoggedRequest {
    std::string host;    // the Host header as sent
    std::string target;  // path and query as sent (still percent-encoded)
    // Header names and values; the order is the server library's (sorted by
    // name, ignoring case), not the order on the wire.
    std::vector<std::pair<std::string, std::string>> headers;
    std::chrono::steady_clock::time_point at;  // when the request was in
};

class SampleMarketplace {
  public:
    // Every answer is held back latencyMs milliseconds.
    explicit SampleMarketplace(int latencyMs = 0);
    ~SampleMarketplace();
    SampleMarketplace(const SampleMarketplace&) = delete;
    SampleMarketplace& operator=(const SampleMarketplace&) = delete;

    // Binds 127.0.0.1 (port 0: a free port) and serves until Stop. Returns the
    // port, or -1 when it cannot bind or already runs.
    int Start(int port = 0);
    // Stops serving and waits for the server thread; safe to call twice.
    void Stop();
    // The port it serves on, -1 when not running.
    int Port() const;

    // Which moment the pages show; kFirst until switched. Takes effect from
    // the next request on.
    void SetMoment(MarketMoment moment);
    MarketMoment Moment() const;

    // How the marketplace refuses from now on (by default it never does);
    // what it counted so far is forgotten.
    void SetRefusals(const marketplace::RefusalSettings& settings);
    // Requests refused so far: with 429, or by the redirect to verification.
    int Refused() const;

    // Every request answered since the start or the last ClearRequests, oldest first.
    std::vector<LoggedRequest> Requests() const;
    void ClearRequests();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kestrova
