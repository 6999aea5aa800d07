// Saving a lookup of the full seller in the history, and reading it back: the
// cost a lookup pays on top of its query.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "form/FieldStore.h"
#include "history/History.h"
#include "history/LookupHistory.h"
#include "lookup/Lookup.h"
#include "lookup/PictureBoxes.h"
#include "marketplace/SampleMarketplace.h"
#include "text/Gbk.h"
#include "web/Endpoints.h"

namespace kestrova::bench {

namespace {

// The full seller as the window holds it after a lookup.
const FieldStore& FullSellerLookup() {
    static const FieldStore fields = [] {
        SampleMarketplace market;
        SetConnectTo(ConnectTarget{"127.0.0.1", market.Start()});
        FieldStore window(EmbeddedDesignPictures());
        QueryState state;
        window.WriteText(Ctl::编辑框1, Gbk("青禾手作坊"));
        QueryRoutine(window, state);
        SetConnectTo(std::nullopt);
        return window;
    }();
    return fields;
}

std::filesystem::path BenchFile() {
    return std::filesystem::temp_directory_path() /
           ("kestrova-bench-history-" + std::to_string(getpid()) + ".sqlite3");
}

void RemoveHistory(const std::filesystem::path& file) {
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::filesystem::remove(file.string() + suffix);
    }
}

// Each save is a lookup of its own in a history that already holds the
// pictures: what every lookup after the first pays.
void BM_SaveLookup_FullSeller(benchmark::State& state) {
    const FieldStore& fields = FullSellerLookup();
    const auto file = BenchFile();
    RemoveHistory(file);
    {
        History historyStore(file, kSavingLockWait);
        LookupHistory history(&historyStore, "bench");
        const auto now = std::chrono::system_clock::now();
        const LookupRecord record{
            .fields = fields, .account = "青禾手作坊", .started = now, .ended = now};
        history.Save(record);
        for (auto _ : state) {
            benchmark::DoNotOptimize(history.Save(record));
        }
    }
    RemoveHistory(file);
}

void BM_LoadLookup_FullSeller(benchmark::State& state) {
    const FieldStore& fields = FullSellerLookup();
    const auto file = BenchFile();
    RemoveHistory(file);
    {
        History historyStore(file, kSavingLockWait);
        LookupHistory history(&historyStore, "bench");
        const auto now = std::chrono::system_clock::now();
        const auto id = history.Save(
            LookupRecord{.fields = fields, .account = "青禾手作坊", .started = now, .ended = now});
        History saved(file);
        for (auto _ : state) {
            benchmark::DoNotOptimize(saved.Load(id.value_or(1)));
        }
    }
    RemoveHistory(file);
}

// The same on a PostgreSQL server (KESTROVA_BENCH_POSTGRES: a URI of an empty
// database; bench.sh starts a server on loopback for it). Wall time counts
// here: the server does its part in a process of its own. round_trips: per
// iteration, as the store counts its batches.
std::optional<HistoryPlace> BenchServer(benchmark::State& state) {
    const char* uri = std::getenv("KESTROVA_BENCH_POSTGRES");
    if (uri == nullptr || *uri == '\0') {
        state.SkipWithError("KESTROVA_BENCH_POSTGRES not set");
        return std::nullopt;
    }
    return HistoryPlace::Named(uri);
}

LookupRow FullSellerRow() {
    LookupRow row;
    row.account = "青禾手作坊";
    row.end = "verdicts";
    row.mode = "sequential";
    return row;
}

void BM_SaveLookup_FullSeller_Postgres(benchmark::State& state) {
    const FieldStore& fields = FullSellerLookup();
    const auto place = BenchServer(state);
    if (!place) {
        return;
    }
    History store(*place);
    store.Save(FullSellerRow(), fields, std::nullopt);
    const int before = store.RoundTrips();
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.Save(FullSellerRow(), fields, std::nullopt));
    }
    // In the label: a counter only some rows have stops the CSV report.
    state.SetLabel(
        std::to_string((store.RoundTrips() - before) / static_cast<int>(state.iterations())));
}

// What show does: the member's latest lookup listed, then read back whole.
void BM_ShowLookup_FullSeller_Postgres(benchmark::State& state) {
    const FieldStore& fields = FullSellerLookup();
    const auto place = BenchServer(state);
    if (!place) {
        return;
    }
    History store(*place);
    store.Save(FullSellerRow(), fields, std::nullopt);
    const int before = store.RoundTrips();
    for (auto _ : state) {
        const auto latest = store.Recent("青禾手作坊", 1);
        benchmark::DoNotOptimize(store.Load(latest.front().id));
    }
    // In the label: a counter only some rows have stops the CSV report.
    state.SetLabel(
        std::to_string((store.RoundTrips() - before) / static_cast<int>(state.iterations())));
}

}  // namespace

BENCHMARK(BM_SaveLookup_FullSeller)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadLookup_FullSeller)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveLookup_FullSeller_Postgres)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ShowLookup_FullSeller_Postgres)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace kestrova::bench
