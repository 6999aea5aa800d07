// Searching and cutting a 100 KB GBK page, against the C library's and the
// standard library's plain byte searches, which know nothing of double-byte
// characters and so bound what a character-aware search can reach.

#include <benchmark/benchmark.h>
#include <string.h>

#include <string_view>

#include "bench/SamplePages.h"
#include "lookup/MarkerCut.h"
#include "text/Gbk.h"
#include "text/Search.h"

namespace kestrova::bench {

namespace {

// On the page, behind the padding: the search runs through nearly all of it.
const Text& LateMarker() {
    static const Text marker = Gbk("好评率：");
    return marker;
}

// Not on the full seller's page: the search runs through all of it.
const Text& AbsentMarker() {
    static const Text marker = Gbk("卖家尚未加入淘宝网");
    return marker;
}

// Bytes a search passes over: up to the match, or the whole page.
std::int64_t Scanned(const Text& page, const Text& marker) {
    const std::size_t at = page.find(marker);
    return static_cast<std::int64_t>(at == Text::npos ? page.size() : at + marker.size());
}

void FindTextOnPage(benchmark::State& state, const Text& marker) {
    const Text& page = PaddedRatingPage();
    for (auto _ : state) {
        benchmark::DoNotOptimize(FindText(page, marker));
    }
    state.SetBytesProcessed(state.iterations() * Scanned(page, marker));
}

void MemmemOnPage(benchmark::State& state, const Text& marker) {
    const Text& page = PaddedRatingPage();
    for (auto _ : state) {
        benchmark::DoNotOptimize(memmem(page.data(), page.size(), marker.data(), marker.size()));
    }
    state.SetBytesProcessed(state.iterations() * Scanned(page, marker));
}

void StringViewFindOnPage(benchmark::State& state, const Text& marker) {
    const std::string_view page = PaddedRatingPage();
    for (auto _ : state) {
        benchmark::DoNotOptimize(page.find(marker));
    }
    state.SetBytesProcessed(state.iterations() * Scanned(PaddedRatingPage(), marker));
}

void BM_FindText_Absent(benchmark::State& state) {
    FindTextOnPage(state, AbsentMarker());
}
void BM_Memmem_Absent(benchmark::State& state) {
    MemmemOnPage(state, AbsentMarker());
}
void BM_StringViewFind_Absent(benchmark::State& state) {
    StringViewFindOnPage(state, AbsentMarker());
}
void BM_FindText_Late(benchmark::State& state) {
    FindTextOnPage(state, LateMarker());
}
void BM_Memmem_Late(benchmark::State& state) {
    MemmemOnPage(state, LateMarker());
}
void BM_StringViewFind_Late(benchmark::State& state) {
    StringViewFindOnPage(state, LateMarker());
}

BENCHMARK(BM_FindText_Absent);
BENCHMARK(BM_Memmem_Absent);
BENCHMARK(BM_StringViewFind_Absent);
BENCHMARK(BM_FindText_Late);
BENCHMARK(BM_Memmem_Late);
BENCHMARK(BM_StringViewFind_Late);

// The seller credit cut: a 9999-byte window behind a marker near the end.
void BM_MarkerCut_SellerCredit(benchmark::State& state) {
    const Text& page = PaddedRatingPage();
    const Text marker = Gbk("<li>卖家信用：");
    for (auto _ : state) {
        benchmark::DoNotOptimize(MarkerCut(page, marker, 15, 9999, "<a href=", 2));
    }
    state.SetBytesProcessed(state.iterations() * Scanned(page, marker));
}

// The same cut with std::string_view::find and no copies, as a floor.
void BM_StringViewCut_SellerCredit(benchmark::State& state) {
    const std::string_view page = PaddedRatingPage();
    const Text marker = Gbk("<li>卖家信用：");
    for (auto _ : state) {
        const std::size_t p = page.find(marker);
        const std::string_view window = page.substr(p + 14, 9999);
        benchmark::DoNotOptimize(window.substr(0, window.find("<a href=") - 1));
    }
    state.SetBytesProcessed(state.iterations() * Scanned(PaddedRatingPage(), marker));
}

// The deposit cut: a 99-byte window.
void BM_MarkerCut_Deposit(benchmark::State& state) {
    const Text& page = PaddedRatingPage();
    const Text marker = Gbk("卖家当前保证金余额 <span>￥");
    const Text end = Gbk("</span> 元</div>");
    for (auto _ : state) {
        benchmark::DoNotOptimize(MarkerCut(page, marker, 27, 99, end, 1));
    }
    state.SetBytesProcessed(state.iterations() * Scanned(page, marker));
}

BENCHMARK(BM_MarkerCut_SellerCredit);
BENCHMARK(BM_StringViewCut_SellerCredit);
BENCHMARK(BM_MarkerCut_Deposit);

// A rating comment as the rating list step cleans it.
void BM_ReplaceSubText_Comment(benchmark::State& state) {
    const Text comment =
        Gbk("宝贝收到了&hellip;包装很用心<br/>\\n皂的味道清新自然&hellip;洗完不紧绷<br/>\\n"
            "下次还来&hellip;");
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReplaceSubText(
            ReplaceSubText(comment, "&hellip;", "...", 1, 9, true), "<br/>\\n", "...", 1, 9, true));
    }
}

// Every "&nbsp;" of the whole page, as throughput.
void BM_ReplaceSubText_Page(benchmark::State& state) {
    const Text& page = PaddedRatingPage();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReplaceSubText(page, "&nbsp;", " ", 1, kUnlimited, true));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(page.size()));
}

BENCHMARK(BM_ReplaceSubText_Comment);
BENCHMARK(BM_ReplaceSubText_Page);

// A summary page of 40 entries split at its entry key, as the rating summaries
// and lists are.
void BM_SplitText_40Entries(benchmark::State& state) {
    const Text& page = SummaryPage();
    if (SplitText(page, "aucNumId").Count() != 41) {
        state.SkipWithError("the summary page does not hold 40 entries");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(SplitText(page, "aucNumId"));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(page.size()));
}

BENCHMARK(BM_SplitText_40Entries);

// The conversion every regular-expression run makes of its subject.
void BM_GbkToUtf8Lossless_Page(benchmark::State& state) {
    const Text& page = PaddedRatingPage();
    for (auto _ : state) {
        benchmark::DoNotOptimize(GbkToUtf8Lossless(page));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(page.size()));
}

BENCHMARK(BM_GbkToUtf8Lossless_Page);

}  // namespace

}  // namespace kestrova::bench
