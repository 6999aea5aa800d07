#pragma once
// Dates and times as automation dates.

#include "text/Text.h"

namespace kestrova {

inline constexpr DateTime kMinDateTime{-657434.0};  // 100-01-01 00:00:00
inline constexpr DateTime kMaxDateTime{2958465.0};  // 9999-12-31 00:00:00

// Parses "2009-03-07", "2009/3/7 14:05", "2009年3月7日14时5分9秒" ...; anything
// that does not parse gives kMinDateTime.
DateTime ToDateTime(TextView text);

// Builds a date from its fields. A field outside its range carries over into
// the next larger one (month 13 is January of the next year); a date outside
// the valid range clamps to kMinDateTime or kMaxDateTime.
DateTime MakeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

struct DateFields {
    int year, month, day, hour, minute, second;
    int weekday;  // 0 Sunday .. 6 Saturday
};
DateFields SplitDateTime(DateTime value);

// The current local date and time.
DateTime NowTime();

// time1 - time2 in the unit: 1 years, 2 quarters, 3 months, 4 weeks, 5 days
// (fractional), 6 hours, 7 minutes, 8 seconds. Units outside 1-8 clamp.
double TimeDifference(DateTime time1, DateTime time2, int unit);

}  // namespace kestrova
