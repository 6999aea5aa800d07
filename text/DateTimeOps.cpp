#include "text/DateTimeOps.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ctime>

#include "text/Convert.h"
#include "text/Gbk.h"

namespace kestrova {

namespace {

// Automation dates keep the date in the integer part and the time of day in
// the fraction, taken as an absolute value: before 1899-12-30 the value is
// negative, so -1.25 is 1899-12-29 06:00 and -0.5 is 1899-12-30 12:00. Plain
// arithmetic therefore only works on the "linear" count of days, which runs
// straight through.
constexpr std::int64_t kMinDay = -657434;  // 100-01-01
constexpr std::int64_t kMaxDay = 2958465;  // 9999-12-31
constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kEpochOffset = 25569;  // 1899-12-30 .. 1970-01-01

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// Days since 1970-01-01 in the proleptic Gregorian calendar (any year).
std::int64_t DaysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = FloorDiv(year, 400);
    const std::int64_t yoe = year - era * 400;
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = FloorDiv(days, 146097);
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The date part (whole days since 1899-12-30) and the time of day in whole
// seconds, rounded to the nearest second so that 14:05:09 stored as a double
// never prints as 14:05:08. Out-of-range values clamp to the valid ends.
struct DayAndSecond {
    std::int64_t day;
    std::int64_t second;
};

DayAndSecond Decompose(DateTime value) {
    const double v = value.days;
    const double whole = std::trunc(v);
    if (std::isnan(v) || whole < static_cast<double>(kMinDay)) {
        return {kMinDay, 0};
    }
    if (whole > static_cast<double>(kMaxDay)) {
        return {kMaxDay, 0};
    }
    auto day = static_cast<std::int64_t>(whole);
    std::int64_t second = std::llround(std::fabs(v - whole) * kSecondsPerDay);
    if (second >= kSecondsPerDay) {
        if (day < kMaxDay) {
            ++day;
            second -= kSecondsPerDay;
        } else {
            second = kSecondsPerDay - 1;
        }
    }
    return {day, second};
}

// The linear count of days: date plus time of day, running straight through
// 1899-12-30.
double LinearDays(DateTime value) {
    const DayAndSecond parts = Decompose(value);
    const double v = value.days;
    const double whole = std::trunc(v);
    if (whole >= static_cast<double>(kMinDay) && whole <= static_cast<double>(kMaxDay)) {
        return whole + std::fabs(v - whole);  // keeps the sub-second fraction
    }
    return static_cast<double>(parts.day) +
           static_cast<double>(parts.second) / static_cast<double>(kSecondsPerDay);
}

DateTime FromDayAndSecond(std::int64_t day, std::int64_t second) {
    if (day < kMinDay) {
        return kMinDateTime;
    }
    if (day > kMaxDay) {
        return kMaxDateTime;
    }
    const double fraction = static_cast<double>(second) / static_cast<double>(kSecondsPerDay);
    const double whole = static_cast<double>(day);
    return DateTime{day < 0 ? whole - fraction : whole + fraction};
}

// --- parsing ---

class DateReader {
  public:
    explicit DateReader(TextView text) : text_(text) {}

    int Digits(int maxDigits) {
        int value = 0;
        for (int n = 0;
             n < maxDigits && pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9';
             ++n) {
            value = value * 10 + (text_[pos_++] - '0');
        }
        return value;
    }

    // Skips one of the single-byte separators or the GBK word, if present.
    void Separator(TextView singles, const Text& word) {
        if (pos_ < text_.size() && singles.find(text_[pos_]) != TextView::npos) {
            ++pos_;
        } else if (text_.substr(pos_, word.size()) == word) {
            pos_ += word.size();
        }
    }

    bool AtEndOr(const Text& word) const {
        return pos_ == text_.size() || text_.substr(pos_, word.size()) == word;
    }

