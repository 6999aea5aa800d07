// URL encoding of an account name and decoding of escaped texts.

#include <benchmark/benchmark.h>

#include "bench/SamplePages.h"
#include "text/Gbk.h"
#include "web/UrlCodec.h"

namespace kestrova::bench {

namespace {

void BM_UrlEncode_Account(benchmark::State& state) {
    const Text account = FullSellerAccount();
    for (auto _ : state) {
        benchmark::DoNotOptimize(UrlEncode(account));
    }
}

// A place name as the region table writes it.
void BM_DecodeEscapes_RegionName(benchmark::State& state) {
    const Text escaped = "\\u6d59\\u6c5f\\u7701\\u676d\\u5dde\\u5e02";
    for (auto _ : state) {
        benchmark::DoNotOptimize(DecodeEscapes(escaped));
    }
}

// A rating comment with line breaks and quotes escaped, as JSON carries it.
void BM_DecodeEscapes_Comment(benchmark::State& state) {
    const Text escaped =
        Gbk("宝贝收到了，包装很用心\\n皂的味道\\\"清新自然\\\"，洗完不紧绷\\r\\n"
            "\\u4e0b\\u6b21\\u8fd8\\u6765\\uff01");
    for (auto _ : state) {
        benchmark::DoNotOptimize(DecodeEscapes(escaped));
    }
}

}  // namespace

BENCHMARK(BM_UrlEncode_Account);
BENCHMARK(BM_DecodeEscapes_RegionName);
BENCHMARK(BM_DecodeEscapes_Comment);

}  // namespace kestrova::bench
