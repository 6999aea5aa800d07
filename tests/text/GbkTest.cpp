#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "text/Gbk.h"

namespace kestrova {
namespace {

// An independent reference: one streaming iconv pass from CP936 that skips a
// single byte (writing U+FFFD) wherever iconv stops at a bad or incomplete
// sequence.
std::string ReferenceGbkToUtf8(const std::string& gbk) {
    const iconv_t cd = iconv_open("UTF-8", "CP936");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string out;
    std::string in = gbk;
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    std::vector<char> buffer(in.size() * 4 + 16);
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), outPtr);
        if (result == static_cast<std::size_t>(-1)) {
            out += "\xEF\xBF\xBD";
            ++inPtr;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

// iconv's own encoding of one BMP character, or "?" when it has none.
std::string ReferenceEncode(char16_t unit) {
    const iconv_t cd = iconv_open("CP936", "UTF-16LE");
    char in[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    char out[8];
    char* inPtr = in;
    std::size_t inLeft = 2;
    char* outPtr = out;
    std::size_t outLeft = sizeof out;
    const std::size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    return result == static_cast<std::size_t>(-1) ? "?" : std::string(out, outPtr);
}

struct DecodeCase {
    Text gbk;
    std::string utf8;
};

class GbkToUtf8Test : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(GbkToUtf8Test, Decodes) {
    EXPECT_EQ(GbkToUtf8(GetParam().gbk), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GbkToUtf8Test,
    ::testing::Values(
        DecodeCase{"", ""}, DecodeCase{"abc\r\n", "abc\r\n"},
        DecodeCase{"\xD6\xD0\xCE\xC4", "中文"}, DecodeCase{"\xA1\xA1", "\u3000"},
        DecodeCase{"\xA1\xB0\xA1\xB1", "“”"}, DecodeCase{"\x81\x40", "丂"}, DecodeCase{"\x80", "€"},
        // One U+FFFD per byte that is not part of a character; the next byte
        // starts afresh.
        DecodeCase{"\xFF", "\uFFFD"}, DecodeCase{"a\xD6", "a\uFFFD"},
        DecodeCase{"\xD6\x20", "\uFFFD "}, DecodeCase{"\x81\x7F", "\uFFFD\x7F"},
        DecodeCase{"\xD6\xFF", "\uFFFD\uFFFD"}, DecodeCase{"\xFF\xD6\xD0", "\uFFFD中"},
        // User-defined area: not characters in glibc's CP936.
        DecodeCase{"\xAA\xA1", "\uFFFD\uFFFD"}, DecodeCase{"\xFE\xFE", "\uFFFD\uFFFD"}));

TEST(GbkToUtf8Test, MatchesStreamingIconvOnRandomBytes) {
    std::mt19937 random(936);
    for (int round = 0; round < 300; ++round) {
        std::string bytes(static_cast<std::size_t>(random() % 64), '\0');
        for (char& b : bytes) {
            // Mostly high bytes, some ASCII, never zero.
            const unsigned value = random() % 4 == 0 ? 1 + random() % 0x7F : 0x80 + random() % 0x80;
            b = static_cast<char>(value);
        }
        ASSERT_EQ(GbkToUtf8(bytes), ReferenceGbkToUtf8(bytes)) << "round " << round;
    }
}

TEST(GbkToUtf8Test, MatchesIconvOnEveryPair) {
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
        for (int trail = 0x01; trail <= 0xFF; ++trail) {
            const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
            ASSERT_EQ(GbkToUtf8(pair), ReferenceGbkToUtf8(pair)) << std::hex << lead << trail;
        }
    }
}

struct EncodeCase {
    std::string utf8;
    Text gbk;
};

class Utf8ToGbkTest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(Utf8ToGbkTest, Encodes) {
    EXPECT_EQ(Utf8ToGbk(GetParam().utf8), GetParam().gbk);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8ToGbkTest,
    ::testing::Values(EncodeCase{"", ""}, EncodeCase{"abc", "abc"},
                      EncodeCase{"中文", "\xD6\xD0\xCE\xC4"}, EncodeCase{"€", "\x80"},
                      EncodeCase{"“欲", "\xA1\xB0\xD3\xFB"},
                      // Characters GBK lacks: one "?" per character.
                      EncodeCase{"한", "?"}, EncodeCase{"😀x", "?x"},
                      EncodeCase{"\uF7FF", "?"},  // only the lossless form maps this
                      // Invalid UTF-8: one "?" per byte.
                      EncodeCase{"\xE4\xB8", "??"}, EncodeCase{"\xC0\xAF", "??"},
                      EncodeCase{"\xED\xA0\x80", "???"}, EncodeCase{"\xF5\x80\x80\x80", "????"},
                      EncodeCase{"\x80"
                                 "a",
                                 "?a"},
                      EncodeCase{"\xFF", "?"}));

TEST(GbkTest, LiteralsBecomeGbk) {
    EXPECT_EQ(Gbk("真"), "\xD5\xE6");
    EXPECT_EQ(Gbk("<li>注册时间："), "<li>\xD7\xA2\xB2\xE1\xCA\xB1\xBC\xE4\xA3\xBA");
}

TEST(Utf16ToGbkTest, EveryBmpCharacterEncodesAsIconvDoes) {
    for (int unit = 1; unit <= 0xFFFF; ++unit) {
        if ((unit >= 0xD800 && unit <= 0xDFFF) || (unit >= 0xF780 && unit <= 0xF7FF)) {
            continue;
        }
        const char16_t one[1] = {static_cast<char16_t>(unit)};
        ASSERT_EQ(Utf16ToGbk(std::u16string_view(one, 1)), ReferenceEncode(one[0]))
            << std::hex << unit;
    }
}

TEST(Utf16ToGbkTest, SurrogatesAndPrivateBytes) {
    EXPECT_EQ(Utf16ToGbk(u"\xD83D\xDE00"
                         u"a"),
              "?a");  // a pair is one character
    EXPECT_EQ(Utf16ToGbk(std::u16string{0xD83D}), "?");
    EXPECT_EQ(Utf16ToGbk(std::u16string{0xDE00, 'b'}), "?b");
    EXPECT_EQ(Utf16ToGbk(u"\xF780\xF7FF\xF7A1"), "\x80\xFF\xA1");
    EXPECT_EQ(Utf16ToGbk(u"\xF77F"), "?");
}

TEST(GbkToUtf16Test, InvalidBytesMapToPrivateUse) {
    EXPECT_EQ(GbkToUtf16("a\xD6\xD0"), u"a中");
    EXPECT_EQ(GbkToUtf16("\xFF"), u"\xF7FF");
    EXPECT_EQ(GbkToUtf16("\xD6\x20"), u"\xF7D6 ");
    EXPECT_EQ(GbkToUtf16("\xAA\xA1"), u"\xF7AA\xF7A1");
    EXPECT_EQ(GbkToUtf16("\x80"), u"€");
    EXPECT_EQ(GbkToUtf8Lossless("\xFF"
                                "a"),
              "\uF7FF"
              "a");
    EXPECT_EQ(Utf8LosslessToGbk("\uF7FF\uF781中"), "\xFF\x81\xD6\xD0");
    EXPECT_EQ(Utf8LosslessToGbk("\xE4\xB8"), "??");
}

// Every single byte and every byte pair comes back unchanged through both
// lossless forms.
TEST(LosslessTest, EveryPairRoundTrips) {
    for (int first = 1; first <= 0xFF; ++first) {
        for (int second = 0; second <= 0xFF; ++second) {
            Text bytes(1, static_cast<char>(first));
            if (second != 0) {
                bytes += static_cast<char>(second);
            }
            ASSERT_EQ(Utf16ToGbk(GbkToUtf16(bytes)), bytes) << std::hex << first << ' ' << second;
            ASSERT_EQ(Utf8LosslessToGbk(GbkToUtf8Lossless(bytes)), bytes)
                << std::hex << first << ' ' << second;
        }
    }
}

TEST(LosslessTest, RandomTextsRoundTrip) {
    std::mt19937 random(20090307);
    for (int round = 0; round < 500; ++round) {
        Text bytes(static_cast<std::size_t>(random() % 100), '\0');
        for (char& b : bytes) {
            b = static_cast<char>(1 + random() % 0xFF);
        }
        ASSERT_EQ(Utf16ToGbk(GbkToUtf16(bytes)), bytes);
        ASSERT_EQ(Utf8LosslessToGbk(GbkToUtf8Lossless(bytes)), bytes);
    }
}

TEST(LosslessTest, ValidTextIsPlainUnicode) {
    const Text gbk = Gbk("注册时间：2009年");
    EXPECT_EQ(GbkToUtf8Lossless(gbk), "注册时间：2009年");
    EXPECT_EQ(GbkToUtf16(gbk), u"注册时间：2009年");
}

TEST(GbkThreadTest, FirstUseFromManyThreadsAgrees) {
    // Run first in a fresh process (ctest runs each test alone), so the threads
    // race to build the tables.
    const Text gbk =
        "\xD6\xD0\xCE\xC4\xFF"
        "abc\xA1\xA1";
    std::vector<std::string> results(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&, i] {
            for (int k = 0; k < 200; ++k) {
                results[i] = GbkToUtf8(Utf8ToGbk(GbkToUtf8(gbk)));
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const std::string& result : results) {
        EXPECT_EQ(result, "中文?abc\u3000");  // GBK has no U+FFFD
    }
}

TEST(Gbk, LosslessUtf8IsRecognisedWithoutMakingIt) {
    const Text page = Gbk("<li>所在地区：浙江杭州</li>") + "\xFF\x80" + Gbk("１２元") + "\x81";
    const std::string utf8 = GbkToUtf8Lossless(page);
    EXPECT_TRUE(IsLosslessUtf8Of(utf8, page));
    EXPECT_TRUE(IsLosslessUtf8Of("", ""));
    struct Case {
        const char* name;
        std::string utf8;
        Text gbk;
    };
    const Case differing[] = {
        {"markup", utf8, Text(page).replace(1, 1, "L")},
        {"a Chinese character", utf8, Text(page).replace(14, 2, Gbk("江"))},
        {"an invalid byte", utf8, Text(page).replace(page.find('\xFF'), 1, "\xFE")},
        {"the text shorter", utf8, page.substr(0, page.size() - 1)},
        {"the UTF-8 shorter", utf8.substr(0, utf8.size() - 1), page},
        {"the UTF-8 longer", utf8 + "x", page},
        {"plain UTF-8 of the same text", GbkToUtf8(page), page},
        {"empty against a text", "", page},
        {"a text against empty", utf8, ""},
    };
    for (const Case& c : differing) {
        EXPECT_FALSE(IsLosslessUtf8Of(c.utf8, c.gbk)) << c.name;
    }
}

}  // namespace
}  // namespace kestrova