  private:
    TextView text_;
    std::size_t pos_ = 0;
};

}  // namespace

DateTime ToDateTime(TextView text) {
    static const Text kYear = Gbk("年");
    static const Text kMonth = Gbk("月");
    static const Text kDay = Gbk("日");
    static const Text kHour = Gbk("时");
    static const Text kMinute = Gbk("分");
    static const Text kSecond = Gbk("秒");

    const Text folded = FoldFullWidth(text);
    DateReader reader(folded);
    const int year = reader.Digits(4);
    reader.Separator("-./:", kYear);
    const int month = reader.Digits(2);
    reader.Separator("-./:", kMonth);
    const int day = reader.Digits(2);
    reader.Separator(" -./:", kDay);
    const int hour = reader.Digits(2);
    reader.Separator("-./:", kHour);
    const int minute = reader.Digits(2);
    reader.Separator("-./:", kMinute);
    const int second = reader.Digits(2);
    // Whatever follows the word for seconds is not looked at.
    if (!reader.AtEndOr(kSecond)) {
        return kMinDateTime;
    }
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month) || hour > 23 || minute > 59 || second > 59) {
        return kMinDateTime;
    }
    return MakeDateTime(year, month, day, hour, minute, second);
}

DateTime MakeDateTime(int year, int month, int day, int hour, int minute, int second) {
    // Fields outside their ranges carry over (month 13 is January of the next
    // year, second -1 the last second of the day before), as mktime does.
    const std::int64_t months = static_cast<std::int64_t>(month) - 1;
    const std::int64_t y = static_cast<std::int64_t>(year) + FloorDiv(months, 12);
    const std::int64_t m = months - FloorDiv(months, 12) * 12 + 1;
    std::int64_t days = DaysFromCivil(y, m, 1) + kEpochOffset + day - 1;
    std::int64_t seconds =
        static_cast<std::int64_t>(hour) * 3600 + static_cast<std::int64_t>(minute) * 60 + second;
    days += FloorDiv(seconds, kSecondsPerDay);
    seconds -= FloorDiv(seconds, kSecondsPerDay) * kSecondsPerDay;
    return FromDayAndSecond(days, seconds);
}

DateFields SplitDateTime(DateTime value) {
    const DayAndSecond parts = Decompose(value);
    DateFields fields{};
    CivilFromDays(parts.day - kEpochOffset, fields.year, fields.month, fields.day);
    fields.hour = static_cast<int>(parts.second / 3600);
    fields.minute = static_cast<int>(parts.second / 60 % 60);
    fields.second = static_cast<int>(parts.second % 60);
    // 1899-12-30 (day 0) was a Saturday.
    fields.weekday = static_cast<int>((parts.day % 7 + 13) % 7);
    return fields;
}

DateTime NowTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return MakeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                        local.tm_min, std::min(local.tm_sec, 59));
}

double TimeDifference(DateTime time1, DateTime time2, int unit) {
    unit = std::clamp(unit, 1, 8);
    const double d = LinearDays(time1) - LinearDays(time2);
    switch (unit) {
        case 1:
        case 2:
        case 3: {
            const DateFields a = SplitDateTime(time1);
            const DateFields b = SplitDateTime(time2);
            if (unit == 1) {
                return a.year - b.year;
            }
            if (unit == 2) {
                return (a.year - b.year) * 4 + (a.month - 1) / 3 - (b.month - 1) / 3;
            }
            return (a.year - b.year) * 12 + a.month - b.month;
        }
        case 4: {
            auto weeks = static_cast<std::int64_t>(std::trunc(d)) / 7;
            const int weekday1 = SplitDateTime(time1).weekday;
            const int weekday2 = SplitDateTime(time2).weekday;
            if (d > 0 && weekday1 < weekday2) {
                ++weeks;
            } else if (d < 0 && weekday1 > weekday2) {
                --weeks;
            }
            return static_cast<double>(weeks);
        }
        case 5:
            return d;
        default: {
            // The small addend (half a second in days) is applied to hours and
            // minutes as well, and in the same direction for negative
            // differences; it guards against 0.99999... from the subtraction.
            const double perDay = unit == 6 ? 24.0 : (unit == 7 ? 1440.0 : 86400.0);
            return std::trunc(d * perDay + 5.787037037037037e-6);
        }
    }
}

}  // namespace kestrova
