// Classifying the answers of a lookup: the status, the redirects and, for an
// HTML page, a search of its first 64 KB for the refusal markers.

#include <benchmark/benchmark.h>

#include "bench/SamplePages.h"
#include "web/AnswerClass.h"

namespace kestrova::bench {

namespace {

WireResponse PageAnswer(const Text& page, const char* contentType) {
    WireResponse response;
    response.status = 200;
    response.headerText = std::string("Content-Type: ") + contentType + "\r\nServer: sample";
    response.body.assign(page.begin(), page.end());
    return response;
}

// The answers of a full seller's lookup that take the longest to classify:
// the profile, the rating page padded as the real one is, one summary and
// one rating list; a lookup sends some 15 requests, most of them smaller.
void BM_ClassifyAnswer_LookupPages(benchmark::State& state) {
    const WireResponse answers[] = {
        PageAnswer(ProfilePage(), "text/html; charset=GBK"),
        PageAnswer(PaddedRatingPage(), "text/html; charset=GBK"),
        PageAnswer(SummaryPage(), "text/html; charset=GBK"),
        PageAnswer(RatingListJsonp(), "application/javascript"),
    };
    const auto now = std::chrono::system_clock::now();
    for (auto _ : state) {
        for (const WireResponse& answer : answers) {
            benchmark::DoNotOptimize(
                ClassifyAnswer("http://rate.taobao.com/user-rate-102345678.htm", answer, now));
        }
    }
}

}  // namespace

BENCHMARK(BM_ClassifyAnswer_LookupPages)->Unit(benchmark::kMicrosecond);

}  // namespace kestrova::bench
