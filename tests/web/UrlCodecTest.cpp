#include <gtest/gtest.h>

#include "text/Gbk.h"
#include "web/UrlCodec.h"

namespace kestrova {
namespace {

TEST(UrlEncode, SafeSetStaysEverythingElseIsPercentEncoded) {
    const struct {
        Text in;
        Text out;
    } cases[] = {
        {"", ""},
        {"AZaz09*,-./@_", "AZaz09*,-./@_"},
        {"a b+c", "a%20b%2Bc"},
        {"\t\n", "%09%0A"},
        {Gbk("中"), "%D6%D0"},
        {":;<=>?", "%3A%3B%3C%3D%3E%3F"},
        {"[\\]^`", "%5B%5C%5D%5E%60"},
        {"{|}~\x7F", "%7B%7C%7D%7E%7F"},
        {"!\"#$%&'()", "%21%22%23%24%25%26%27%28%29"},
        {std::string("\0\x01\x80\xFF", 4), "%00%01%80%FF"},
        {Gbk("张三 li"), "%D5%C5%C8%FD%20li"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UrlEncode(c.in), c.out) << c.in;
    }
}

TEST(UrlEncode, EveryByteValue) {
    for (int b = 0; b < 256; ++b) {
        const Text in(1, static_cast<char>(b));
        const bool safe = b == 42 || b == 44 || b == 45 || b == 46 || b == 47 ||
                          (b >= 48 && b <= 57) || b == 64 || (b >= 65 && b <= 90) || b == 95 ||
                          (b >= 97 && b <= 122);
        const Text out = UrlEncode(in);
        if (safe) {
            EXPECT_EQ(out, in) << b;
        } else {
            char expected[4];
            std::snprintf(expected, sizeof expected, "%%%02X", b);
            EXPECT_EQ(out, expected) << b;
        }
    }
}

TEST(DecodeEscapes, ScriptStringLiteralEscapes) {
    const struct {
        Text in;
        Text out;
    } cases[] = {
        {"", ""},
        {"abc", "abc"},
        {"\\u4e2d", Gbk("中")},
        {"\\u4E2D\\u6587", Gbk("中文")},
        {"a\\/b", "a/b"},
        {"\\\\", "\\"},
        {"\\\"quoted\\\"", "\"quoted\""},
        {"it's", "it's"},
        {"\\'", "'"},
        {"\\x41\\x62", "Ab"},
        {"\\n\\r\\t\\b\\f\\v", "\n\r\t\b\f\v"},
        {"\\q\\z\\9", "qz9"},
        {"\\u0041\\u00411", "AA1"},
        {"\\u6d59\\u6c5f\\u7701", Gbk("浙江省")},
        {Gbk("已是中文"), Gbk("已是中文")},
        {"\\u0e01", "?"},  // Thai: not in GBK
        {"x\\u0e01\\u0e02y", "x??y"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeEscapes(c.in), c.out) << c.in;
    }
}

TEST(DecodeEscapes, InvalidLiteralBodiesComeBackUnchanged) {
    for (const Text in : {"say \"hi\"", "two\nlines", "cr\rhere", "trailing\\", "\\u12", "\\u12G4",
                          "\\x4", "\\xG1", "\\u", "\\\nx"}) {
        EXPECT_EQ(DecodeEscapes(in), in) << in;
    }
}

TEST(DecodeEscapes, BytesOutsideGbkSurvive) {
    const Text in = std::string("\xFF", 1) + "\\u4e2d" + "\x80";
    EXPECT_EQ(DecodeEscapes(in), "\xFF" + Gbk("中") + "\x80");
}

}  // namespace
}  // namespace kestrova
