#pragma once
// When a lookup ran, for people (local time, to the second) and for programs
// (UTC, RFC 3339, to the millisecond).

#include <chrono>
#include <string>

namespace kestrova {

// "2011-03-20 14:05:09" in the local time zone.
std::string LocalTimeText(std::chrono::system_clock::time_point at);
// "2011-03-20T06:05:09.123Z".
std::string UtcTimeText(std::chrono::system_clock::time_point at);

}  // namespace kestrova
