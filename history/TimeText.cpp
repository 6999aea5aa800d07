#include "history/TimeText.h"

#include <cstdio>
#include <ctime>

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

}  // namespace kestrova
