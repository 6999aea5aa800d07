// Answers far larger, or far stranger in their numbers, than any real page:
// a rating list of 100 000 entries, a summary counting 100 000 entries, and
// page counts that are huge, negative, beyond 32 bits or not numbers at all.

#include "HostileQuery.h"
#include "form/RatingRows.h"
#include "marketplace/Pages.h"
#include "text/Gbk.h"
#include "web/Transport.h"

namespace kestrova::hostile {
namespace {

constexpr int kHugeList = 100000;

marketplace::RatingEntry Entry(int i) {
    marketplace::RatingEntry e;
    e.aucNumId = std::to_string(900000000 + i);
    e.title = "item " + std::to_string(i);
    e.sku = "size " + std::to_string(i % 7);
    e.content = "comment " + std::to_string(i);
    e.date = "2011.03.20 09:12:45";
    e.nick = "rater" + std::to_string(i);
    e.rate = i % 3 == 0 ? "-1" : (i % 3 == 1 ? "1" : "0");
    return e;
}

std::string HugeJsonp() {
    std::string list;
    for (int i = 1; i <= kHugeList; ++i) {
        if (i > 1) {
            list += ",";
        }
        list += marketplace::RatingEntryJson(Entry(i));
    }
    return "shop_rate_list({\"maxPage\":1,\"rateListInfo\":{\"rateList\":[" + list + "]}})";
}

class HugeAnswers : public HostileQuery {
  protected:
    // The first summary page of the good ratings answered with body.
    void GoodSummaryAnswers(const std::string& body) {
        misbehaviour = [body](const SeenRequest& r,
                              const marketplace::MarketAnswer&) -> std::optional<Reply> {
            if (r.endpoint != Endpoint::SummaryFirstPage || r.Param("result") != "1") {
                return std::nullopt;
            }
            return Reply::Answer(200, body, "application/json");
        };
    }
    std::vector<std::string> LastPagesAsked(const std::string& result) const {
        std::vector<std::string> pages;
        for (const SeenRequest& r : server.Requests()) {
            if (r.endpoint == Endpoint::SummaryLastPage && r.Param("result") == result) {
                pages.push_back(r.Param("page"));
            }
        }
        return pages;
    }
};

TEST_F(HugeAnswers, ListOfAHundredThousandEntriesFillsItsTwentyEightRows) {
    const std::string body = HugeJsonp();
    ASSERT_LT(body.size(), kMaxBodyBytes);
    misbehaviour = [&body](const SeenRequest& r,
                           const marketplace::MarketAnswer&) -> std::optional<Reply> {
        if (r.endpoint != Endpoint::GivenList) {
            return std::nullopt;
        }
        return Reply::Answer(200, body, "text/javascript");
    };
    const Outcome outcome = Run();
    ExpectAllowed(outcome, 20.0);
    EXPECT_TRUE(RanToTheEnd(outcome));
    const auto& rows = RatingRows(1);
    EXPECT_EQ(Utf8(outcome.window.ReadText(rows[0].nickname)), "rater1");
    EXPECT_EQ(Utf8(outcome.window.ReadText(rows[27].nickname)), "rater28");
    EXPECT_EQ(Utf8(outcome.window.ReadText(rows[27].itemLine)),
              "item 28 | size 0 | 2011.03.20 09:12:45");
    EXPECT_LT(PeakResidentMiB(), 1536);
}

TEST_F(HugeAnswers, SummaryPageOfAHundredThousandEntriesCountsThemAll) {
    std::string body = "{\"maxPage\":1,\"rateList\":[";
    for (int i = 1; i <= kHugeList; ++i) {
        body += "{\"aucNumId\":\"" + std::to_string(i) + "\"},";
    }
    body += "]}";
    GoodSummaryAnswers(body);
    const Outcome outcome = Run();
    ExpectAllowed(outcome, 20.0);
    EXPECT_EQ(Utf8(outcome.window.ReadText(Ctl::编辑框好评)), "100000");
    EXPECT_TRUE(LastPagesAsked("1").empty()) << "one page: it is the last";
}

// Entries packed as tightly as they go, up to the cap: millions of matches for
// the entry pattern, and for the count table's pattern on the rating page.
TEST_F(HugeAnswers, SummaryPageFullOfEntriesUpToTheCap) {
    std::string body = "\"maxPage\":1,";
    while (body.size() + 8 <= kMaxBodyBytes) {
        body += "aucNumId";
    }
    const std::size_t entries = (body.size() - 12) / 8;
    GoodSummaryAnswers(body);
    const Outcome outcome = Run();
    ExpectAllowed(outcome, 30.0);
    EXPECT_EQ(Utf8(outcome.window.ReadText(Ctl::编辑框好评)), std::to_string(entries));
    EXPECT_LT(PeakResidentMiB(), 1024) << "memory grew far beyond the page";
}

TEST_F(HugeAnswers, RatingPageFullOfCountCellsUpToTheCap) {
    std::string body;
    // No seller section: the page is a buyer's, whose cells end in </td>.
    while (body.size() + 11 <= kMaxBodyBytes) {
        body += ">7</a></td>";
    }
    misbehaviour = [&body](const SeenRequest& r,
                           const marketplace::MarketAnswer&) -> std::optional<Reply> {
        if (r.endpoint != Endpoint::RatingPage) {
            return std::nullopt;
        }
        return Reply::Answer(200, body);
    };
    const Outcome outcome = Run();
    ExpectAllowed(outcome, 30.0);
    EXPECT_TRUE(RanToTheEnd(outcome));
    EXPECT_EQ(Utf8(outcome.window.ReadText(Ctl::编辑框年前差)), "7");
    EXPECT_LT(PeakResidentMiB(), 1024) << "memory grew far beyond the page";
}

// The page count goes through the program's number rules: a whole number
// truncated to its low 32 bits. The total is kept in 64 bits, so it never
// wraps; the middle pages are taken as full, as always.
struct PageCountCase {
    const char* name;
    std::string firstPage;
    std::string count;                  // as the good-count field shows it
    std::vector<std::string> lastPage;  // the page number asked for, if any
};

class PageCounts : public HugeAnswers, public ::testing::WithParamInterface<PageCountCase> {};

TEST_P(PageCounts, FollowTheNumberRules) {
    GoodSummaryAnswers(GetParam().firstPage);
    const Outcome outcome = Run();
    ExpectAllowed(outcome, 10.0);
    EXPECT_TRUE(RanToTheEnd(outcome));
    EXPECT_EQ(Utf8(outcome.window.ReadText(Ctl::编辑框好评)), GetParam().count);
    EXPECT_EQ(LastPagesAsked("1"), GetParam().lastPage);
}

// 99999999999 is 0x174876E7FF: its low 32 bits are 1215752191. The marketplace
// answers any page number over six digits with its first page, 40 entries.
INSTANTIATE_TEST_SUITE_P(
    Cases, PageCounts,
    ::testing::Values(
        PageCountCase{"Huge",
                      "{\"maxPage\":99999999999,\"rateList\":[]}",
                      std::to_string((1215752191LL - 1) * 40 + 40),
                      {"1215752191"}},
        PageCountCase{"Negative", "{\"maxPage\":-5,\"aucNumId\":1}", "0", {}},
        PageCountCase{"NotANumber", "{\"maxPage\":\"many\",\"aucNumId\":1}", "0", {}},
        PageCountCase{"Empty", "{\"maxPage\":,\"aucNumId\":1}", "0", {}},
        // 2^31 truncates to -2^31: not 0 and not above 1, so the first page is
        // counted as the last, below zero.
        PageCountCase{"TwoToTheThirtyFirst",
                      "{\"maxPage\":2147483648,\"aucNumId\":1,\"aucNumId\":2,\"AUCNUMID\":3}",
                      std::to_string((-2147483648LL - 1) * 40 + 3),
                      {}},
        // Beyond 64 bits a number truncates to 0.
        PageCountCase{
            "FortyDigits", "{\"maxPage\":" + std::string(40, '9') + ",\"aucNumId\":1}", "0", {}},
        PageCountCase{"LeadingZeros", "{\"maxPage\":0000000002,\"aucNumId\":1}", "80", {"2"}}),
    [](const ::testing::TestParamInfo<PageCountCase>& info) { return info.param.name; });

}  // namespace
}  // namespace kestrova::hostile
