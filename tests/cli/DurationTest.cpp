// Durations as --skip-fresh and --backoff take them: a whole number and one
// unit, nothing around it, at most a year.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "cli/batch/Duration.h"

namespace kestrova {
namespace {

using std::chrono::milliseconds;

TEST(Duration, TakesAWholeNumberAndOneUnitAndNothingElse) {
    constexpr std::int64_t kDay = 24 * 3600 * 1000;
    const std::pair<std::string, std::optional<std::int64_t>> cases[] = {
        {"30m", 30 * 60 * 1000},
        {"12h", 12 * 3600 * 1000},
        {"2d", 2 * kDay},
        {"45s", 45 * 1000},
        {"250ms", 250},
        {"007m", 7 * 60 * 1000},
        // Zero is a duration; whether an option takes it is the option's.
        {"0m", 0},
        // The longest: a year of 366 days, in every unit, and a step past it.
        {"366d", 366 * kDay},
        {"8784h", 366 * kDay},
        {"31622400000ms", 366 * kDay},
        {"367d", std::nullopt},
        {"8785h", std::nullopt},
        {"31622400001ms", std::nullopt},
        {"99999999999999999999999d", std::nullopt},
        // No unit, no number, a unit we do not know or in capitals.
        {"30", std::nullopt},
        {"0", std::nullopt},
        {"", std::nullopt},
        {"m", std::nullopt},
        {"ms", std::nullopt},
        {"2w", std::nullopt},
        {"30M", std::nullopt},
        {"30mm", std::nullopt},
        {"1h30m", std::nullopt},
        // Signs, fractions, exponents and spaces anywhere.
        {"-5m", std::nullopt},
        {"+5m", std::nullopt},
        {"1.5h", std::nullopt},
        {"1e3s", std::nullopt},
        {" 30m", std::nullopt},
        {"30 m", std::nullopt},
        {"30m ", std::nullopt},
        {std::string("30m\0", 4), std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        const std::optional<milliseconds> parsed = ParseDuration(text);
        EXPECT_EQ(parsed.has_value(), expected.has_value()) << '"' << text << '"';
        if (parsed && expected) {
            EXPECT_EQ(parsed->count(), *expected) << '"' << text << '"';
        }
    }
}

}  // namespace
}  // namespace kestrova
