// Saving a lookup of the full seller in the history, and reading it back: the
// cost a lookup pays on top of its query.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "form/FieldStore.h"
#include "history/LookupHistory.h"
#include "history/SavedLookups.h"
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
        LookupHistory history(file, "bench");
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
        LookupHistory history(file, "bench");
        const auto now = std::chrono::system_clock::now();
        const auto id = history.Save(
            LookupRecord{.fields = fields, .account = "青禾手作坊", .started = now, .ended = now});
        const SavedLookups saved(file);
        for (auto _ : state) {
            benchmark::DoNotOptimize(saved.Load(id.value_or(1)));
        }
    }
    RemoveHistory(file);
}

}  // namespace

BENCHMARK(BM_SaveLookup_FullSeller)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadLookup_FullSeller)->Unit(benchmark::kMicrosecond);

}  // namespace kestrova::bench
