#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>

#include "text/Convert.h"
#include "text/DateTimeOps.h"
#include "text/Gbk.h"

namespace kestrova {
namespace {

struct Fields {
    int year, month, day, hour, minute, second;
};

void ExpectFields(DateTime value, const Fields& f) {
    const DateFields got = SplitDateTime(value);
    EXPECT_EQ(got.year, f.year);
    EXPECT_EQ(got.month, f.month);
    EXPECT_EQ(got.day, f.day);
    EXPECT_EQ(got.hour, f.hour);
    EXPECT_EQ(got.minute, f.minute);
    EXPECT_EQ(got.second, f.second);
}

struct AutomationCase {
    Fields fields;
    double days;
};

class AutomationDateTest : public ::testing::TestWithParam<AutomationCase> {};

TEST_P(AutomationDateTest, MakesAndSplits) {
    const AutomationCase& c = GetParam();
    const Fields& f = c.fields;
    EXPECT_EQ(MakeDateTime(f.year, f.month, f.day, f.hour, f.minute, f.second).days, c.days);
    ExpectFields(DateTime{c.days}, f);
}

// Before 1899-12-30 the integer part counts days backwards while the fraction
// still counts the time of day forwards.
INSTANTIATE_TEST_SUITE_P(Cases, AutomationDateTest,
                         ::testing::Values(AutomationCase{{1899, 12, 30, 0, 0, 0}, 0.0},
                                           AutomationCase{{1899, 12, 30, 12, 0, 0}, 0.5},
                                           AutomationCase{{1899, 12, 31, 6, 0, 0}, 1.25},
                                           AutomationCase{{1899, 12, 29, 0, 0, 0}, -1.0},
                                           AutomationCase{{1899, 12, 29, 6, 0, 0}, -1.25},
                                           AutomationCase{{1899, 12, 29, 18, 0, 0}, -1.75},
                                           AutomationCase{{1899, 12, 28, 12, 0, 0}, -2.5},
                                           AutomationCase{{1900, 1, 1, 0, 0, 0}, 2.0},
                                           AutomationCase{{1900, 3, 1, 0, 0, 0}, 61.0},
                                           AutomationCase{{2009, 3, 7, 0, 0, 0}, 39879.0},
                                           AutomationCase{{2024, 1, 1, 0, 0, 0}, 45292.0},
                                           AutomationCase{{100, 1, 1, 0, 0, 0}, -657434.0},
                                           AutomationCase{{100, 1, 1, 12, 0, 0}, -657434.5},
                                           AutomationCase{{9999, 12, 31, 0, 0, 0}, 2958465.0}));

TEST(AutomationDateTest, NegativeFractionBelowOneDayIsTheEpochDay) {
    ExpectFields(DateTime{-0.25}, {1899, 12, 30, 6, 0, 0});
}

TEST(AutomationDateTest, EverySecondOfADaySurvivesTheDouble) {
    for (const double day : {39879.0, 0.0, -1.0, -657434.0, 2958465.0}) {
        for (int s = 0; s < 86400; ++s) {
            const double fraction = s / 86400.0;
            const DateFields f = SplitDateTime(DateTime{day < 0 ? day - fraction : day + fraction});
            ASSERT_EQ(f.hour * 3600 + f.minute * 60 + f.second, s) << day << " + " << s;
        }
    }
}

TEST(AutomationDateTest, RoundingPastMidnightMovesToTheNextDay) {
    ExpectFields(DateTime{39879.9999999}, {2009, 3, 8, 0, 0, 0});
    ExpectFields(DateTime{-1.9999999}, {1899, 12, 30, 0, 0, 0});
}

TEST(AutomationDateTest, WeekdaysFromSunday) {
    EXPECT_EQ(SplitDateTime(MakeDateTime(2009, 3, 7)).weekday, 6);  // Saturday
    EXPECT_EQ(SplitDateTime(MakeDateTime(2009, 3, 8)).weekday, 0);
    EXPECT_EQ(SplitDateTime(MakeDateTime(2024, 1, 1)).weekday, 1);
    EXPECT_EQ(SplitDateTime(DateTime{-1.5}).weekday, 5);  // 1899-12-29, a Friday
    EXPECT_EQ(SplitDateTime(kMinDateTime).weekday, 5);    // 100-01-01, a Friday
}

TEST(MakeDateTimeTest, FieldsCarryOverAndResultClamps) {
    EXPECT_EQ(MakeDateTime(2008, 13, 1), MakeDateTime(2009, 1, 1));
    EXPECT_EQ(MakeDateTime(2009, 0, 1), MakeDateTime(2008, 12, 1));
    EXPECT_EQ(MakeDateTime(2009, 2, 29), MakeDateTime(2009, 3, 1));
    EXPECT_EQ(MakeDateTime(2009, 3, 7, 24), MakeDateTime(2009, 3, 8));
    EXPECT_EQ(MakeDateTime(2009, 3, 7, 0, 0, -1), MakeDateTime(2009, 3, 6, 23, 59, 59));
    EXPECT_EQ(MakeDateTime(99, 12, 31), kMinDateTime);
    EXPECT_EQ(MakeDateTime(-5000, 1, 1), kMinDateTime);
    EXPECT_EQ(MakeDateTime(10000, 1, 1), kMaxDateTime);
    EXPECT_EQ(MakeDateTime(2147483647, 12, 31, 23, 59, 59), kMaxDateTime);
}

TEST(SplitDateTimeTest, OutOfRangeValuesClamp) {
    ExpectFields(DateTime{-1e9}, {100, 1, 1, 0, 0, 0});
    ExpectFields(DateTime{1e9}, {9999, 12, 31, 0, 0, 0});
    ExpectFields(DateTime{std::numeric_limits<double>::quiet_NaN()}, {100, 1, 1, 0, 0, 0});
    ExpectFields(DateTime{-std::numeric_limits<double>::infinity()}, {100, 1, 1, 0, 0, 0});
}

struct ParseCase {
    const char* text;  // UTF-8, converted to GBK
    bool parses;
    Fields fields;
};

class ToDateTimeTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ToDateTimeTest, Parses) {
    const ParseCase& c = GetParam();
    const DateTime got = ToDateTime(Gbk(c.text));
    if (!c.parses) {
        EXPECT_EQ(got, kMinDateTime) << c.text;
        return;
    }
    const Fields& f = c.fields;
    EXPECT_EQ(got, MakeDateTime(f.year, f.month, f.day, f.hour, f.minute, f.second)) << c.text;
}

constexpr Fields kNone{};

INSTANTIATE_TEST_SUITE_P(
    Valid, ToDateTimeTest,
    ::testing::Values(ParseCase{"2009-03-07", true, {2009, 3, 7, 0, 0, 0}},
                      ParseCase{"2009-3-7", true, {2009, 3, 7, 0, 0, 0}},
                      ParseCase{"2009/3/7 14:05", true, {2009, 3, 7, 14, 5, 0}},
                      ParseCase{"2009.03.07 14:05:09", true, {2009, 3, 7, 14, 5, 9}},
                      ParseCase{"2009年3月7日14时5分9秒", true, {2009, 3, 7, 14, 5, 9}},
                      ParseCase{"2009年3月7日", true, {2009, 3, 7, 0, 0, 0}},
                      ParseCase{"2009年3月7日14时", true, {2009, 3, 7, 14, 0, 0}},
                      ParseCase{"2009:3:7:14:5:9", true, {2009, 3, 7, 14, 5, 9}},
                      ParseCase{"2009-3-7-14-5-9", true, {2009, 3, 7, 14, 5, 9}},
                      ParseCase{"2009/3/7/14/5/9", true, {2009, 3, 7, 14, 5, 9}},
                      ParseCase{"2009.3.7.14.5.9", true, {2009, 3, 7, 14, 5, 9}},
                      ParseCase{"2009-03-07 14:05:09秒", true, {2009, 3, 7, 14, 5, 9}},
                      ParseCase{"2009-03-07 23:59:59", true, {2009, 3, 7, 23, 59, 59}},
                      ParseCase{"2009-03-07 ", true, {2009, 3, 7, 0, 0, 0}},
                      ParseCase{"2009-03-07日", true, {2009, 3, 7, 0, 0, 0}},
                      // The second is optional before 秒, and what follows 秒 is not read.
                      ParseCase{"2009-03-07 14:05秒", true, {2009, 3, 7, 14, 5, 0}},
                      ParseCase{"2009年3月7日14时5分9秒xyz", true, {2009, 3, 7, 14, 5, 9}},
                      // Fields are read by width, so fused digits split too.
                      ParseCase{"20090307", true, {2009, 3, 7, 0, 0, 0}},
                      ParseCase{"２００９－０３－０７　１４：０５", true, {2009, 3, 7, 14, 5, 0}},
                      ParseCase{"2000-02-29", true, {2000, 2, 29, 0, 0, 0}},
                      ParseCase{"2008-02-29", true, {2008, 2, 29, 0, 0, 0}},
                      ParseCase{"100-01-01", true, {100, 1, 1, 0, 0, 0}},
                      ParseCase{"9999-12-31", true, {9999, 12, 31, 0, 0, 0}},
                      ParseCase{"1899-12-29 06:00", true, {1899, 12, 29, 6, 0, 0}}));

INSTANTIATE_TEST_SUITE_P(
    Invalid, ToDateTimeTest,
    ::testing::Values(
        ParseCase{"abc", false, kNone}, ParseCase{"", false, kNone},
        ParseCase{"2009", false, kNone}, ParseCase{"2009-03", false, kNone},
        ParseCase{"2009-13-01", false, kNone}, ParseCase{"2009-00-10", false, kNone},
        ParseCase{"2009-03-00", false, kNone}, ParseCase{"2009-04-31", false, kNone},
        ParseCase{"2009-02-29", false, kNone}, ParseCase{"1900-02-29", false, kNone},
        ParseCase{"2009-02-30", false, kNone}, ParseCase{"2009-03-07 24:00", false, kNone},
        ParseCase{"2009-03-07 23:60", false, kNone}, ParseCase{"2009-03-07 23:59:60", false, kNone},
        ParseCase{"0099-12-31", false, kNone}, ParseCase{" 2009-03-07", false, kNone},
        ParseCase{"2009-03-07abc", false, kNone}, ParseCase{"2009-03-07 14:05:09 ", false, kNone},
        ParseCase{"2009-03-07 14:05:09x", false, kNone},
        ParseCase{"2009-03-07 14:05:09分", false, kNone},
        // Each separator belongs to its field: a space only after
        // the day, and only one separator.
        ParseCase{"2009-03-07 14 05", false, kNone}, ParseCase{"2009 03 07", false, kNone},
        ParseCase{"2009年03月07日 14时", false, kNone}, ParseCase{"2009--03-07", false, kNone},
        ParseCase{"2009月3年7日", false, kNone}, ParseCase{"10000-01-01", false, kNone}));

TEST(NowTimeTest, IsTheLocalClock) {
    const std::time_t before = std::time(nullptr);
    const DateTime now = NowTime();
    const std::time_t after = std::time(nullptr);
    std::tm local{};
    localtime_r(&before, &local);
    const DateTime expectedBefore =
        MakeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                     local.tm_min, local.tm_sec);
    localtime_r(&after, &local);
    const DateTime expectedAfter =
        MakeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                     local.tm_min, local.tm_sec);
    EXPECT_GE(now.days, expectedBefore.days);
    EXPECT_LE(now.days, expectedAfter.days);
}

