// kestrova-marketplace: the sample marketplace as a program of its own, for
// benchmarks and for trying the query by hand with --connect-to. --later
// serves the members as they stand some weeks on, and SIGUSR1 switches
// between the two moments while it runs (a member looked up on both sides
// shows what changed in the history).

#include <CLI/CLI.hpp>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include "marketplace/SampleMarketplace.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;
volatile std::sig_atomic_t switchRequested = 0;

void RequestStop(int) {
    stopRequested = 1;
}

void RequestSwitch(int) {
    switchRequested = 1;
}

const char* MomentName(kestrova::MarketMoment moment) {
    return moment == kestrova::MarketMoment::kLater ? "later" : "first";
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Serves the sample marketplace's invented members on 127.0.0.1."};
    app.set_version_flag("--version", std::string("kestrova-marketplace ") + KESTROVA_VERSION);
    int port = 0;
    int latencyMs = 0;
    bool later = false;
    kestrova::marketplace::RefusalSettings refusals;
    int windowSeconds = 60;
    app.add_option("--port", port, "port to serve on (0: any free port)")
        ->required()
        ->check(CLI::Range(0, 65535));
    app.add_option("--latency-ms", latencyMs, "delay every answer by this many milliseconds")
        ->check(CLI::NonNegativeNumber);
    app.add_flag("--later", later,
                 "serve the members as they stand some weeks on (SIGUSR1 switches back and forth)");
    app.add_option("--refuse-after", refusals.refuseAfter,
                   "refuse from the N+1st request to one host in a rolling window: HTML pages "
                   "by a redirect to a verification page, the rest with 429 and Retry-After "
                   "(0: never)")
        ->type_name("N")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--refuse-window", windowSeconds,
                   "the rolling window of --refuse-after, in seconds (default 60)")
        ->type_name("SECONDS")
        ->check(CLI::Range(1, 86400));
    app.add_option("--retry-after", refusals.retryAfterSeconds,
                   "the Retry-After of a 429, in seconds (default 30)")
        ->type_name("SECONDS")
        ->check(CLI::Range(0, 86400));
    app.add_option("--flaky", refusals.flaky,
                   "fail a fraction P of the answers, with 503 or a dropped connection")
        ->type_name("P")
        ->check(CLI::Range(0.0, 1.0));
    app.add_option("--seed", refusals.seed,
                   "which answers --flaky fails: the same seed fails the same ones (default 1)")
        ->type_name("N");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version end here too, with 0; anything else is a usage error.
        return app.exit(e) == 0 ? 0 : 2;
    }

    kestrova::SampleMarketplace marketplace(latencyMs);
    marketplace.SetMoment(later ? kestrova::MarketMoment::kLater : kestrova::MarketMoment::kFirst);
    refusals.window = std::chrono::seconds(windowSeconds);
    marketplace.SetRefusals(refusals);
    const int served = marketplace.Start(port);
    if (served < 0) {
        std::fprintf(stderr, "kestrova-marketplace: cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }
    std::printf("%d\n", served);
    std::fflush(stdout);

    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
    std::signal(SIGUSR1, RequestSwitch);
    while (stopRequested == 0) {
        if (switchRequested != 0) {
            switchRequested = 0;
            marketplace.SetMoment(marketplace.Moment() == kestrova::MarketMoment::kFirst
                                      ? kestrova::MarketMoment::kLater
                                      : kestrova::MarketMoment::kFirst);
            std::fprintf(stderr, "kestrova-marketplace: serving the %s moment\n",
                         MomentName(marketplace.Moment()));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    marketplace.Stop();
    return 0;
}
