#pragma once
// The sample marketplace losing patience, as a real one does, so that a
// client's handling of it can be seen and tested: past a number of requests
// to one host in a rolling window it refuses (HTML pages by a redirect to a
// verification page, everything else with 429 and Retry-After), and a flaky
// marketplace fails a fraction of its answers with 503 or a dropped
// connection, chosen from a seed so that runs repeat.

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace kestrova::marketplace {

// The host and path of the verification page refusals lead to.
inline constexpr const char* kVerificationHost = "sec.taobao.com";
inline constexpr const char* kVerificationPath = "/query.htm";

struct RefusalSettings {
    int refuseAfter = 0;  // 0: never refuse
    std::chrono::seconds window{60};
    int retryAfterSeconds = 30;  // what a 429 asks the client to wait
    double flaky = 0;            // the fraction of answers that fail
    std::uint64_t seed = 1;
};

struct Refusal {
    enum class Kind { kVerificationRedirect, kTooManyRequests, kUnavailable, kDropped };
    Kind kind;
    std::string location;       // kVerificationRedirect
    int retryAfterSeconds = 0;  // kTooManyRequests
};

class RefusalModes {
  public:
    explicit RefusalModes(RefusalSettings settings = {});

    // What becomes of a request that came in at `now`, nothing when it is
    // answered as usual. `host` is the Host header, `target` path and query
    // as sent, `html` whether the answer would be an HTML page.
    std::optional<Refusal> Decide(const std::string& host, const std::string& target, bool html,
                                  std::chrono::steady_clock::time_point now);

    // Requests refused so far (429 or the verification redirect).
    int Refused() const;
    // New settings; what was counted is forgotten.
    void Reset(RefusalSettings settings);

  private:
    RefusalSettings settings_;
    mutable std::mutex mutex_;
    std::map<std::string, std::deque<std::chrono::steady_clock::time_point>> arrivals_;
    std::map<std::string, std::uint64_t> seen_;  // by host and target: the nth time it was asked
    int refused_ = 0;
};

}  // namespace kestrova::marketplace
