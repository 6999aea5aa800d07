#include <gtest/gtest.h>

#include <climits>

#include "text/Build.h"
#include "text/Gbk.h"

namespace kestrova {
namespace {

TEST(ConcatTextTest, JoinsInOrderWithEmptyParts) {
    EXPECT_EQ(ConcatText({}), "");
    EXPECT_EQ(ConcatText({"", "a", "", "bc", ""}), "abc");
    EXPECT_EQ(ConcatText({Gbk("中"), "-", Gbk("文")}), Gbk("中-文"));
}

struct CompareCase {
    Text a;
    Text b;
    int expected;
};

class CompareTextTest : public ::testing::TestWithParam<CompareCase> {};

TEST_P(CompareTextTest, OrdersBytesUnsigned) {
    const CompareCase& c = GetParam();
    EXPECT_EQ(CompareText(c.a, c.b), c.expected) << c.a << " vs " << c.b;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompareTextTest,
    ::testing::Values(CompareCase{"", "", 0}, CompareCase{"abc", "abc", 0},
                      CompareCase{"a", "b", -1}, CompareCase{"b", "a", 1},
                      CompareCase{"ab", "abc", -1}, CompareCase{"abc", "ab", 1},
                      CompareCase{"", "a", -1}, CompareCase{"zzzz", "zzzzzzzzzz", -1},
                      // 0x80 and above sort after ASCII.
                      CompareCase{"\x80", "a", 1}, CompareCase{"a", "\xD6\xD0", -1},
                      CompareCase{"\xD6\xD0", "\xD6\xD1", -1}, CompareCase{"\xFF", "\x7F", 1}));

TEST(CharFromCodeTest, TakesTheLowByte) {
    EXPECT_EQ(CharFromCode(9), "\t");
    EXPECT_EQ(CharFromCode(10), "\n");
    EXPECT_EQ(CharFromCode(13), "\r");
    EXPECT_EQ(CharFromCode(65), "A");
    EXPECT_EQ(CharFromCode(255), "\xFF");
    EXPECT_EQ(CharFromCode(256 + 65), "A");
    EXPECT_EQ(CharFromCode(-1), "\xFF");
    // A text never holds a zero byte.
    EXPECT_EQ(CharFromCode(0), "");
    EXPECT_EQ(CharFromCode(256), "");
}

struct CharCodeCase {
    Text text;
    int position;
    int expected;
};

class CharCodeTest : public ::testing::TestWithParam<CharCodeCase> {};

TEST_P(CharCodeTest, GivesSignedByte) {
    const CharCodeCase& c = GetParam();
    EXPECT_EQ(CharCode(c.text, c.position), c.expected) << c.text << " @" << c.position;
}

INSTANTIATE_TEST_SUITE_P(Cases, CharCodeTest,
                         ::testing::Values(CharCodeCase{"A", 1, 65}, CharCodeCase{"abc", 3, 99},
                                           // 中 is D6 D0.
                                           CharCodeCase{"\xD6\xD0", 1, -42},
                                           CharCodeCase{"\xD6\xD0", 2, -48},
                                           CharCodeCase{"\x80", 1, -128},
                                           CharCodeCase{"\xFF", 1, -1},
                                           CharCodeCase{"\x7F", 1, 127}, CharCodeCase{"abc", 0, 0},
                                           CharCodeCase{"abc", -1, 0}, CharCodeCase{"abc", 4, 0},
                                           CharCodeCase{"", 1, 0}));

TEST(CharCodeTest, DefaultsToFirstByte) {
    EXPECT_EQ(CharCode(Gbk("中")), -42);
}

TEST(SpaceTextTest, MakesSpaces) {
    EXPECT_EQ(SpaceText(3), "   ");
    EXPECT_EQ(SpaceText(1), " ");
    EXPECT_EQ(SpaceText(0), "");
    EXPECT_EQ(SpaceText(-4), "");
}

struct HexCase {
    std::int32_t value;
    Text expected;
};

class ToHexTextTest : public ::testing::TestWithParam<HexCase> {};

TEST_P(ToHexTextTest, PrintsUpperCaseWithoutLeadingZeros) {
    EXPECT_EQ(ToHexText(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ToHexTextTest,
                         ::testing::Values(HexCase{0, "0"}, HexCase{9, "9"}, HexCase{10, "A"},
                                           HexCase{255, "FF"}, HexCase{0x1A2B, "1A2B"},
                                           HexCase{0x10, "10"}, HexCase{INT_MAX, "7FFFFFFF"},
                                           HexCase{-1, "FFFFFFFF"}, HexCase{-255, "FFFFFF01"},
                                           HexCase{INT_MIN, "80000000"}));

}  // namespace
}  // namespace kestrova
