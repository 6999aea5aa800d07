// kestrova-bench-lookup: the whole query of kestrova-cli against the sample
// marketplace, at the answer latencies given, several runs each. The
// marketplace serves from this process (the same server kestrova-marketplace
// runs), so that its request log counts the requests of every run; the CLI
// runs as a child, so that its CPU time and peak memory are its own.
//
// Prints one line per run on standard error and one summary line per latency
// on standard output:
//   result <latency ms> <requests> <median wall ms> <min wall ms>
//          <median wall / (requests x latency)> <median CPU ms> <max peak KB>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/ChildRun.h"
#include "marketplace/SampleMarketplace.h"

namespace {

using kestrova::SampleMarketplace;
using kestrova::bench::ChildRun;
using kestrova::bench::RunChild;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Options {
    std::string cli;
    std::string account = "青禾手作坊";
    std::string expect = "102345678";
    std::vector<int> latencies{0, 20};
    int runs = 5;
    int warmups = 1;
};

// Runs the lookup once; false (with a message) when it did not run through.
bool RunOnce(const Options& o, SampleMarketplace& market, ChildRun& run, std::size_t& requests) {
    market.ClearRequests();
    run = RunChild({o.cli, "lookup", o.account, "--connect-to",
                    "127.0.0.1:" + std::to_string(market.Port()), "--json"});
    requests = market.Requests().size();
    if (!run.started || run.exitStatus != 0) {
        std::fprintf(stderr, "kestrova-bench-lookup: %s did not run through (exit %d)\n",
                     o.cli.c_str(), run.exitStatus);
        return false;
    }
    // A lookup that stopped early would be fast for the wrong reason.
    if (run.out.find(o.expect) == std::string::npos) {
        std::fprintf(stderr, "kestrova-bench-lookup: the output lacks '%s'\n", o.expect.c_str());
        return false;
    }
    return true;
}

bool MeasureLatency(const Options& o, int latencyMs) {
    SampleMarketplace market(latencyMs);
    if (market.Start() < 0) {
        std::fprintf(stderr, "kestrova-bench-lookup: the marketplace cannot listen\n");
        return false;
    }
    ChildRun run;
    std::size_t requests = 0;
    for (int i = 0; i < o.warmups; ++i) {
        if (!RunOnce(o, market, run, requests)) {
            return false;
        }
    }
    std::vector<double> walls;
    std::vector<double> cpus;
    std::size_t maxRequests = 0;
    long peakKb = 0;
    for (int i = 1; i <= o.runs; ++i) {
        if (!RunOnce(o, market, run, requests)) {
            return false;
        }
        std::fprintf(stderr,
                     "latency %3d ms  run %d: %zu requests, wall %8.2f ms, cpu %6.2f ms, "
                     "peak %ld KB\n",
                     latencyMs, i, requests, run.wallMs, run.cpuMs, run.peakRssKb);
        walls.push_back(run.wallMs);
        cpus.push_back(run.cpuMs);
        maxRequests = std::max(maxRequests, requests);
        peakKb = std::max(peakKb, run.peakRssKb);
    }
    const double wall = Median(walls);
    const double floorMs = static_cast<double>(maxRequests) * latencyMs;
    const double ratio = floorMs > 0 ? wall / floorMs : 0;
    std::printf("result %d %zu %.2f %.2f %.4f %.2f %ld\n", latencyMs, maxRequests, wall,
                *std::min_element(walls.begin(), walls.end()), ratio, Median(cpus), peakKb);
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Times whole lookups of kestrova-cli against the sample marketplace."};
    Options o;
    app.add_option("--cli", o.cli, "path of kestrova-cli")->required()->check(CLI::ExistingFile);
    app.add_option("--account", o.account, "account name to look up (UTF-8)");
    app.add_option("--expect", o.expect, "text every run's JSON must contain");
    app.add_option("--latency-ms", o.latencies, "answer latencies to measure at")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--runs", o.runs, "measured runs per latency")->check(CLI::PositiveNumber);
    app.add_option("--warmups", o.warmups, "unmeasured runs first")->check(CLI::NonNegativeNumber);
    CLI11_PARSE(app, argc, argv);

    for (const int latency : o.latencies) {
        if (!MeasureLatency(o, latency)) {
            return 1;
        }
    }
    return 0;
}
