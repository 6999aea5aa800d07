#include "web/RetryAfter.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace kestrova {
namespace {

// More digits than this is a wait of years: kept at this many seconds.
constexpr std::int64_t kLongest = 100'000'000;

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

bool AllDigits(std::string_view s) {
    if (s.empty()) {
        return false;
    }
    for (const char c : s) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

std::int64_t Number(std::string_view digits) {
    std::int64_t n = 0;
    for (const char c : digits) {
        n = n * 10 + (c - '0');
        if (n > kLongest) {
            return kLongest;
        }
    }
    return n;
}

// Days from 1970-01-01 to the date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// "Sun, 06 Nov 1994 08:49:37 GMT", the one form a sender may use.
std::optional<std::int64_t> SecondsOfHttpDate(std::string_view s) {
    static constexpr std::array<std::string_view, 7> kDays = {"Mon", "Tue", "Wed", "Thu",
                                                              "Fri", "Sat", "Sun"};
    static constexpr std::array<std::string_view, 12> kMonths = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (s.size() != 29 || s.substr(3, 2) != ", " || s[7] != ' ' || s[11] != ' ' || s[16] != ' ' ||
        s[19] != ':' || s[22] != ':' || s.substr(25) != " GMT") {
        return std::nullopt;
    }
    bool dayKnown = false;
    for (const std::string_view day : kDays) {
        dayKnown = dayKnown || s.substr(0, 3) == day;
    }
    unsigned month = 0;
    for (unsigned i = 0; i < kMonths.size(); ++i) {
        if (s.substr(8, 3) == kMonths[i]) {
            month = i + 1;
        }
    }
    const std::string_view day = s.substr(5, 2), year = s.substr(12, 4), hour = s.substr(17, 2),
                           minute = s.substr(20, 2), second = s.substr(23, 2);
    if (!dayKnown || month == 0 || !AllDigits(day) || !AllDigits(year) || !AllDigits(hour) ||
        !AllDigits(minute) || !AllDigits(second)) {
        return std::nullopt;
    }
    const auto d = static_cast<unsigned>(Number(day));
    const std::int64_t h = Number(hour), min = Number(minute), sec = Number(second);
    if (d < 1 || d > 31 || h > 23 || min > 59 || sec > 60) {
        return std::nullopt;
    }
    return DaysFromCivil(Number(year), month, d) * 86400 + h * 3600 + min * 60 + sec;
}

}  // namespace

std::optional<std::chrono::seconds> RetryAfterDelay(std::string_view value,
                                                    std::chrono::system_clock::time_point now) {
    value = Trimmed(value);
    if (AllDigits(value)) {
        return std::chrono::seconds(Number(value));
    }
    const std::optional<std::int64_t> at = SecondsOfHttpDate(value);
    if (!at) {
        return std::nullopt;
    }
    const std::int64_t nowSeconds =
        std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
    return std::chrono::seconds(std::clamp<std::int64_t>(*at - nowSeconds, 0, kLongest));
}

}  // namespace kestrova
