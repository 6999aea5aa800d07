#include <gtest/gtest.h>

#include "lookup/MarkerCut.h"

namespace kestrova {
namespace {

struct CutCase {
    const char* name;
    const char* text;
    const char* start;
    int offset;
    int window;
    const char* end;
    int trim;
    const char* expected;
};

class MarkerCutCases : public ::testing::TestWithParam<CutCase> {};

TEST_P(MarkerCutCases, Cuts) {
    const CutCase& c = GetParam();
    EXPECT_EQ(MarkerCut(c.text, c.start, c.offset, c.window, c.end, c.trim), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rule, MarkerCutCases,
    ::testing::Values(
        CutCase{"ValueBehindMarker", "<b>name:Ann</b>", "name:", 5, 99, "</b>", 1, "Ann"},
        CutCase{"OffsetSkipsOneMore", "x=\"v\",", "x=", 3, 99, ",", 2, "v"},
        CutCase{"TrimTwoDropsClosingQuote", "\"nick\":\"li\",", "nick", 7, 99, ",", 2, "li"},
        CutCase{"WindowCutsTheSearch", "k=abcdefEND", "k=", 2, 5, "END", 1, ""},
        CutCase{"MissingEndMarker", "k=abc", "k=", 2, 99, "END", 1, ""},
        // A missing start marker starts the window at byte offset - 1.
        CutCase{"MissingStartMarker", "0123456789,", "zz", 5, 99, ",", 1, "3456789"},
        CutCase{"MissingStartWithOffsetOne", "abc,", "zz", 1, 99, ",", 1, ""},
        CutCase{"EmptyText", "", "k", 1, 9, ",", 1, ""},
        CutCase{"FirstOccurrenceOnly", "k=1;k=2;", "k=", 2, 99, ";", 1, "1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MarkerCut, SeparateSearchWindowFindsAnEndBeyondTheValueWindow) {
    // The value window holds 4 bytes; the end marker lies behind them but
    // inside the search window, so the value is the window up to there.
    const Text text = "T:ab cdefgh</li>";
    EXPECT_EQ(MarkerCut(text, "T:", 2, 4, "</li>", 1, 99), "ab c");
    EXPECT_EQ(MarkerCut(text, "T:", 2, 4, "</li>", 1), "");
    EXPECT_EQ(MarkerCut(text, "T:", 2, 99, "</li>", 2, 9999), "ab cdefg");
}

}  // namespace
}  // namespace kestrova
