#include <gtest/gtest.h>

#include <cctype>
#include <vector>

#include "text/Gbk.h"
#include "text/RuntimeFault.h"
#include "text/Search.h"

namespace kestrova {
namespace {

// 0x81 0x41 is one GBK character whose trail byte is the ASCII letter "A";
// 0x81 0x61 one whose trail byte is "a".
const Text kTrailA = "\x81\x41";
const Text kTrailLowerA = "\x81\x61";

struct FindCase {
    Text text;
    Text sought;
    int start;
    bool ignoreCase;
    int expected;
};

class FindTextTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindTextTest, FindsFirstOccurrenceAtCharacterBoundary) {
    const FindCase& c = GetParam();
    EXPECT_EQ(FindText(c.text, c.sought, c.start, c.ignoreCase), c.expected)
        << "text=" << c.text << " sought=" << c.sought << " start=" << c.start;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindTextTest,
    ::testing::Values(
        FindCase{"abcabc", "c", 1, false, 3}, FindCase{"abcabc", "c", 4, false, 6},
        FindCase{"abcabc", "c", 7, false, -1}, FindCase{"abcabc", "c", 0, false, 3},
        FindCase{"abcabc", "c", -5, false, 3}, FindCase{"abcabc", "abc", 2, false, 4},
        FindCase{"abcabc", "abcabcx", 1, false, -1}, FindCase{"", "c", 1, false, -1},
        FindCase{"", "", 1, false, -1}, FindCase{"abc", "", 1, false, 1},
        FindCase{"abc", "", 3, false, 1}, FindCase{"abc", "", 4, false, -1},
        FindCase{"xxab", "AB", 1, false, -1}, FindCase{"xxab", "AB", 1, true, 3},
        FindCase{"xxAB", "ab", 1, true, 3}, FindCase{"xxaB", "Ab", 1, true, 3},
        // Full-width letters (A3 C1 "Ａ", A3 E1 "ａ") are never folded.
        FindCase{"\xA3\xE1", "\xA3\xC1", 1, true, -1},
        // The trail byte of a double-byte character is not a match position...
        FindCase{kTrailA + "A", "A", 1, false, 3}, FindCase{kTrailA, "A", 1, false, -1},
        FindCase{"x" + kTrailA + "yA", "A", 1, false, 5},
        // ...but stepping counts from the start position, so a start on the
        // trail byte takes it as a character of its own.
        FindCase{kTrailA + "A", "A", 2, false, 2},
        // Folding never reaches a trail byte either.
        FindCase{kTrailLowerA, "A", 1, true, -1}, FindCase{kTrailLowerA + "a", "A", 1, true, 3},
        FindCase{"a" + kTrailA, kTrailA, 1, true, 2},
        FindCase{"a" + kTrailA, "\x81\x61", 1, true, -1},
        // A lead byte at the very end of the text.
        FindCase{"ab\xB0", "\xB0", 1, false, 3}, FindCase{"\xB0", "b", 1, false, -1}));

TEST(FindTextTest, ChineseMarkersFoundAtTheirBytePositions) {
    const Text page = Gbk("<li>注册时间：2009-03-07</li>");
    EXPECT_EQ(FindText(page, Gbk("注册时间：")), 5);
    EXPECT_EQ(FindText(page, "2009"), 15);
    EXPECT_EQ(FindText(page, Gbk("时间"), 5), 9);
    EXPECT_EQ(FindText(page, Gbk("时间"), 10), -1);
}

struct CutCase {
    const char* name;
    Text actual;
    Text expected;
};

class CutTest : public ::testing::TestWithParam<CutCase> {};

TEST_P(CutTest, CutsCountBytes) {
    EXPECT_EQ(GetParam().actual, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CutTest,
    ::testing::Values(
        CutCase{"mid window off the end", MidText("abcdef", 3, 999), "cdef"},
        CutCase{"mid exact end", MidText("abcdef", 6, 1), "f"},
        CutCase{"mid inside", MidText("abcdef", 2, 3), "bcd"},
        CutCase{"mid start 0", MidText("abc", 0, 2), ""},
        CutCase{"mid start after end", MidText("abc", 4, 2), ""},
        CutCase{"mid count 0", MidText("abc", 1, 0), ""},
        CutCase{"mid count negative", MidText("abc", 1, -1), ""},
        CutCase{"mid empty", MidText("", 1, 5), ""},
        CutCase{"mid huge count", MidText("abc", 2, 2147483647), "bc"},
        CutCase{"mid splits a character", MidText("\xD6\xD0\xCE\xC4", 2, 2), "\xD0\xCE"},
        CutCase{"left -1", LeftText("abc", -1), ""}, CutCase{"left 0", LeftText("abc", 0), ""},
        CutCase{"left 2", LeftText("abc", 2), "ab"},
        CutCase{"left beyond", LeftText("abc", 5), "abc"},
        CutCase{"right beyond", RightText("abc", 5), "abc"},
        CutCase{"right 2", RightText("abc", 2), "bc"}, CutCase{"right 0", RightText("abc", 0), ""},
        CutCase{"right -3", RightText("abc", -3), ""}),
    [](const ::testing::TestParamInfo<CutCase>& info) {
        std::string name;
        for (const char* p = info.param.name; *p; ++p) {
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        }
        return name;
    });

TEST(TextLengthTest, CountsBytes) {
    EXPECT_EQ(TextLength(""), 0);
    EXPECT_EQ(TextLength("abc"), 3);
    EXPECT_EQ(TextLength(Gbk("中文a")), 5);
}

struct ReplaceCase {
    Text text;
    Text sought;
    Text replacement;
    int start;
    int maxCount;
    bool caseSensitive;
    Text expected;
};

class ReplaceSubTextTest : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceSubTextTest, Replaces) {
    const ReplaceCase& c = GetParam();
    EXPECT_EQ(ReplaceSubText(c.text, c.sought, c.replacement, c.start, c.maxCount, c.caseSensitive),
              c.expected)
        << "text=" << c.text << " sought=" << c.sought;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceSubTextTest,
    ::testing::Values(ReplaceCase{"a b c", " ", "", 1, 1, true, "ab c"},
                      ReplaceCase{"a b c", " ", "", 1, kUnlimited, true, "abc"},
                      ReplaceCase{"a b c", " ", "", 6, kUnlimited, true, "a b c"},
                      ReplaceCase{"a b c", " ", "", 5, kUnlimited, true, "a b c"},
                      ReplaceCase{"a b c", " ", "", 3, kUnlimited, true, "a bc"},
                      ReplaceCase{"a b c", " ", "", 0, kUnlimited, true, "abc"},
                      ReplaceCase{"a b c", " ", "", 1, 0, true, "a b c"},
                      ReplaceCase{"a b c", " ", "", 1, -7, true, "abc"},
                      ReplaceCase{"a b c", "", "x", 1, kUnlimited, true, "a b c"},
                      ReplaceCase{"", "a", "x", 1, kUnlimited, true, ""},
                      // Replacements never overlap and are never searched again.
                      ReplaceCase{"aaa", "aa", "b", 1, kUnlimited, true, "ba"},
                      ReplaceCase{"aa", "a", "aa", 1, kUnlimited, true, "aaaa"},
                      ReplaceCase{"abab", "ab", "b", 1, kUnlimited, true, "bb"},
                      // Case-insensitive folds ASCII letters only.
                      ReplaceCase{"xAx", "a", "b", 1, kUnlimited, true, "xAx"},
                      ReplaceCase{"xAx", "a", "b", 1, kUnlimited, false, "xbx"},
                      ReplaceCase{"Location: /a", "location:", "", 1, 1, false, " /a"},
                      ReplaceCase{kTrailLowerA + "a", "A", "b", 1, kUnlimited, false,
                                  kTrailLowerA + "b"},
                      // Unmatched characters are stepped over whole.
                      ReplaceCase{kTrailA + "A", "A", "-", 1, kUnlimited, true, kTrailA + "-"},
                      ReplaceCase{"x\xB0", "y", "z", 1, kUnlimited, true, "x\xB0"},
                      ReplaceCase{"&nbsp;a&nbsp;", "&nbsp;", "", 1, 9, true, "a"},
                      ReplaceCase{"1 2 3 4", " ", "", 1, 2, true, "123 4"}));

TEST(ReplaceSubTextTest, DefaultsDeleteEveryOccurrenceIgnoringCase) {
    EXPECT_EQ(ReplaceSubText("aXbxc", "x"), "abc");
    EXPECT_EQ(ReplaceSubText(Gbk("卖 家 信 用"), " "), Gbk("卖家信用"));
}

struct SplitCase {
    Text text;
    Text delimiter;
    int maxPieces;
    std::vector<Text> expected;
};

class SplitTextTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTextTest, Splits) {
    const SplitCase& c = GetParam();
    EXPECT_EQ(SplitText(c.text, c.delimiter, c.maxPieces).Items(), c.expected)
        << "text=" << c.text << " delimiter=" << c.delimiter << " max=" << c.maxPieces;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitTextTest,
    ::testing::Values(
        SplitCase{"a,,b,", ",", kUnlimited, {"a", "", "b"}},
        SplitCase{"abc", ";", kUnlimited, {"abc"}}, SplitCase{"", ",", kUnlimited, {}},
        SplitCase{"", "", kUnlimited, {}}, SplitCase{"a,b", "", kUnlimited, {"a,b"}},
        SplitCase{"a,b", ",", 0, {}}, SplitCase{",", ",", kUnlimited, {""}},
        SplitCase{",a", ",", kUnlimited, {"", "a"}}, SplitCase{"a,b,c", ",", 2, {"a", "b"}},
        SplitCase{"a,b,c", ",", 1, {"a"}}, SplitCase{"a,b,c", ",", 3, {"a", "b", "c"}},
        SplitCase{"a,b,c", ",", 4, {"a", "b", "c"}}, SplitCase{"a,b,", ",", 2, {"a", "b"}},
        SplitCase{"a\r\nb\r\n", "\r\n", kUnlimited, {"a", "b"}},
        SplitCase{"headaucNumId1aucNumId2", "aucNumId", kUnlimited, {"head", "1", "2"}},
        // Exact bytes: no case folding.
        SplitCase{"aXbxc", "x", kUnlimited, {"aXb", "c"}},
        // A trail byte is not a delimiter position.
        SplitCase{"x" + kTrailA + "yAz", "A", kUnlimited, {"x" + kTrailA + "y", "z"}}));

