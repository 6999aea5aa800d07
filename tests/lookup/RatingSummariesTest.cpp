#include "tests/lookup/StepFixture.h"
#include "text/Gbk.h"

namespace kestrova::test {
namespace {

const std::string kFirst = "/member_rate.htm?content=&result=0&user_id=42&rater=3&direction=1";

std::string SummaryPage(const std::string& maxPage, int entries, const char* key = "aucNumId") {
    std::string page = "{\"rateListInfo\":{\"maxPage\":" + maxPage + "},\"rateListDetail\":[";
    for (int i = 0; i < entries; ++i) {
        page += std::string(i ? "," : "") + "{\"" + key + "\":" + std::to_string(i) + "}";
    }
    return page + "]}";
}

class RatingSummaries : public StepFixture {
  protected:
    void SetUp() override { window.WriteText(Ctl::编辑框4, "42"); }
    std::string Count() {
        CountRatings(q, "0", Ctl::编辑框中评);
        return Read(Ctl::编辑框中评);
    }
};

struct PageCase {
    const char* name;
    std::string first;
    std::string last;  // served for page=5
    const char* total;
    int requests;
};

class Totals : public RatingSummaries, public ::testing::WithParamInterface<PageCase> {};

TEST_P(Totals, CountFromFirstAndLastPage) {
    const PageCase& c = GetParam();
    server.Serve(kFirst, c.first);
    if (!c.last.empty()) {
        server.Serve(kFirst + "&page=5", c.last);
    }
    EXPECT_EQ(Count(), c.total);
    EXPECT_EQ(server.CountRequests("/member_rate.htm"), c.requests);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, Totals,
    ::testing::Values(PageCase{"NoMaxPage", "{\"rateListDetail\":[]}", "", "0", 1},
                      PageCase{"MaxPageZero", SummaryPage("0", 3), "", "0", 1},
                      PageCase{"OnePage", SummaryPage("1", 17), "", "17", 1},
                      PageCase{"FivePages", SummaryPage("5", 40), SummaryPage("5", 12), "172", 2},
                      PageCase{"FailedLastPage", SummaryPage("5", 40), "", "160", 2},
                      PageCase{"KeyInCapitals", SummaryPage("1", 3, "AUCNUMID"), "", "3", 1},
                      PageCase{"NotANumber", "{\"maxPage\":\"x\"}", "", "0", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RatingSummaries, HugePageCountDoesNotWrapTheTotal) {
    // The page count is truncated to 32 bits (99999999999 -> 1215752191), but
    // the total is computed in 64 bits.
    server.Serve(kFirst, SummaryPage("99999999999", 1));
    EXPECT_EQ(Count(), "48630087600");
}

TEST_F(RatingSummaries, ProcessesEventsBeforeEachRequest) {
    server.Serve(kFirst, SummaryPage("5", 40));
    Count();
    EXPECT_EQ(window.ProcessEventsCount(), 2);
}

TEST_F(RatingSummaries, BuyerMainlyTakesTheGoodCountFromItsCredit) {
    window.WriteText(Ctl::编辑框3, Gbk("买家为主"));
    state.PageText = Gbk("<p>买家信用：<a href=\"#\">31</a></p>");
    ShowRatingSummaries(q);
    EXPECT_EQ(Read(Ctl::编辑框好评), "31");
    EXPECT_EQ(server.CountRequests("/member_rate.htm?content=&result=1&"), 0);
    EXPECT_EQ(server.CountRequests("/member_rate.htm?content=&result=0&"), 1);
    EXPECT_EQ(server.CountRequests("/member_rate.htm?content=&result=-1&"), 1);
}

TEST_F(RatingSummaries, BuyerMainlyWithoutCreditWritesAnEmptyGoodCount) {
    window.WriteText(Ctl::编辑框3, Gbk("买家为主"));
    window.WriteText(Ctl::编辑框好评, "stale");
    state.PageText = Gbk("<p>no credit</p>");
    ShowRatingSummaries(q);
    EXPECT_EQ(Read(Ctl::编辑框好评), "");
    EXPECT_EQ(Read(Ctl::编辑框中评), "0");
    EXPECT_EQ(Read(Ctl::编辑框差评), "0");
}

}  // namespace
}  // namespace kestrova::test