struct DifferenceCase {
    DateTime time1;
    DateTime time2;
    int unit;
    double expected;
};

class TimeDifferenceTest : public ::testing::TestWithParam<DifferenceCase> {};

TEST_P(TimeDifferenceTest, InUnit) {
    const DifferenceCase& c = GetParam();
    EXPECT_DOUBLE_EQ(TimeDifference(c.time1, c.time2, c.unit), c.expected)
        << GbkToUtf8(ToText(c.time1)) << " - " << GbkToUtf8(ToText(c.time2)) << " unit " << c.unit;
}

DateTime Day(int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return MakeDateTime(2009, month, day, hour, minute, second);
}

// March 2009: the 7th is a Saturday, the 8th a Sunday, the 9th a Monday.
INSTANTIATE_TEST_SUITE_P(
    Calendar, TimeDifferenceTest,
    ::testing::Values(
        DifferenceCase{MakeDateTime(2010, 1, 1), MakeDateTime(2009, 12, 31), 1, 1},
        DifferenceCase{MakeDateTime(2009, 12, 31), MakeDateTime(2010, 1, 1), 1, -1},
        DifferenceCase{MakeDateTime(2009, 12, 31), MakeDateTime(2009, 1, 1), 1, 0},
        DifferenceCase{MakeDateTime(2010, 4, 1), MakeDateTime(2009, 12, 31), 2, 2},
        DifferenceCase{MakeDateTime(2009, 3, 31), MakeDateTime(2009, 1, 1), 2, 0},
        DifferenceCase{MakeDateTime(2009, 1, 1), MakeDateTime(2009, 12, 31), 2, -3},
        DifferenceCase{MakeDateTime(2010, 1, 1), MakeDateTime(2009, 12, 31), 3, 1},
        DifferenceCase{MakeDateTime(2009, 1, 31), MakeDateTime(2010, 3, 1), 3, -14},
        // Weeks: whole weeks of days, plus a crossed week boundary (Sunday).
        DifferenceCase{Day(3, 9), Day(3, 7), 4, 1},   // Mon after Sat
        DifferenceCase{Day(3, 7), Day(3, 9), 4, -1},  // Sat before Mon
        DifferenceCase{Day(3, 8), Day(3, 7), 4, 1},   // Sun after Sat
        DifferenceCase{Day(3, 7), Day(3, 8), 4, -1},
        DifferenceCase{Day(3, 14), Day(3, 8), 4, 0},  // Sat after Sun, same week
        DifferenceCase{Day(3, 8), Day(3, 14), 4, 0},
        DifferenceCase{Day(3, 16), Day(3, 8), 4, 1},  // Mon after Sun, 8 days
        DifferenceCase{Day(3, 8), Day(3, 16), 4, -1},
        DifferenceCase{Day(3, 21), Day(3, 7), 4, 2},  // Sat to Sat
        DifferenceCase{Day(3, 7), Day(3, 21), 4, -2},
        DifferenceCase{Day(3, 22), Day(3, 7), 4, 3},  // Sun after Sat, 15 days
        DifferenceCase{Day(3, 7), Day(3, 22), 4, -3},
        DifferenceCase{Day(3, 11, 23), Day(3, 11, 1), 4, 0},
        // Days keep their fraction.
        DifferenceCase{Day(3, 8, 12), Day(3, 7), 5, 1.5},
        DifferenceCase{Day(3, 7), Day(3, 8, 12), 5, -1.5},
        DifferenceCase{MakeDateTime(1899, 12, 30, 6), MakeDateTime(1899, 12, 29, 18), 5, 0.5},
        // Hours, minutes and seconds are truncated after a small addend.
        DifferenceCase{Day(3, 7, 14, 5, 9), Day(3, 7, 12, 5, 9), 6, 2},
        DifferenceCase{Day(3, 7, 14, 5, 8), Day(3, 7, 12, 5, 9), 6, 1},
        DifferenceCase{Day(3, 7, 0, 1, 30), Day(3, 7), 7, 1},
        DifferenceCase{Day(3, 7, 14, 5, 9), Day(3, 7, 14, 5, 0), 8, 9},
        DifferenceCase{Day(3, 8), Day(3, 7), 8, 86400},
        DifferenceCase{MakeDateTime(1899, 12, 30, 6), MakeDateTime(1899, 12, 29, 18), 6, 12},
        // The addend is not mirrored for negative differences: a whole
        // negative amount loses one.
        DifferenceCase{Day(3, 7), Day(3, 8), 6, -23},
        DifferenceCase{Day(3, 7), Day(3, 7, 0, 0, 9), 8, -8},
        // Units outside 1-8 clamp.
        DifferenceCase{MakeDateTime(2011, 5, 1), MakeDateTime(2009, 1, 1), 0, 2},
        DifferenceCase{MakeDateTime(2011, 5, 1), MakeDateTime(2009, 1, 1), -3, 2},
        DifferenceCase{Day(3, 7, 0, 0, 9), Day(3, 7), 9, 9},
        DifferenceCase{Day(3, 7, 0, 0, 9), Day(3, 7), 100, 9}));

TEST(TimeDifferenceTest, EqualTimesGiveZeroInEveryUnit) {
    for (const DateTime t : {Day(3, 7, 14, 5, 9), DateTime{-1.25}, kMinDateTime}) {
        for (int unit = 1; unit <= 8; ++unit) {
            EXPECT_EQ(TimeDifference(t, t, unit), 0.0) << "unit " << unit;
        }
    }
}

TEST(TimeDifferenceTest, NowAgainstMinimumDateIsAboutSevenHundredThousandDays) {
    const double days = TimeDifference(NowTime(), kMinDateTime, 5);
    EXPECT_GT(days, 690000.0);
    EXPECT_LT(days, 720000.0);
}

TEST(TimeDifferenceTest, AccountAgeFromParsedDate) {
    const DateTime registered = ToDateTime(Gbk("2009-03-07"));
    EXPECT_DOUBLE_EQ(TimeDifference(Day(3, 17, 6), registered, 5), 10.25);
}

}  // namespace
}  // namespace kestrova
