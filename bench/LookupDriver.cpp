// kestrova-bench-lookup: whole lookups against the sample marketplace, at the
// answer latencies given, several runs each, in the sequential and the fast
// mode ("-fast" after the kind), these ways:
//   cli    kestrova-cli lookup ACCOUNT --connect-to ... --json as a child
//          process, start-up and exit included; its CPU time and peak memory
//          are the kernel's account of the child alone;
//   window the query a click runs in a program that is already up (this one,
//          warmed up by one run): on the program's window on the offscreen
//          platform, until what it wrote is painted; CPU time of the
//          program's own threads (window, query worker, transfer engine);
//   query  the same on a headless window, the query's own cost alone;
//   bare   the query's own requests replayed by the least client there is
//          (BareFetch): the round trips alone, the floor the others stand on.
//
// The marketplace serves from this process (the same server kestrova-
// marketplace runs), so that its request log counts the requests of each run.
//
// One line per run goes to standard error; standard output gets one line per
// kind and latency:
//   cli|window|query[-fast]|bare <latency ms> <requests> <median wall ms> <min wall ms>
//             <median wall / (requests x latency)> <median CPU ms> <max peak KB>

#include <CLI/CLI.hpp>
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench/BareFetch.h"
#include "bench/ChildRun.h"
#include "bench/QueryRun.h"
#include "marketplace/SampleMarketplace.h"

