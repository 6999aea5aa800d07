// kestrova-bench-batch: many members in one run of kestrova-cli against the
// sample marketplace at a given answer latency, once for each number of jobs:
//   kestrova-cli lookup --from LIST --jobs N --json --connect-to ...
// The list cycles through every member of the sample roster (early ends
// included). The child's CPU time and peak memory are the kernel's account of
// the child alone, process start and exit included.
//
// One line per run goes to standard error; standard output gets one line per
// number of jobs, the median run of those measured:
//   batch <jobs> <members> <requests> <wall ms> <members/s> <CPU ms>
//         <CPU ms per member> <peak KB>
//
// With --refuse-after N the marketplace refuses as `kestrova-marketplace
// --refuse-after N` does (a rolling minute, Retry-After 30 s), and one batch
// runs at the CLI's own jobs with --pace MS; it may stop at the ceiling of
// refusals (exit 4). One line:
//   refusals <members> <refuse-after> <pace ms> <wall ms> <requests> <refused>
//            <members re-run> <lookups re-run> <members not checked> <exit>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "bench/ChildRun.h"
#include "marketplace/Members.h"
#include "marketplace/SampleMarketplace.h"

namespace {

using kestrova::SampleMarketplace;
using namespace kestrova::bench;

struct Options {
    std::string cli;
    int members = 100;
    int latencyMs = 20;
    std::vector<int> jobs{1, 8};
    int runs = 1;
    int refuseAfter = 0;
    int paceMs = 50;
};

struct Sample {
    double wallMs = 0;
    double cpuMs = 0;
    long peakKb = 0;
    std::size_t requests = 0;
};

std::vector<std::string> Accounts(int members) {
    const auto& roster = kestrova::marketplace::Members();
    std::vector<std::string> accounts;
    for (int i = 0; i < members; ++i) {
        accounts.push_back(roster[static_cast<std::size_t>(i) % roster.size()].account);
    }
    return accounts;
}

std::optional<Sample> RunBatch(const Options& o, int jobs, const std::string& list,
                               SampleMarketplace& market) {
    market.ClearRequests();
    const ChildRun run =
        RunChild({o.cli, "lookup", "--from", list, "--jobs", std::to_string(jobs), "--json",
                  "--connect-to", "127.0.0.1:" + std::to_string(market.Port())});
    if (!run.started || run.exitStatus != 0) {
        std::fprintf(stderr, "kestrova-bench-batch: %s did not run through (exit %d)\n",
                     o.cli.c_str(), run.exitStatus);
        return std::nullopt;
    }
    const auto lines = std::count(run.out.begin(), run.out.end(), '\n');
    if (lines != o.members) {
        std::fprintf(stderr, "kestrova-bench-batch: %ld lines printed for %d members\n",
                     static_cast<long>(lines), o.members);
        return std::nullopt;
    }
    if (run.peakRssKb <= run.parentPeakKb) {
        std::fprintf(stderr,
                     "kestrova-bench-batch: the CLI's peak memory is hidden by this program's "
                     "own (%ld KB)\n",
                     run.parentPeakKb);
        return std::nullopt;
    }
    return Sample{run.wallMs, run.cpuMs, run.peakRssKb, market.Requests().size()};
}

// Reads "re-ran M members after refusals (L lookups)" from the CLI's last words.
std::pair<int, int> Reruns(const std::string& err) {
    const std::size_t at = err.find("re-ran ");
    int members = 0;
    int lookups = 0;
    if (at != std::string::npos) {
        std::sscanf(err.c_str() + at, "re-ran %d", &members);
        const std::size_t open = err.find('(', at);
        if (open != std::string::npos) {
            std::sscanf(err.c_str() + open, "(%d", &lookups);
        }
    }
    return {members, lookups};
}

int RunRefused(const Options& o, const std::string& list, SampleMarketplace& market) {
    market.ClearRequests();
    market.SetRefusals({.refuseAfter = o.refuseAfter});
    const std::string errorFile = list + ".err";
    const ChildRun run =
        RunChild({o.cli, "lookup", "--from", list, "--json", "--pace", std::to_string(o.paceMs),
                  "--connect-to", "127.0.0.1:" + std::to_string(market.Port())},
                 errorFile);
    std::ifstream errStream(errorFile);
    const std::string err((std::istreambuf_iterator<char>(errStream)), {});
    std::filesystem::remove(errorFile);
    const int refused = market.Refused();  // forgotten with the settings
    market.SetRefusals({});
    if (!run.started || (run.exitStatus != 0 && run.exitStatus != 4)) {
        std::fprintf(stderr, "kestrova-bench-batch: %s did not run through (exit %d)\n%s",
                     o.cli.c_str(), run.exitStatus, err.c_str());
        return 1;
    }
    int unchecked = 0;
    for (std::size_t at = 0; (at = run.out.find("\"checked\":false", at)) != std::string::npos;
         ++at) {
        ++unchecked;
    }
    const auto [members, lookups] = Reruns(err);
    std::printf("refusals %d %d %d %.1f %zu %d %d %d %d %d\n", o.members, o.refuseAfter, o.paceMs,
                run.wallMs, market.Requests().size(), refused, members, lookups, unchecked,
                run.exitStatus);
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Times batch lookups of kestrova-cli against the sample marketplace."};
    Options o;
    app.add_option("--cli", o.cli, "path of kestrova-cli")->required()->check(CLI::ExistingFile);
    app.add_option("--members", o.members, "members in the list")->check(CLI::PositiveNumber);
    app.add_option("--latency-ms", o.latencyMs, "answer latency")->check(CLI::NonNegativeNumber);
    app.add_option("--jobs", o.jobs, "numbers of jobs to measure")->check(CLI::Range(1, 16));
    app.add_option("--runs", o.runs, "measured runs of each")->check(CLI::PositiveNumber);
    app.add_option("--refuse-after", o.refuseAfter,
                   "instead: one batch against a marketplace refusing past N requests to one host "
                   "a minute")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--pace", o.paceMs, "the batch's --pace with --refuse-after")
        ->check(CLI::NonNegativeNumber);
    CLI11_PARSE(app, argc, argv);

    const std::filesystem::path list =
        std::filesystem::temp_directory_path() /
        ("kestrova-bench-batch-" + std::to_string(::getpid()) + ".txt");
    {
        std::ofstream file(list, std::ios::binary);
        for (const std::string& account : Accounts(o.members)) {
            file << account << "\n";
        }
    }
    SampleMarketplace market(o.latencyMs);
    if (market.Start() < 0) {
        std::fprintf(stderr, "kestrova-bench-batch: the marketplace cannot listen\n");
        return 1;
    }
    int status = 0;
    if (o.refuseAfter > 0) {
        status = RunRefused(o, list.string(), market);
        std::filesystem::remove(list);
        return status;
    }
    for (const int jobs : o.jobs) {
        std::vector<Sample> samples;
        for (int i = 1; i <= o.runs; ++i) {
            const std::optional<Sample> s = RunBatch(o, jobs, list.string(), market);
            if (!s) {
                status = 1;
                break;
            }
            std::fprintf(stderr,
                         "batch jobs %2d run %d: %d members, %zu requests, wall %8.1f ms, cpu "
                         "%7.1f ms, peak %ld KB\n",
                         jobs, i, o.members, s->requests, s->wallMs, s->cpuMs, s->peakKb);
            samples.push_back(*s);
        }
        if (status != 0) {
            break;
        }
        std::sort(samples.begin(), samples.end(),
                  [](const Sample& a, const Sample& b) { return a.wallMs < b.wallMs; });
        const Sample& median = samples[samples.size() / 2];
        long peak = 0;
        for (const Sample& s : samples) {
            peak = std::max(peak, s.peakKb);
        }
        std::printf("batch %d %d %zu %.1f %.2f %.1f %.2f %ld\n", jobs, o.members, median.requests,
                    median.wallMs, o.members / (median.wallMs / 1000.0), median.cpuMs,
                    median.cpuMs / o.members, peak);
        std::fflush(stdout);
    }
    std::filesystem::remove(list);
    return status;
}
