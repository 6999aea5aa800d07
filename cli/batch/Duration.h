#pragma once
// Durations on the command line: a whole number and its unit, "250ms", "30s",
// "30m", "12h", "2d".

#include <chrono>
#include <optional>
#include <string_view>

namespace kestrova {

// Nothing for anything else: no unit, a unit we do not know, a sign, a
// fraction, or more than a year.
std::optional<std::chrono::milliseconds> ParseDuration(std::string_view text);

}  // namespace kestrova