// The pieces kept as places give what SplitText gives, every case of its
// table and a split of thousands read in any order; the index faults alike.
TEST_P(SplitTextTest, PlacesGiveTheSamePieces) {
    const SplitCase& c = GetParam();
    if (c.maxPieces != kUnlimited) {
        return;  // the array always splits the whole text
    }
    const PieceArray pieces = PieceArray::Split(c.text, c.delimiter);
    std::vector<Text> read;
    for (int k = 1; k <= pieces.Count(); ++k) {
        read.emplace_back(pieces.Piece(c.text, k));
    }
    EXPECT_EQ(read, c.expected);
}

TEST(PieceArray, ThousandsOfPiecesReadInAnyOrder) {
    Text text = "head";
    for (int i = 1; i <= 5000; ++i) {
        text += "aucNumId" + std::to_string(i % 7 == 0 ? 0 : i) + (i % 11 == 0 ? "" : "x");
    }
    text += "aucNumIdtail" + kTrailA + "aucNumId";  // a trailing key makes no piece
    const std::vector<Text> expected = SplitText(text, "aucNumId").Items();
    const PieceArray pieces = PieceArray::Split(text, "aucNumId");
    ASSERT_EQ(pieces.Count(), static_cast<int>(expected.size()));
    const auto expect = [&](int k) {
        EXPECT_EQ(Text(pieces.Piece(text, k)), expected[static_cast<std::size_t>(k - 1)]) << k;
    };
    for (int k = 1; k <= pieces.Count(); ++k) {
        expect(k);
    }
    for (int k : {pieces.Count(), 65, 64, 66, 1, 4000, 65, 5002, 3}) {
        expect(k);
    }
    EXPECT_THROW(pieces.Piece(text, 0), RuntimeFault);
    EXPECT_THROW(pieces.Piece(text, pieces.Count() + 1), RuntimeFault);
    EXPECT_EQ(PieceArray::Split("", "aucNumId").Count(), 0);
}

