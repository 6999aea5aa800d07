#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>

#include "text/Gbk.h"
#include "web/RegexHelper.h"

namespace kestrova {
namespace {

TEST(RegexHelper, NothingBeforeTheFirstRun) {
    RegexHelper regex;
    EXPECT_EQ(regex.RegexMatchCount(), 0);
    EXPECT_EQ(regex.RegexMatchValue(1), "");
    EXPECT_EQ(regex.RegexSubMatch(1, 1), "");
}

TEST(RegexHelper, PageCountPattern) {
    RegexHelper regex;
    EXPECT_TRUE(
        regex.RegexPrepare("\"maxPage\":(\\d+)", "shop_rate_list({\"maxPage\":12,\"x\":1})"));
    EXPECT_EQ(regex.RegexMatchCount(), 1);
    EXPECT_EQ(regex.RegexMatchValue(1), "\"maxPage\":12");
    EXPECT_EQ(regex.RegexSubMatch(1, 1), "12");
    EXPECT_EQ(regex.RegexSubMatch(2, 1), "");
}

TEST(RegexHelper, CaseIsIgnoredAndEveryMatchCounted) {
    RegexHelper regex;
    regex.RegexPrepare("aucNumId", "aucNumId:1,aucNumId:2,AUCNUMID:3,aucNumId:4,aucnumid:5");
    EXPECT_EQ(regex.RegexMatchCount(), 5);
    EXPECT_EQ(regex.RegexMatchValue(3), "AUCNUMID");
    regex.RegexPrepare("aucNumId", "aucNumId:1,AUCNUMID:3", false);
    EXPECT_EQ(regex.RegexMatchCount(), 1);
}

TEST(RegexHelper, ChineseRunAcrossLinesIsTakenAsWholeCharacters) {
    RegexHelper regex;
    const Text page = Gbk("<li>所在地区：\r\n  <span>\r\n浙江 杭州</span>\r\n</li>");
    regex.RegexPrepare(Gbk("所在地区：[\\s\\S]*?([\\u4e00-\\u9fa5]+)[\\s\\S]*?</li>"), page);
    EXPECT_EQ(regex.RegexMatchCount(), 1);
    EXPECT_EQ(regex.RegexSubMatch(1, 1), Gbk("浙江"));
    EXPECT_EQ(regex.RegexMatchValue(1), page.substr(4));
}

TEST(RegexHelper, CjkClassNeverMatchesHalfACharacter) {
    // 中 is D6 D0, and D0 41 would read as another character: matched by
    // bytes, "中A" would hold a second run starting inside 中.
    RegexHelper regex;
    ASSERT_EQ(Gbk("中A"), "\xD6\xD0\x41");
    regex.RegexPrepare("([\\u4e00-\\u9fa5]+)", Gbk("ab中文cd中A"));
    EXPECT_EQ(regex.RegexMatchCount(), 2);
    EXPECT_EQ(regex.RegexSubMatch(1, 1), Gbk("中文"));
    EXPECT_EQ(regex.RegexSubMatch(2, 1), Gbk("中"));
}

// CR, LF and CRLF are each one line break: a dot matches none of them, and
// multi-line ^ and $ stop at each. Every case runs with each of the three in
// place of "|" in its subject.
struct LineBreakCase {
    const char* name;
    const char* pattern;  // UTF-8
    const char* subject;  // UTF-8; "|" stands for the line break
    int count;
    int group;          // the group of match 1 to compare, 0 the match itself
    const char* first;  // UTF-8
};

struct LineBreak {
    const char* name;
    const char* text;
};

constexpr LineBreak kLineBreaks[] = {{"LF", "\n"}, {"CR", "\r"}, {"CRLF", "\r\n"}};

// The query's patterns as the page steps write them, then the dot and the
// anchors on their own.
const LineBreakCase kLineBreakCases[] = {
    {"ShopStartValueDoesNotCrossABreak", "id=\"J_showShopStartDate\" value=\"(.*)\" />",
     "<input id=\"J_showShopStartDate\" value=\"2009-03|-07\" />", 0, 1, ""},
    {"ShopStartValueBetweenBreaks", "id=\"J_showShopStartDate\" value=\"(.*)\" />",
     "<p>|<input id=\"J_showShopStartDate\" value=\"2009-03-07\" />|</p>", 1, 1, "2009-03-07"},
    {"RateStopsAtTheLineEnd", "好评率：(\\d.*)%", "好评率：99.5%|好评率：98%", 2, 1, "99.5"},
    {"RateSignOnTheNextLine", "好评率：(\\d.*)%", "好评率：99.5|%", 0, 1, ""},
    {"RatingPageAddressStopsAtTheLineEnd", "http:\\/\\/rate\\.taobao\\.com\\/user-rate-.*htm",
     "http://rate.taobao.com/user-rate-abc.htm\">|<a href=\"x.htm\">", 1, 0,
     "http://rate.taobao.com/user-rate-abc.htm"},
    {"RatingPageAddressBrokenByABreak", "http:\\/\\/rate\\.taobao\\.com\\/user-rate-.*htm",
     "http://rate.taobao.com/user-rate-abc|.htm", 0, 0, ""},
    {"RegionSpansLines", "所在地区：[\\s\\S]*?([\\u4e00-\\u9fa5]+)[\\s\\S]*?</li>",
     "<li>所在地区：|  <span>|浙江 杭州</span>|</li>", 1, 1, "浙江"},
    {"CertificationSpansLines",
     "<!--认证标志-->[\\s\\S]*?([\\u4e00-\\u9fa5]+)[\\s\\S]*?<!--商城及地域的标志-->",
     "<!--认证标志-->|<span>支付宝个人认证</span>|<!--商城及地域的标志-->", 1, 1, "支付宝个人认证"},
    {"BuyerCreditSpansLines", "买家信用：[\\s\\S]*?(\\d+)</a>", "<li>买家信用：|<a href=x>56</a>",
     1, 1, "56"},
    {"DateOnOneLineOnly", "\\d+年\\d+月\\d+日", "2007年5月|2日 2008年1月2日", 1, 0, "2008年1月2日"},
    {"MemberId", "userID: '(\\d+)'", "var shop = {|userID: '42'|}", 1, 1, "42"},
    {"BuyerCountCellsEndInTd", ">(\\d+)</a></td>", "<td><a>3</a></td>|<td><a>4</a>|</td>", 1, 1,
     "3"},
    {"CountCells", ">(\\d+)</a>", "<td><a>3</a></td>|<td><a>4</a>|</td>", 2, 1, "3"},
    {"PageCount", "\"maxPage\":(\\d+)", "{|\"maxPage\":12|}", 1, 1, "12"},
    {"SummaryEntries", "aucNumId", "{\"aucNumId\":1}|{\"AUCNUMID\":2}|", 2, 0, "aucNumId"},
    {"DotMatchesNoBreak", "a.b", "a|b", 0, 0, ""},
    {"DotStillMatchesOtherCharacters", "a.b", "a b|a中b", 2, 0, "a b"},
    {"WholeLinesOfDigits", "^\\d+$", "12|34|x5|", 2, 0, "12"},
    {"AnEmptyLineIsOneMatch", "^$", "a||b", 1, 0, ""},
    {"LineEndBeforeTheBreakAndAtTheEnd", "$", "a|b", 2, 0, ""},
    {"LineStartAtTheStartAndAfterTheBreak", "^", "a|b", 2, 0, ""},
    {"LastLineOfManyBreaks", "^\\w+$", "||||last", 1, 0, "last"},
};

void PrintTo(const LineBreakCase& c, std::ostream* out) {
    *out << c.name;
}
void PrintTo(const LineBreak& b, std::ostream* out) {
    *out << b.name;
}

class LineBreaks : public ::testing::TestWithParam<std::tuple<LineBreakCase, LineBreak>> {};

TEST_P(LineBreaks, AreCrLfAndCrlfAlike) {
    const auto& [c, lineBreak] = GetParam();
    std::string subject = c.subject;
    for (std::size_t at; (at = subject.find('|')) != std::string::npos;) {
        subject.replace(at, 1, lineBreak.text);
    }
    RegexHelper regex;
    ASSERT_TRUE(regex.RegexPrepare(Gbk(c.pattern), Gbk(subject)));
    EXPECT_EQ(regex.RegexMatchCount(), c.count);
    const Text first = c.group == 0 ? regex.RegexMatchValue(1) : regex.RegexSubMatch(1, c.group);
    EXPECT_EQ(GbkToUtf8(first), c.first);
}

INSTANTIATE_TEST_SUITE_P(RegexHelper, LineBreaks,
                         ::testing::Combine(::testing::ValuesIn(kLineBreakCases),
                                            ::testing::ValuesIn(kLineBreaks)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param).name;
                         });

TEST(RegexHelper, EmptyMatchesStepOverACrlfAsOneCharacter) {
    RegexHelper regex;
    // Empty at a, at the CRLF, at b and at the end; nothing between CR and LF.
    regex.RegexPrepare("x*", "a\r\nb");
    EXPECT_EQ(regex.RegexMatchCount(), 4);
    // A lone CR and a lone LF are a character each.
    regex.RegexPrepare("x*", "a\r\rb");
    EXPECT_EQ(regex.RegexMatchCount(), 5);
    regex.RegexPrepare("x*", "a\n\rb");
    EXPECT_EQ(regex.RegexMatchCount(), 5);
}

TEST(RegexHelper, APatternNamingALineFeedFindsItInsideACrlf) {
    RegexHelper regex;
    // Empty at a and at the CR, then the LF itself, empty at b and at the end.
    regex.RegexPrepare("\\n?", "a\r\nb");
    ASSERT_EQ(regex.RegexMatchCount(), 5);
    EXPECT_EQ(regex.RegexMatchValue(3), "\n");
    regex.RegexPrepare("\\r\\n", "a\r\nb\r\n");
    EXPECT_EQ(regex.RegexMatchCount(), 2);
}

TEST(RegexHelper, MultilineAnchorsAndTheEndOfInput) {
    RegexHelper regex;
    regex.RegexPrepare("^\\d+$", "12\n34\nx5\n");
    EXPECT_EQ(regex.RegexMatchCount(), 2);
    EXPECT_EQ(regex.RegexMatchValue(2), "34");
    regex.RegexPrepare("^\\d+$", "12\n34", true, false);
    EXPECT_EQ(regex.RegexMatchCount(), 0);
    // Without multi-line, $ is the very end, not the place before a final line feed.
    regex.RegexPrepare("\\d+$", "12\n", true, false);
    EXPECT_EQ(regex.RegexMatchCount(), 0);
}

TEST(RegexHelper, GlobalOffGivesTheFirstMatchOnly) {
    RegexHelper regex;
    regex.RegexPrepare(">(\\d+)</a>", "<a>1</a><a>22</a><a>333</a>", true, true, false);
    EXPECT_EQ(regex.RegexMatchCount(), 1);
    EXPECT_EQ(regex.RegexSubMatch(1, 1), "1");
    regex.RegexPrepare(">(\\d+)</a>", "<a>1</a><a>22</a><a>333</a>");
    EXPECT_EQ(regex.RegexMatchCount(), 3);
    EXPECT_EQ(regex.RegexSubMatch(3, 1), "333");
}

TEST(RegexHelper, EmptyMatchesAdvanceOneCharacter) {
    RegexHelper regex;
    regex.RegexPrepare("x*", Gbk("a中xxb"));
    // Empty at a, empty at 中, "xx", empty at b, empty at the end.
    ASSERT_EQ(regex.RegexMatchCount(), 5);
    EXPECT_EQ(regex.RegexMatchValue(1), "");
    EXPECT_EQ(regex.RegexMatchValue(3), "xx");
    EXPECT_EQ(regex.RegexMatchValue(5), "");
    regex.RegexPrepare("", "");
    EXPECT_EQ(regex.RegexMatchCount(), 1);
}

TEST(RegexHelper, DigitsAreAsciiOnly) {
    RegexHelper regex;
    regex.RegexPrepare("(\\d+)", Gbk("１２３ and 456"));  // full-width digits first
    EXPECT_EQ(regex.RegexMatchCount(), 1);
    EXPECT_EQ(regex.RegexSubMatch(1, 1), "456");
}

TEST(RegexHelper, ScriptDialectEscapes) {
    RegexHelper regex;
    regex.RegexPrepare("\\x41\\u0042", "zzAB");
    EXPECT_EQ(regex.RegexMatchValue(1), "AB");
    regex.RegexPrepare("http:\\/\\/rate\\.taobao\\.com\\/user-rate-.*htm",
                       "<a href=\"http://rate.taobao.com/user-rate-abc123.htm\">");
    EXPECT_EQ(regex.RegexMatchValue(1), "http://rate.taobao.com/user-rate-abc123.htm");
    regex.RegexPrepare("a[]b", "ab a]b");  // [] is a class that matches nothing
    EXPECT_EQ(regex.RegexMatchCount(), 0);
    regex.RegexPrepare("(x)?\\1y", "y");  // a reference to a group that did not take part
    EXPECT_EQ(regex.RegexMatchCount(), 1);
    EXPECT_EQ(regex.RegexSubMatch(1, 1), "");
}

TEST(RegexHelper, GroupThatTookNoPartAndIndexesOutOfRange) {
    RegexHelper regex;
    regex.RegexPrepare("(a)|(b)", "b");
    EXPECT_EQ(regex.RegexMatchCount(), 1);
    EXPECT_EQ(regex.RegexSubMatch(1, 1), "");
    EXPECT_EQ(regex.RegexSubMatch(1, 2), "b");
    EXPECT_EQ(regex.RegexSubMatch(1, 3), "");
    EXPECT_EQ(regex.RegexSubMatch(1, 0), "");
    EXPECT_EQ(regex.RegexSubMatch(1, -1), "");
    EXPECT_EQ(regex.RegexSubMatch(0, 1), "");
    EXPECT_EQ(regex.RegexSubMatch(-1, 1), "");
    EXPECT_EQ(regex.RegexMatchValue(0), "");
    EXPECT_EQ(regex.RegexMatchValue(2), "");
}

TEST(RegexHelper, InvalidPatternIsSilentAndClearsTheLastResult) {
    RegexHelper regex;
    regex.RegexPrepare("(\\d+)", "42");
    ASSERT_EQ(regex.RegexMatchCount(), 1);
    for (const Text pattern : {"(unclosed", "a{2,1}", "[z-a]", "*x"}) {
        EXPECT_FALSE(regex.RegexPrepare(pattern, "anything (unclosed")) << pattern;
        EXPECT_EQ(regex.RegexMatchCount(), 0);
        EXPECT_EQ(regex.RegexMatchValue(1), "");
        EXPECT_EQ(regex.RegexSubMatch(1, 1), "");
    }
}

TEST(RegexHelper, SeveralPatternsOverOnePageThenAnotherPage) {
    RegexHelper regex;
    const Text page = Gbk("所在地区：浙江</li> userID: '42' 好评率：99%");
    regex.RegexPrepare(Gbk("所在地区：([\\u4e00-\\u9fa5]+)"), page);
    EXPECT_EQ(regex.RegexSubMatch(1, 1), Gbk("浙江"));
    regex.RegexPrepare("userID: '(\\d+)'", page);
    EXPECT_EQ(regex.RegexSubMatch(1, 1), "42");
    regex.RegexPrepare("(unclosed", page);
    EXPECT_EQ(regex.RegexMatchCount(), 0);
    regex.RegexPrepare(Gbk("好评率：(\\d+)"), page);
    EXPECT_EQ(regex.RegexSubMatch(1, 1), "99");
    // The same length, other bytes: a new page.
    Text other = page;
    other.replace(other.find("42"), 2, "77");
    regex.RegexPrepare("userID: '(\\d+)'", other);
    EXPECT_EQ(regex.RegexSubMatch(1, 1), "77");
    regex.RegexPrepare("userID: '(\\d+)'", "");
    EXPECT_EQ(regex.RegexMatchCount(), 0);
}

TEST(RegexHelper, ValuesComeBackInGbkInvalidBytesIncluded) {
    RegexHelper regex;
    // 0xFF is no GBK byte, 0x80 alone is the euro sign, A1 A1 the full-width space.
    const Text subject = Gbk("价格：") + "\xFF\x80" + Gbk("１２元") + "\xA1\xA1" + "end";
    regex.RegexPrepare(Gbk("价格：(.+)end"), subject);
    EXPECT_EQ(regex.RegexSubMatch(1, 1), subject.substr(6, subject.size() - 9));
    regex.RegexPrepare("(.)(.)", "\xFF\xFE");
    EXPECT_EQ(regex.RegexSubMatch(1, 1), "\xFF");
    EXPECT_EQ(regex.RegexSubMatch(1, 2), "\xFE");
}

TEST(RegexHelper, LongPageWithLazyRuns) {
    Text page = Gbk("<li>买家信用：");
    page += Text(300000, ' ');
    page += "<a href=x>1234</a>";
    RegexHelper regex;
    regex.RegexPrepare(Gbk("买家信用：[\\s\\S]*?(\\d+)</a>"), page);
    EXPECT_EQ(regex.RegexSubMatch(1, 1), "1234");
    const Text many = [] {
        Text t;
        for (int i = 0; i < 40; ++i) {
            t += "{\"aucNumId\":" + std::to_string(i) + "},";
        }
        return t;
    }();
    regex.RegexPrepare("aucNumId", many);
    EXPECT_EQ(regex.RegexMatchCount(), 40);
}

// Only the first matches' places are kept; any later one is found again when
// read. Every match reads the same in any order, and the count is whole.
TEST(RegexHelper, EveryMatchOfAThousandReadsTheSameInAnyOrder) {
    Text page;
    for (int i = 0; i < 1000; ++i) {
        page += "<td>" + std::to_string(i) + (i % 3 == 0 ? "x" : "") + "</td>\r\n";
    }
    RegexHelper regex;
    ASSERT_TRUE(regex.RegexPrepare("<td>(\\d+)(x)?</td>", page));
    ASSERT_EQ(regex.RegexMatchCount(), 1000);
    const auto expectMatch = [&regex](int k) {
        const int i = k - 1;
        EXPECT_EQ(regex.RegexSubMatch(k, 1), std::to_string(i)) << k;
        EXPECT_EQ(regex.RegexSubMatch(k, 2), i % 3 == 0 ? "x" : "") << k;
        EXPECT_EQ(regex.RegexMatchValue(k),
                  "<td>" + std::to_string(i) + (i % 3 == 0 ? "x" : "") + "</td>")
            << k;
    };
    for (int k = 1; k <= 1000; ++k) {
        expectMatch(k);
    }
    for (int k : {1000, 65, 64, 66, 999, 1, 500, 65}) {
        expectMatch(k);
    }
    EXPECT_EQ(regex.RegexMatchValue(1001), "");
    EXPECT_EQ(regex.RegexSubMatch(700, 3), "");
}

TEST(RegexHelper, LaterEmptyMatchesAreFoundAgainStepByStep) {
    // Empty matches step one character on, CRLF as one: the search that finds
    // a late match again must step the same way.
    Text page;
    for (int i = 0; i < 100; ++i) {
        page += Gbk("中") + "\r\n";
    }
    RegexHelper regex;
    ASSERT_TRUE(regex.RegexPrepare("$", page));
    const int count = regex.RegexMatchCount();
    EXPECT_EQ(count, 101);
    std::vector<Text> forward;
    for (int k = 1; k <= count; ++k) {
        forward.push_back(regex.RegexMatchValue(k));
    }
    ASSERT_TRUE(regex.RegexPrepare("(.?)", page));
    const int any = regex.RegexMatchCount();
    std::vector<Text> values;
    for (int k = 1; k <= any; ++k) {
        values.push_back(regex.RegexSubMatch(k, 1));
    }
    for (int k = any; k >= 1; --k) {
        EXPECT_EQ(regex.RegexSubMatch(k, 1), values[static_cast<std::size_t>(k - 1)]) << k;
    }
    EXPECT_EQ(values[100], Gbk("中"));  // behind 50 characters, 50 line breaks and their ends
}

// Each page becomes UTF-8 once however many patterns and helpers run over it:
// the steps and a lookup's request plan read the same pages.
TEST(RegexHelper, EachPageIsConvertedOnceAcrossPatternsAndHelpers) {
    const Text profile = Gbk("注册时间：2007年4月18日 http://rate.taobao.com/user-rate-1.htm");
    const Text rating = Gbk("userID: '42' 所在地区：浙江</li> 好评率：99.5%");
    Text large(3 << 20, 'a');  // above the size kept for the next pattern
    large += "userID: '7'";
    const std::uint64_t before = RegexHelper::SubjectsConverted();
    RegexHelper steps;
    RegexHelper plan;
    plan.RegexPrepare("user-rate-.*htm", profile);
    steps.RegexPrepare(Gbk("\\d+年\\d+月\\d+日"), profile);
    EXPECT_EQ(steps.RegexMatchValue(1), Gbk("2007年4月18日"));
    steps.RegexPrepare("user-rate-.*htm", Text(profile));  // a copy is the same page
    plan.RegexPrepare("userID: '(\\d+)'", rating);
    steps.RegexPrepare(Gbk("所在地区：([\\u4e00-\\u9fa5]+)"), rating);
    EXPECT_EQ(steps.RegexSubMatch(1, 1), Gbk("浙江"));
    plan.RegexPrepare("userID: '(\\d+)'", large);
    steps.RegexPrepare(Gbk("好评率：(\\d.*)%"), rating);
    steps.RegexPrepare("userID: '(\\d+)'", large);
    EXPECT_EQ(steps.RegexSubMatch(1, 1), "7");
    EXPECT_EQ(RegexHelper::SubjectsConverted() - before, 3u);

    // A large page nobody holds any more is not kept.
    plan.RegexPrepare("x", "");
    steps.RegexPrepare("x", "");
    const std::uint64_t again = RegexHelper::SubjectsConverted();
    steps.RegexPrepare("userID: '(\\d+)'", large);
    EXPECT_EQ(RegexHelper::SubjectsConverted() - again, 1u);
    // A page that differs in one byte is another page, small or large.
    Text changed = large;
    changed[100] = 'b';
    steps.RegexPrepare("userID: '(\\d+)'", changed);
    Text changedRating = rating;
    changedRating.back() = '#';
    steps.RegexPrepare(Gbk("好评率：(\\d.*)%"), changedRating);
    EXPECT_EQ(steps.RegexMatchCount(), 0);
    EXPECT_EQ(RegexHelper::SubjectsConverted() - again, 3u);
}

}  // namespace
}  // namespace kestrova
