// The regular-expression helper with the query's own patterns, each on the
// page the query runs it over (rating overview pages padded to 100 KB).
// The patterns are copied from the page steps, where they are private. Each
// timed run follows a run on the same page, as the query's patterns after the
// first on a page do, so the page's conversion is reused; the conversion has
// a benchmark of its own.

#include <benchmark/benchmark.h>

#include "bench/SamplePages.h"
#include "text/Gbk.h"
#include "web/RegexHelper.h"

namespace kestrova::bench {

namespace {

enum class Page { Rating, BuyerRating, Profile, Summary };

const Text& PageText(Page page) {
    switch (page) {
        case Page::Profile:
            return ProfilePage();
        case Page::Summary:
            return SummaryPage();
        case Page::BuyerRating:
            return PaddedBuyerRatingPage();
        case Page::Rating:
            break;
    }
    return PaddedRatingPage();
}

// Checks that the pattern finds something, so that a page that lost its
// values is not timed as a fast miss.
void RunPattern(benchmark::State& state, Page page, const Text& pattern) {
    const Text& subject = PageText(page);
    RegexHelper regex;
    if (!regex.RegexPrepare(pattern, subject) || regex.RegexMatchCount() == 0) {
        state.SkipWithError("the pattern finds nothing on its page");
        return;
    }
    for (auto _ : state) {
        regex.RegexPrepare(pattern, subject);
        benchmark::DoNotOptimize(regex.RegexSubMatch(1, 1));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(subject.size()));
}

}  // namespace

BENCHMARK_CAPTURE(RunPattern, Region, Page::Rating,
                  Gbk("所在地区：[\\s\\S]*?([\\u4e00-\\u9fa5]+)[\\s\\S]*?</li>"));
BENCHMARK_CAPTURE(RunPattern, MemberId, Page::Rating, Text("userID: '(\\d+)'"));
BENCHMARK_CAPTURE(
    RunPattern, Certification, Page::Rating,
    Gbk("<!--认证标志-->[\\s\\S]*?([\\u4e00-\\u9fa5]+)[\\s\\S]*?<!--商城及地域的标志-->"));
BENCHMARK_CAPTURE(RunPattern, ShopStart, Page::Rating,
                  Text("id=\"J_showShopStartDate\" value=\"(.*)\" />"));
BENCHMARK_CAPTURE(RunPattern, GoodRate, Page::Rating, Gbk("好评率：(\\d.*)%"));
BENCHMARK_CAPTURE(RunPattern, BuyerCredit, Page::BuyerRating,
                  Gbk("买家信用：[\\s\\S]*?(\\d+)</a>"));
BENCHMARK_CAPTURE(RunPattern, CountTable, Page::Rating, Text(">(\\d+)</a>"));
BENCHMARK_CAPTURE(RunPattern, OpenedDate, Page::Profile, Gbk("\\d+年\\d+月\\d+日"));
BENCHMARK_CAPTURE(RunPattern, RatingPageAddress, Page::Profile,
                  Text("http:\\/\\/rate\\.taobao\\.com\\/user-rate-.*htm"));
BENCHMARK_CAPTURE(RunPattern, PageCount, Page::Summary, Text("\"maxPage\":(\\d+)"));
BENCHMARK_CAPTURE(RunPattern, EntryCount, Page::Summary, Text("aucNumId"));

}  // namespace kestrova::bench
