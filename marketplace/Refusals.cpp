#include "marketplace/Refusals.h"

#include <algorithm>
#include <cctype>

namespace kestrova::marketplace {
namespace {

std::string HostName(const std::string& header) {
    std::string host = header.substr(0, header.find(':'));
    std::transform(host.begin(), host.end(), host.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return host;
}

// splitmix64: a draw from the seed and the request, the same whatever order
// the requests of a run arrive in.
std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

std::uint64_t Hash(const std::string& text) {
    std::uint64_t h = 1469598103934665603ULL;  // FNV-1a
    for (const char c : text) {
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    return h;
}

std::string PercentEncoded(const std::string& text) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

}  // namespace

RefusalModes::RefusalModes(RefusalSettings settings) : settings_(settings) {}

std::optional<Refusal> RefusalModes::Decide(const std::string& hostHeader,
                                            const std::string& target, bool html,
                                            std::chrono::steady_clock::time_point now) {
    const std::string host = HostName(hostHeader);
    // The verification page itself is always there to be seen.
    if (host == kVerificationHost) {
        return std::nullopt;
    }
    std::lock_guard lock(mutex_);
    if (settings_.flaky > 0) {
        const std::uint64_t nth = ++seen_[host + target];
        const std::uint64_t draw = Mix(settings_.seed ^ Mix(Hash(host + target) + nth));
        const double fraction = static_cast<double>(draw >> 11) / 9007199254740992.0;  // 2^53
        if (fraction < settings_.flaky) {
            return Refusal{
                (draw & 1) != 0 ? Refusal::Kind::kUnavailable : Refusal::Kind::kDropped, {}, 0};
        }
    }
    if (settings_.refuseAfter <= 0) {
        return std::nullopt;
    }
    // Every request counts, refused ones too: a client that keeps knocking
    // stays refused.
    std::deque<std::chrono::steady_clock::time_point>& arrivals = arrivals_[host];
    while (!arrivals.empty() && now - arrivals.front() >= settings_.window) {
        arrivals.pop_front();
    }
    arrivals.push_back(now);
    if (static_cast<int>(arrivals.size()) <= settings_.refuseAfter) {
        return std::nullopt;
    }
    ++refused_;
    if (html) {
        return Refusal{
            Refusal::Kind::kVerificationRedirect,
            std::string("http://") + kVerificationHost + kVerificationPath +
                "?action=QueryAction&smReturn=" + PercentEncoded("http://" + host + target),
            0};
    }
    return Refusal{Refusal::Kind::kTooManyRequests, {}, settings_.retryAfterSeconds};
}

void RefusalModes::Reset(RefusalSettings settings) {
    std::lock_guard lock(mutex_);
    settings_ = settings;
    arrivals_.clear();
    seen_.clear();
    refused_ = 0;
}

int RefusalModes::Refused() const {
    std::lock_guard lock(mutex_);
    return refused_;
}

}  // namespace kestrova::marketplace
