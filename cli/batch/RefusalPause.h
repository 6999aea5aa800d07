#pragma once
// How long a batch leaves the marketplace alone after it refused a lookup:
// the time its Retry-After asks for, or else a back-off that starts at 30
// seconds and doubles each time the marketplace still refuses after a pause,
// with random jitter so that many programs do not come back in step; never
// more than ten minutes. A lookup that comes back unrefused starts the
// back-off over.

#include <chrono>
#include <cstdint>
#include <optional>
#include <random>

namespace kestrova {

inline constexpr std::chrono::seconds kFirstBackoff{30};
inline constexpr std::chrono::seconds kLongestPause{600};
// Times a refused member is looked up again before the run stops.
inline constexpr int kMaxReruns = 3;

class RefusalPause {
  public:
    using Clock = std::chrono::steady_clock;

    explicit RefusalPause(std::chrono::milliseconds firstBackoff = kFirstBackoff,
                          std::uint64_t seed = std::random_device{}());

    // A lookup that started at `started` met a refusal; `retryAfter` is what
    // the marketplace asked for, if it did. Returns the end of the pause. A
    // lookup that started before the pause under way was decided belongs to
    // the same refusal: it can lengthen the pause, not double it.
    Clock::time_point Refused(Clock::time_point started,
                              std::optional<std::chrono::seconds> retryAfter,
                              Clock::time_point now = Clock::now());
    // A lookup that started at `started` came back unrefused: once one that
    // started after the last pause was decided does, the back-off starts over.
    void Answered(Clock::time_point started);

    // The end of the pause, when one is under way at `now`.
    std::optional<Clock::time_point> Until(Clock::time_point now = Clock::now()) const;

  private:
    std::chrono::milliseconds firstBackoff_;
    std::mt19937_64 random_;
    int backoffs_ = 0;  // back-offs in a row, the refusals between answers
    std::optional<Clock::time_point> decided_;
    Clock::time_point until_{};
};

}  // namespace kestrova
