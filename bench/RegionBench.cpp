// The region lookup: a code in the first rows, the last code of the table, and
// a code the table does not hold (the whole table is searched).

#include <benchmark/benchmark.h>

#include "lookup/RegionTable.h"

namespace kestrova::bench {

namespace {

// The code of the table's first row and of its last.
Text FirstCode() {
    const Text& table = RegionTableText();
    return table.substr(0, table.find(":["));
}

Text LastCode() {
    const Text& table = RegionTableText();
    const std::size_t row = table.rfind("\r\n") + 2;
    return table.substr(row, table.find(":[", row) - row);
}

void Lookup(benchmark::State& state, const Text& code, bool found) {
    if (LookUpRegionName(code).empty() == found) {
        state.SkipWithError("the code does not give the expected answer");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(LookUpRegionName(code));
    }
}

void BM_LookUpRegionName_First(benchmark::State& state) {
    Lookup(state, FirstCode(), true);
}
void BM_LookUpRegionName_Last(benchmark::State& state) {
    Lookup(state, LastCode(), true);
}
void BM_LookUpRegionName_Unknown(benchmark::State& state) {
    Lookup(state, "999999", false);
}

}  // namespace

BENCHMARK(BM_LookUpRegionName_First);
BENCHMARK(BM_LookUpRegionName_Last);
BENCHMARK(BM_LookUpRegionName_Unknown);

}  // namespace kestrova::bench