namespace {

using kestrova::LookupMode;
using kestrova::SampleMarketplace;
using namespace kestrova::bench;

constexpr LookupMode kModes[] = {LookupMode::Sequential, LookupMode::Fast};

std::string KindName(const char* kind, LookupMode mode) {
    return std::string(kind) + (mode == LookupMode::Fast ? "-fast" : "");
}

struct Options {
    std::string cli;
    std::string account = "青禾手作坊";
    std::string expect = "102345678";
    std::vector<int> latencies{0, 20};
    int runs = 5;
    int warmups = 1;
};

struct Sample {
    double wallMs = 0;
    double cpuMs = 0;
    long peakKb = 0;
    std::size_t requests = 0;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Summary {
    double wallMedian = 0;
    double wallMin = 0;
    double cpuMedian = 0;
    long peakKb = 0;
    std::size_t requests = 0;
};

// Runs `once` warmups + runs times, the warm-ups unrecorded; nothing when a
// run fails.
std::optional<Summary> Measure(const Options& o, const char* kind, int latencyMs,
                               const std::function<std::optional<Sample>()>& once) {
    for (int i = 0; i < o.warmups; ++i) {
        if (!once()) {
            return std::nullopt;
        }
    }
    std::vector<double> walls;
    std::vector<double> cpus;
    Summary s;
    for (int i = 1; i <= o.runs; ++i) {
        const std::optional<Sample> r = once();
        if (!r) {
            return std::nullopt;
        }
        std::fprintf(stderr,
                     "%-7s latency %3d ms  run %d: %2zu requests, wall %8.2f ms, cpu %6.2f ms, "
                     "peak %ld KB\n",
                     kind, latencyMs, i, r->requests, r->wallMs, r->cpuMs, r->peakKb);
        walls.push_back(r->wallMs);
        cpus.push_back(r->cpuMs);
        s.peakKb = std::max(s.peakKb, r->peakKb);
        s.requests = std::max(s.requests, r->requests);
    }
    s.wallMedian = Median(walls);
    s.wallMin = *std::min_element(walls.begin(), walls.end());
    s.cpuMedian = Median(cpus);
    return s;
}

void PrintLookup(const char* kind, int latencyMs, const Summary& s) {
    const double floorMs = static_cast<double>(s.requests) * latencyMs;
    std::printf("%s %d %zu %.2f %.2f %.4f %.2f %ld\n", kind, latencyMs, s.requests, s.wallMedian,
                s.wallMin, floorMs > 0 ? s.wallMedian / floorMs : 0.0, s.cpuMedian, s.peakKb);
    std::fflush(stdout);
}

std::optional<Sample> CliLookup(const Options& o, SampleMarketplace& market, LookupMode mode) {
    market.ClearRequests();
    std::vector<std::string> args{o.cli,          "lookup", o.account, "--connect-to",
                                  "127.0.0.1:" + std::to_string(market.Port()), "--json"};
    if (mode == LookupMode::Fast) {
        args.push_back("--fast");
    }
    const ChildRun run = RunChild(args);
    if (!run.started || run.exitStatus != 0) {
        std::fprintf(stderr, "kestrova-bench-lookup: %s did not run through (exit %d)\n",
                     o.cli.c_str(), run.exitStatus);
        return std::nullopt;
    }
    // A lookup that stopped early would be fast for the wrong reason.
    if (run.out.find(o.expect) == std::string::npos) {
        std::fprintf(stderr, "kestrova-bench-lookup: the CLI's output lacks '%s'\n",
                     o.expect.c_str());
        return std::nullopt;
    }
    if (run.peakRssKb <= run.parentPeakKb) {
        std::fprintf(stderr,
                     "kestrova-bench-lookup: the CLI's peak memory is hidden by this program's "
                     "own (%ld KB)\n",
                     run.parentPeakKb);
        return Sample{run.wallMs, run.cpuMs, -1, market.Requests().size()};
    }
    return Sample{run.wallMs, run.cpuMs, run.peakRssKb, market.Requests().size()};
}

// Checks what the query found: a lookup that stopped early would be fast for
// the wrong reason.
std::optional<Sample> Checked(const Options& o, const QueryRun& run, SampleMarketplace& market,
                              std::vector<kestrova::LoggedRequest>& requests) {
    if (run.memberId != o.expect) {
        std::fprintf(stderr, "kestrova-bench-lookup: the query wrote member id '%s', not '%s'\n",
                     run.memberId.c_str(), o.expect.c_str());
        return std::nullopt;
    }
    requests = market.Requests();
    return Sample{run.wallMs, run.cpuMs, 0, requests.size()};
}

std::optional<Sample> BareReplay(SampleMarketplace& market,
                                 const std::vector<kestrova::LoggedRequest>& requests) {
    const auto begin = std::chrono::steady_clock::now();
    for (const kestrova::LoggedRequest& r : requests) {
        if (BareFetch(market.Port(), r.host, r.target) < 0) {
            std::fprintf(stderr, "kestrova-bench-lookup: the replay of %s%s failed\n",
                         r.host.c_str(), r.target.c_str());
            return std::nullopt;
        }
    }
    const auto end = std::chrono::steady_clock::now();
    return Sample{std::chrono::duration<double, std::milli>(end - begin).count(), 0, 0,
                  requests.size()};
}

struct Kinds {
    bool cli = true;
    bool window = true;
    bool query = true;
    bool bare = true;
};

bool MeasureCli(const Options& o, int latencyMs) {
    SampleMarketplace market(latencyMs);
    if (market.Start() < 0) {
        std::fprintf(stderr, "kestrova-bench-lookup: the marketplace cannot listen\n");
        return false;
    }
    for (const LookupMode mode : kModes) {
        const std::string kind = KindName("cli", mode);
        const auto cli =
            Measure(o, kind.c_str(), latencyMs, [&] { return CliLookup(o, market, mode); });
        if (!cli) {
            return false;
        }
        PrintLookup(kind.c_str(), latencyMs, *cli);
    }
    return true;
}

bool MeasureInProcess(const Options& o, const Kinds& kinds, WindowQuery* window, int latencyMs) {
    SampleMarketplace market(latencyMs);
    if (market.Start() < 0) {
        std::fprintf(stderr, "kestrova-bench-lookup: the marketplace cannot listen\n");
        return false;
    }
    std::vector<kestrova::LoggedRequest> requests;
    const auto headless = [&](LookupMode mode) {
        market.ClearRequests();
        return Checked(o, RunHeadlessQuery(o.account, market.Port(), mode), market, requests);
    };
    for (const LookupMode mode : kModes) {
        if (window != nullptr) {
            const std::string kind = KindName("window", mode);
            const auto inWindow = Measure(o, kind.c_str(), latencyMs, [&] {
                market.ClearRequests();
                return Checked(o, window->Run(o.account, market.Port(), mode), market, requests);
            });
            if (!inWindow) {
                return false;
            }
            PrintLookup(kind.c_str(), latencyMs, *inWindow);
        }
        if (kinds.query) {
            const std::string kind = KindName("query", mode);
            const auto query = Measure(o, kind.c_str(), latencyMs, [&] { return headless(mode); });
            if (!query) {
                return false;
            }
            PrintLookup(kind.c_str(), latencyMs, *query);
        }
    }
    if (kinds.bare) {
        if (requests.empty() && !headless(LookupMode::Sequential)) {
            return false;  // the requests to replay come from a query
        }
        const auto bare =
            Measure(o, "bare", latencyMs, [&] { return BareReplay(market, requests); });
        if (!bare) {
            return false;
        }
        PrintLookup("bare", latencyMs, *bare);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Times whole lookups against the sample marketplace."};
    Options o;
    std::vector<std::string> kindNames{"cli", "window", "query", "bare"};
    app.add_option("--cli", o.cli, "path of kestrova-cli")->check(CLI::ExistingFile);
    app.add_option("--account", o.account, "account name to look up (UTF-8)");
    app.add_option("--expect", o.expect, "the member id the lookup must find");
    app.add_option("--latency-ms", o.latencies, "answer latencies to measure at")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--runs", o.runs, "measured runs of each kind")->check(CLI::PositiveNumber);
    app.add_option("--warmups", o.warmups, "unmeasured runs first")->check(CLI::NonNegativeNumber);
    app.add_option("--kinds", kindNames, "what to measure: cli, window, query, bare")
        ->check(CLI::IsMember({"cli", "window", "query", "bare"}));
    CLI11_PARSE(app, argc, argv);
    const auto wanted = [&](const char* kind) {
        return std::find(kindNames.begin(), kindNames.end(), kind) != kindNames.end();
    };
    const Kinds kinds{wanted("cli"), wanted("window"), wanted("query"), wanted("bare")};
    if (kinds.cli && o.cli.empty()) {
        std::fprintf(stderr, "kestrova-bench-lookup: --cli is needed to measure kestrova-cli\n");
        return 2;
    }

    // The command line first, while this program is still small: a child's
    // peak memory as the kernel reports it is at least the spawner's.
    if (kinds.cli) {
        for (const int latency : o.latencies) {
            if (!MeasureCli(o, latency)) {
                return 1;
            }
        }
    }
    if (!kinds.window && !kinds.query && !kinds.bare) {
        return 0;
    }
    // The window comes up where no display is needed, as in the tests.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qt(argc, argv);
    std::unique_ptr<WindowQuery> window;
    if (kinds.window) {
        window = std::make_unique<WindowQuery>();
    }
    for (const int latency : o.latencies) {
        if (!MeasureInProcess(o, kinds, window.get(), latency)) {
            return 1;
        }
    }
    return 0;
}
