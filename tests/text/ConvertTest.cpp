#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "text/Convert.h"
#include "text/DateTimeOps.h"
#include "text/Gbk.h"

namespace kestrova {
namespace {

TEST(ToTextTest, Integers) {
    EXPECT_EQ(ToText(std::int32_t{0}), "0");
    EXPECT_EQ(ToText(std::int32_t{-42}), "-42");
    EXPECT_EQ(ToText(std::numeric_limits<std::int32_t>::min()), "-2147483648");
    EXPECT_EQ(ToText(std::numeric_limits<std::int64_t>::max()), "9223372036854775807");
    EXPECT_EQ(ToText(std::int64_t{-5}), "-5");
    EXPECT_EQ(ToText(std::uint8_t{255}), "255");
    EXPECT_EQ(ToText(std::uint8_t{0}), "0");
}

struct DoubleCase {
    double value;
    Text expected;
};

class ToTextDoubleTest : public ::testing::TestWithParam<DoubleCase> {};

TEST_P(ToTextDoubleTest, ThirteenSignificantDigits) {
    EXPECT_EQ(ToText(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ToTextDoubleTest,
                         ::testing::Values(DoubleCase{1.0, "1"}, DoubleCase{3.0, "3"},
                                           DoubleCase{0.0, "0"}, DoubleCase{0.1, "0.1"},
                                           DoubleCase{0.1 + 0.2, "0.3"}, DoubleCase{-2.5, "-2.5"},
                                           DoubleCase{1.0 / 3, "0.3333333333333"},
                                           DoubleCase{1234567890123.4, "1234567890123"},
                                           DoubleCase{123456789012345.0, "1.234567890123e+14"},
                                           DoubleCase{1e20, "1e+20"}, DoubleCase{1e-5, "1e-05"},
                                           DoubleCase{98.76, "98.76"}));

TEST(ToTextTest, FloatUsesSixDigits) {
    EXPECT_EQ(ToText(0.1f), "0.1");
    EXPECT_EQ(ToText(1.0f / 3), "0.333333");
    EXPECT_EQ(ToText(1234567.0f), "1.23457e+06");
}

TEST(ToTextTest, BoolIsChineseTrueOrFalse) {
    EXPECT_EQ(ToText(true), "\xD5\xE6");   // 真
    EXPECT_EQ(ToText(false), "\xBC\xD9");  // 假
}

TEST(ToTextTest, TextsAndBuffers) {
    EXPECT_EQ(ToText(TextView("abc")), "abc");
    EXPECT_EQ(ToText("abc"), "abc");
    EXPECT_EQ(ToText(static_cast<const char*>(nullptr)), "");
    EXPECT_EQ(ToText(ByteBuffer{'a', 'b', 0, 'c'}), "ab");
    EXPECT_EQ(ToText(ByteBuffer{0xD6, 0xD0, 'x'}), "\xD6\xD0x");
    EXPECT_EQ(ToText(ByteBuffer{0, 'a'}), "");
    EXPECT_EQ(ToText(ByteBuffer{}), "");
}

struct DateTextCase {
    int hour, minute, second;
    const char* expected;  // UTF-8
};

class ToTextDateTest : public ::testing::TestWithParam<DateTextCase> {};

TEST_P(ToTextDateTest, LeavesOutTrailingZeroParts) {
    const DateTextCase& c = GetParam();
    EXPECT_EQ(GbkToUtf8(ToText(MakeDateTime(2009, 3, 7, c.hour, c.minute, c.second))), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ToTextDateTest,
                         ::testing::Values(DateTextCase{14, 5, 9, "2009年3月7日14时5分9秒"},
                                           DateTextCase{14, 5, 0, "2009年3月7日14时5分"},
                                           DateTextCase{8, 0, 0, "2009年3月7日8时"},
                                           DateTextCase{0, 0, 0, "2009年3月7日"},
                                           DateTextCase{14, 0, 9, "2009年3月7日14时0分9秒"},
                                           DateTextCase{0, 5, 0, "2009年3月7日0时5分"},
                                           DateTextCase{0, 0, 1, "2009年3月7日0时0分1秒"},
                                           DateTextCase{23, 59, 59, "2009年3月7日23时59分59秒"}));

TEST(ToTextDateTest, RangeEnds) {
    EXPECT_EQ(GbkToUtf8(ToText(kMinDateTime)), "100年1月1日");
    EXPECT_EQ(GbkToUtf8(ToText(kMaxDateTime)), "9999年12月31日");
}

TEST(ToTextDateTest, RoundsStoredTimesToTheNearestSecond) {
    // 14:05:09 as a double is 0.58691... and just below the exact value.
    EXPECT_EQ(GbkToUtf8(ToText(DateTime{39879.0 + (14 * 3600 + 5 * 60 + 9) / 86400.0})),
              "2009年3月7日14时5分9秒");
    EXPECT_EQ(GbkToUtf8(ToText(DateTime{39879.0 + 0.9999999999})), "2009年3月8日");
}

struct NumberCase {
    Text text;
    double expected;
};

class ToNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ToNumberTest, ReadsLeadingDecimalNumber) {
    const NumberCase& c = GetParam();
    EXPECT_EQ(ToNumber(c.text), c.expected) << "text=" << c.text;
}

constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Cases, ToNumberTest,
    ::testing::Values(NumberCase{"12abc", 12}, NumberCase{"abc", 0}, NumberCase{"", 0},
                      NumberCase{"1e3", 1000}, NumberCase{"3.5%", 3.5}, NumberCase{"98.76", 98.76},
                      NumberCase{"-7", -7}, NumberCase{"+7", 7}, NumberCase{" \t\r\n 42", 42},
                      NumberCase{".5", 0.5}, NumberCase{"5.", 5}, NumberCase{".", 0},
                      NumberCase{"-", 0}, NumberCase{"+-1", 0}, NumberCase{"- 1", 0},
                      NumberCase{"1e", 1}, NumberCase{"1e+", 1}, NumberCase{"1ex", 1},
                      NumberCase{"1E-2", 0.01}, NumberCase{"2.5e+1x", 25}, NumberCase{"00012", 12},
                      NumberCase{"1,000", 1}, NumberCase{"1.2.3", 1.2},
                      // Only the decimal form: no hexadecimal, infinity or NaN words.
                      NumberCase{"inf", 0}, NumberCase{"-inf", 0}, NumberCase{"infinity", 0},
                      NumberCase{"nan", 0}, NumberCase{"0x1A", 0}, NumberCase{"0x1p3", 0},
                      // Full-width digits, sign, point and space fold first.
                      NumberCase{"\xA3\xB1\xA3\xB2", 12}, NumberCase{"\xA3\xAD\xA3\xB3", -3},
                      NumberCase{"\xA3\xAB\xA3\xB3", 3},
                      NumberCase{"\xA3\xB1\xA3\xAE\xA3\xB5", 1.5},
                      NumberCase{"\xA1\xA1\xA3\xB5", 5},
                      NumberCase{"\xD6\xD0"
                                 "5",
                                 0},
                      // Out of range.
                      NumberCase{"1e999", kInf}, NumberCase{"-1e999", -kInf},
                      NumberCase{"1e-999", 0}, NumberCase{"123456789e400", kInf},
                      NumberCase{"0.0000001e-330", 0}, NumberCase{"0e99999", 0}));

TEST(ToNumberTest, OtherKinds) {
    EXPECT_EQ(ToNumber(true), 1.0);
    EXPECT_EQ(ToNumber(false), 0.0);
    EXPECT_EQ(ToNumber(std::int32_t{-3}), -3.0);
    EXPECT_EQ(ToNumber(2.5), 2.5);
    EXPECT_EQ(ToNumber("7"), 7.0);
    EXPECT_EQ(ToNumber(static_cast<const char*>(nullptr)), 0.0);
}

struct TruncateCase {
    double value;
    std::int32_t expected;
};

class TruncateToIntTest : public ::testing::TestWithParam<TruncateCase> {};

TEST_P(TruncateToIntTest, TruncatesThenKeepsLow32Bits) {
    EXPECT_EQ(TruncateToInt(GetParam().value), GetParam().expected) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TruncateToIntTest,
    ::testing::Values(
        TruncateCase{2.9, 2}, TruncateCase{-2.9, -2}, TruncateCase{0.99, 0}, TruncateCase{-0.99, 0},
        TruncateCase{2147483647.0, 2147483647}, TruncateCase{2147483648.0, -2147483647 - 1},
        TruncateCase{-2147483649.0, 2147483647}, TruncateCase{4294967296.0 + 5, 5},
        TruncateCase{-4294967296.0 - 5, -5}, TruncateCase{4294967295.9, -1},
        // The largest doubles inside the 64-bit range wrap...
        TruncateCase{9223372036854774784.0, -1024}, TruncateCase{-9223372036854775808.0, 0},
        // ...beyond it, and for NaN, the result is 0.
        TruncateCase{9223372036854775808.0, 0}, TruncateCase{1e19, 0}, TruncateCase{-1e19, 0},
        TruncateCase{1e300, 0}, TruncateCase{std::numeric_limits<double>::infinity(), 0},
        TruncateCase{-std::numeric_limits<double>::infinity(), 0},
        TruncateCase{std::numeric_limits<double>::quiet_NaN(), 0}));

TEST(ToBytesTest, TextBytesWithoutTerminator) {
    EXPECT_EQ(ToBytes(""), ByteBuffer{});
    EXPECT_EQ(ToBytes("ab"), (ByteBuffer{'a', 'b'}));
    EXPECT_EQ(ToBytes("\xD6\xD0"), (ByteBuffer{0xD6, 0xD0}));
}

struct FoldCase {
    Text text;
    Text expected;
};

class FoldFullWidthTest : public ::testing::TestWithParam<FoldCase> {};

TEST_P(FoldFullWidthTest, FoldsCharactersWithSingleByteForms) {
    EXPECT_EQ(FoldFullWidth(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FoldFullWidthTest,
    ::testing::Values(FoldCase{"\xA3\xB0\xA3\xB9", "09"}, FoldCase{"\xA3\xC1\xA3\xE1", "Aa"},
                      FoldCase{"\xA3\xA1", "!"}, FoldCase{"\xA3\xFE", "~"},
                      FoldCase{"\xA1\xA1", " "}, FoldCase{"\xA1\xAB", "~"},
                      FoldCase{"\xA1\xEE\xA1\xEF", "**"},
                      // Other characters stay, including A3 A0 just below the range.
                      FoldCase{"\xD6\xD0", "\xD6\xD0"}, FoldCase{"\xA3\xA0", "\xA3\xA0"},
                      FoldCase{"\xA1\xA2", "\xA1\xA2"}, FoldCase{"abc", "abc"},
                      // Character stepping: B0 A3 is one character, and the A3 B1
                      // that a byte-wise scan would see across it is not "1".
                      FoldCase{"\xB0\xA3\xB1"
                               "x",
                               "\xB0\xA3\xB1x"},
                      FoldCase{"\xB0\xA3\xA3\xB1",
                               "\xB0\xA3"
                               "1"},
                      FoldCase{"\xA3", "\xA3"}));

}  // namespace
}  // namespace kestrova
