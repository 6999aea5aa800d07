#include "cli/batch/Duration.h"

#include <array>
#include <cstdint>
#include <utility>

namespace kestrova {

std::optional<std::chrono::milliseconds> ParseDuration(std::string_view text) {
    using std::chrono::milliseconds;
    constexpr std::int64_t kLongestMs = 366LL * 24 * 3600 * 1000;
    // "ms" before "m" and "s": the longest unit that ends the text.
    constexpr std::array<std::pair<std::string_view, std::int64_t>, 5> kUnits = {{
        {"ms", 1},
        {"s", 1000},
        {"m", 60 * 1000},
        {"h", 3600 * 1000},
        {"d", 24 * 3600 * 1000},
    }};
    for (const auto& [unit, scale] : kUnits) {
        if (text.size() <= unit.size() || text.substr(text.size() - unit.size()) != unit) {
            continue;
        }
        const std::string_view digits = text.substr(0, text.size() - unit.size());
        std::int64_t value = 0;
        for (const char c : digits) {
            if (c < '0' || c > '9') {
                return std::nullopt;
            }
            value = value * 10 + (c - '0');
            if (value * scale > kLongestMs) {
                return std::nullopt;
            }
        }
        return milliseconds(value * scale);
    }
    return std::nullopt;
}

}  // namespace kestrova
