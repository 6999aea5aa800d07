#include "cli/batch/RefusalPause.h"

#include <algorithm>

namespace kestrova {

RefusalPause::RefusalPause(std::chrono::milliseconds firstBackoff, std::uint64_t seed)
    : firstBackoff_(std::max(firstBackoff, std::chrono::milliseconds(1))), random_(seed) {}

RefusalPause::Clock::time_point RefusalPause::Refused(
    Clock::time_point started, std::optional<std::chrono::seconds> retryAfter,
    Clock::time_point now) {
    const bool sameRefusal = decided_ && started < *decided_;
    std::chrono::milliseconds wait{0};
    if (retryAfter) {
        wait = std::min<std::chrono::milliseconds>(*retryAfter, kLongestPause);
    } else {
        if (!sameRefusal || backoffs_ == 0) {
            ++backoffs_;
        }
        // 30 s, 60 s, 120 s ...: the doubling stops well before it could overflow.
        const int doublings = std::min(backoffs_ - 1, 20);
        const auto base =
            std::min<std::chrono::milliseconds>(firstBackoff_ * (1LL << doublings), kLongestPause);
        // Up to a quarter more, so that programs refused together come back apart.
        std::uniform_int_distribution<long long> jitter(0, base.count() / 4);
        wait = std::min<std::chrono::milliseconds>(
            base + std::chrono::milliseconds(jitter(random_)), kLongestPause);
    }
    const Clock::time_point end = now + wait;
    if (!sameRefusal) {
        decided_ = now;
        until_ = end;
    } else {
        until_ = std::max(until_, end);
    }
    return until_;
}

void RefusalPause::Answered(Clock::time_point started) {
    if (!decided_ || started >= *decided_) {
        backoffs_ = 0;
    }
}

std::optional<RefusalPause::Clock::time_point> RefusalPause::Until(Clock::time_point now) const {
    if (!decided_ || until_ <= now) {
        return std::nullopt;
    }
    return until_;
}

}  // namespace kestrova
