#pragma once
// Reading a Retry-After value: a number of seconds, or an HTTP date. The
// value comes from a peer, so it is read strictly and bounded.

#include <chrono>
#include <optional>
#include <string_view>

namespace kestrova {

// How long to wait from `now`: the seconds given, or the time until the date
// given (zero for a date gone by). Nothing for anything else. Very long waits
// come back as they are; the caller bounds them.
std::optional<std::chrono::seconds> RetryAfterDelay(std::string_view value,
                                                    std::chrono::system_clock::time_point now);

}  // namespace kestrova
