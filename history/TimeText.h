#pragma once
// When a lookup ran, for people (local time, to the second) and for programs
// (UTC, RFC 3339, to the millisecond).

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace kestrova {

// "2011-03-20 14:05:09" in the local time zone.
std::string LocalTimeText(std::chrono::system_clock::time_point at);
// "2011-03-20T06:05:09.123Z".
std::string UtcTimeText(std::chrono::system_clock::time_point at);

// Reads either form back: RFC 3339 ("2011-03-20T06:05:09.123Z", a fraction
// of any length, "Z" or an offset such as "+08:00"; a space may stand for
// "T"), or a time without a zone, read as local time. Milliseconds are kept,
// finer digits dropped. nullopt for anything else, or a date that does not
// exist.
std::optional<std::chrono::system_clock::time_point> ParseTimeText(std::string_view text);

}  // namespace kestrova