TEST(SplitTextTest, DefaultDelimiterIsComma) {
    EXPECT_EQ(SplitText("1,2").Items(), (std::vector<Text>{"1", "2"}));
}

struct TrimCase {
    Text text;
    Text expected;
};

class TrimSpacesTest : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimSpacesTest, Trims) {
    EXPECT_EQ(TrimSpaces(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrimSpacesTest,
    ::testing::Values(TrimCase{"  a b  ", "a b"}, TrimCase{"\xA1\xA1 a \xA1\xA1", "a"},
                      TrimCase{"\tab ", "\tab"}, TrimCase{" \r\nab\r\n ", "\r\nab\r\n"},
                      TrimCase{"   ", ""}, TrimCase{"\xA1\xA1\xA1\xA1", ""}, TrimCase{"", ""},
                      // "啊" is B0 A1: its trail byte and a following lone A1
                      // are not a full-width space.
                      TrimCase{"\xB0\xA1\xA1", "\xB0\xA1\xA1"},
                      TrimCase{"\xB0\xA1\xA1\xA1", "\xB0\xA1"},
                      TrimCase{" \xB0\xA1 \xA1\xA1 ", "\xB0\xA1"}));

TEST(ToUpperTest, FoldsSingleByteLettersOnly) {
    EXPECT_EQ(ToUpper("abc-XYZ_09z"), "ABC-XYZ_09Z");
    EXPECT_EQ(ToUpper(Gbk("ab中文z")), Gbk("AB中文Z"));
    EXPECT_EQ(ToUpper(kTrailLowerA + "a"), kTrailLowerA + "A");
    EXPECT_EQ(ToUpper("\xA3\xE1"), "\xA3\xE1");  // full-width letter
    EXPECT_EQ(ToUpper(""), "");
}

}  // namespace
}  // namespace kestrova
