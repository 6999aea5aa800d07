#include "history/TimeText.h"

#include <cstdio>
#include <ctime>
#include <string_view>

namespace kestrova {
namespace {

std::string Format(const std::tm& t, const char* format) {
    char text[64];
    const std::size_t n = std::strftime(text, sizeof text, format, &t);
    return std::string(text, n);
}

}  // namespace

std::string LocalTimeText(std::chrono::system_clock::time_point at) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(at);
    std::tm local{};
    localtime_r(&seconds, &local);
    return Format(local, "%Y-%m-%d %H:%M:%S");
}

std::string UtcTimeText(std::chrono::system_clock::time_point at) {
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count();
    // Floor division, so that a time before 1970 keeps a positive fraction.
    const std::int64_t wholeSeconds =
        milliseconds >= 0 ? milliseconds / 1000 : -((-milliseconds + 999) / 1000);
    const auto fraction = static_cast<int>(milliseconds - wholeSeconds * 1000);
    const std::time_t seconds = static_cast<std::time_t>(wholeSeconds);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char millis[8];
    std::snprintf(millis, sizeof millis, ".%03dZ", fraction);
    return Format(utc, "%Y-%m-%dT%H:%M:%S") + millis;
}

namespace {

// Reads `count` digits at `at` into `value`; false where there are not as many.
bool Digits(std::string_view text, std::size_t& at, int count, int& value) {
    value = 0;
    for (int k = 0; k < count; ++k, ++at) {
        if (at >= text.size() || text[at] < '0' || text[at] > '9') {
            return false;
        }
        value = value * 10 + (text[at] - '0');
    }
    return true;
}

bool Take(std::string_view text, std::size_t& at, char expected) {
    if (at < text.size() && text[at] == expected) {
        ++at;
        return true;
    }
    return false;
}

}  // namespace

std::optional<std::chrono::system_clock::time_point> ParseTimeText(std::string_view text) {
    using namespace std::chrono;
    std::size_t at = 0;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!Digits(text, at, 4, y) || !Take(text, at, '-') || !Digits(text, at, 2, mo) ||
        !Take(text, at, '-') || !Digits(text, at, 2, d) ||
        !(Take(text, at, 'T') || Take(text, at, 't') || Take(text, at, ' ')) ||
        !Digits(text, at, 2, h) || !Take(text, at, ':') || !Digits(text, at, 2, mi) ||
        !Take(text, at, ':') || !Digits(text, at, 2, s)) {
        return std::nullopt;
    }
    int millis = 0;
    if (Take(text, at, '.')) {
        int digits = 0;
        for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, ++digits) {
            if (digits < 3) {
                millis = millis * 10 + (text[at] - '0');
            }
        }
        if (digits == 0) {
            return std::nullopt;
        }
        for (; digits < 3; ++digits) {
            millis *= 10;
        }
    }
    const year_month_day date{year(y), month(static_cast<unsigned>(mo)),
                              day(static_cast<unsigned>(d))};
    if (!date.ok() || h > 23 || mi > 59 || s > 59) {
        return std::nullopt;
    }
    const auto clock = hours(h) + minutes(mi) + seconds(s) + milliseconds(millis);
    if (at == text.size()) {
        // No zone: the user's local time.
        std::tm local{};
        local.tm_year = y - 1900;
        local.tm_mon = mo - 1;
        local.tm_mday = d;
        local.tm_hour = h;
        local.tm_min = mi;
        local.tm_sec = s;
        local.tm_isdst = -1;
        const std::time_t seconds = std::mktime(&local);
        if (seconds == static_cast<std::time_t>(-1) && !(y == 1969 && mo == 12 && d == 31)) {
            return std::nullopt;
        }
        return system_clock::from_time_t(seconds) + milliseconds(millis);
    }
    minutes offset{0};
    if (!(Take(text, at, 'Z') || Take(text, at, 'z'))) {
        const bool ahead = Take(text, at, '+');
        if (!ahead && !Take(text, at, '-')) {
            return std::nullopt;
        }
        int oh = 0, om = 0;
        if (!Digits(text, at, 2, oh) || !Take(text, at, ':') || !Digits(text, at, 2, om) ||
            oh > 23 || om > 59) {
            return std::nullopt;
        }
        offset = (ahead ? 1 : -1) * (hours(oh) + minutes(om));
    }
    if (at != text.size()) {
        return std::nullopt;
    }
    return time_point_cast<system_clock::duration>(sys_days(date) + clock - offset);
}

}  // namespace kestrova
