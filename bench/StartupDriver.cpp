// kestrova-bench-startup: how long the programs take to come up, and what
// memory that takes, several runs each:
//   window  kestrova --startup-probe on the offscreen platform: from the spawn
//           to the line it prints once the window's first paint is through
//           (exec and the loading of the libraries included), and the same as
//           the program itself measures it from the start of main;
//   cli     kestrova-cli --version: the cost every command-line lookup pays
//           before its query starts (and its exit), as wall and CPU time;
//   curl    curl --version the same way: a command-line HTTP client's own
//           start and exit, the yardstick for the one above;
//   lookup  kestrova-cli lookup ACCOUNT --json against a kestrova-marketplace
//           process (no latency): a whole lookup's peak memory. Measured from
//           here because this program is small: the kernel counts the
//           spawner's own peak into a child's, which hides the CLI's behind a
//           larger spawner.
//
// One line per run goes to standard error; standard output gets:
//   window <median ms to painted> <median ms main to painted> <max peak KB>
//   cli <median wall ms> <median CPU ms> <max peak KB>
//   curl <median wall ms> <median CPU ms> <max peak KB>
//   lookup <median wall ms> <median CPU ms> <max peak KB>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/ChildRun.h"

extern char** environ;

namespace {

using kestrova::bench::ChildRun;
using kestrova::bench::RunChild;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

bool MeasureWindow(const std::string& program, int runs, int warmups) {
    std::vector<double> toPainted;
    std::vector<double> fromMain;
    long peakKb = 0;
    for (int i = 1 - warmups; i <= runs; ++i) {
        const ChildRun run = RunChild({program, "--startup-probe"});
        char* end = nullptr;
        const double reported = std::strtod(run.out.c_str(), &end);
        if (!run.started || run.exitStatus != 0 || end == run.out.c_str()) {
            std::fprintf(stderr, "kestrova-bench-startup: %s --startup-probe failed (exit %d)\n",
                         program.c_str(), run.exitStatus);
            return false;
        }
        if (i < 1) {
            continue;
        }
        std::fprintf(stderr,
                     "window  run %d: painted after %7.2f ms (%7.2f ms from main), exit after "
                     "%7.2f ms, cpu %6.2f ms, peak %ld KB\n",
                     i, run.firstOutputMs, reported, run.wallMs, run.cpuMs, run.peakRssKb);
        toPainted.push_back(run.firstOutputMs);
        fromMain.push_back(reported);
        peakKb = std::max(peakKb, run.peakRssKb);
    }
    std::printf("window %.2f %.2f %ld\n", Median(toPainted), Median(fromMain), peakKb);
    return true;
}

// `program --version`, reported on a line starting with `label`.
bool MeasureVersion(const char* label, const std::string& program, int runs, int warmups) {
    std::vector<double> walls;
    std::vector<double> cpus;
    long peakKb = 0;
    for (int i = 1 - warmups; i <= runs; ++i) {
        const ChildRun run = RunChild({program, "--version"});
        if (!run.started || run.exitStatus != 0) {
            std::fprintf(stderr, "kestrova-bench-startup: %s --version failed (exit %d)\n",
                         program.c_str(), run.exitStatus);
            return false;
        }
        if (i < 1) {
            continue;
        }
        std::fprintf(stderr, "%-7s run %d: wall %7.2f ms, cpu %6.2f ms, peak %ld KB\n", label, i,
                     run.wallMs, run.cpuMs, run.peakRssKb);
        walls.push_back(run.wallMs);
        cpus.push_back(run.cpuMs);
        peakKb = std::max(peakKb, run.peakRssKb);
    }
    std::printf("%s %.2f %.2f %ld\n", label, Median(walls), Median(cpus), peakKb);
    return true;
}

// The sample marketplace as a process of its own on a free port; its pid, and
// the port it printed.
struct Marketplace {
    pid_t pid = -1;
    int port = 0;
};

Marketplace StartMarketplace(const std::string& program) {
    Marketplace market;
    int fds[2];
    if (pipe(fds) != 0) {
        return market;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    std::vector<std::string> args = {program, "--port", "0"};
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    const int spawned =
        posix_spawn(&market.pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        market.pid = -1;
        close(fds[0]);
        return market;
    }
    std::string line;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') {
        line += c;
    }
    close(fds[0]);
    market.port = std::atoi(line.c_str());
    return market;
}

void StopMarketplace(const Marketplace& market) {
    if (market.pid > 0) {
        kill(market.pid, SIGTERM);
        int status = 0;
        waitpid(market.pid, &status, 0);
    }
}

bool MeasureLookup(const std::string& cli, const std::string& marketplace,
                   const std::string& account, int runs, int warmups) {
    const Marketplace market = StartMarketplace(marketplace);
    if (market.pid < 0 || market.port <= 0) {
        std::fprintf(stderr, "kestrova-bench-startup: %s did not start\n", marketplace.c_str());
        StopMarketplace(market);
        return false;
    }
    std::vector<double> walls;
    std::vector<double> cpus;
    long peakKb = 0;
    bool ok = true;
    const std::string target = "127.0.0.1:" + std::to_string(market.port);
    for (int i = 1 - warmups; i <= runs && ok; ++i) {
        const ChildRun run = RunChild({cli, "lookup", account, "--connect-to", target, "--json"});
        if (!run.started || run.exitStatus != 0 ||
            run.out.find("\"fields\"") == std::string::npos || run.peakRssKb <= run.parentPeakKb) {
            std::fprintf(stderr, "kestrova-bench-startup: the lookup failed (exit %d)\n",
                         run.exitStatus);
            ok = false;
            break;
        }
        if (i < 1) {
            continue;
        }
        std::fprintf(stderr, "lookup  run %d: wall %7.2f ms, cpu %6.2f ms, peak %ld KB\n", i,
                     run.wallMs, run.cpuMs, run.peakRssKb);
        walls.push_back(run.wallMs);
        cpus.push_back(run.cpuMs);
        peakKb = std::max(peakKb, run.peakRssKb);
    }
    StopMarketplace(market);
    if (ok) {
        std::printf("lookup %.2f %.2f %ld\n", Median(walls), Median(cpus), peakKb);
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Times the start of the window and of the command line."};
    std::string window;
    std::string cli;
    std::string curl;
    std::string marketplace;
    std::string account = "青禾手作坊";
    int runs = 5;
    int warmups = 1;
    app.add_option("--window", window, "path of kestrova")->check(CLI::ExistingFile);
    app.add_option("--cli", cli, "path of kestrova-cli")->check(CLI::ExistingFile);
    app.add_option("--curl", curl, "path of curl")->check(CLI::ExistingFile);
    app.add_option("--marketplace", marketplace,
                   "path of kestrova-marketplace: with --cli, also a whole lookup's peak memory")
        ->check(CLI::ExistingFile);
    app.add_option("--account", account, "the member the lookup asks for");
    app.add_option("--runs", runs, "measured runs of each")->check(CLI::PositiveNumber);
    app.add_option("--warmups", warmups, "unmeasured runs first")->check(CLI::NonNegativeNumber);
    CLI11_PARSE(app, argc, argv);

    // The window comes up where no display is needed, as in the tests.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!window.empty() && !MeasureWindow(window, runs, warmups)) {
        return 1;
    }
    if (!cli.empty() && !MeasureVersion("cli", cli, runs, warmups)) {
        return 1;
    }
    if (!curl.empty() && !MeasureVersion("curl", curl, runs, warmups)) {
        return 1;
    }
    if (!cli.empty() && !marketplace.empty() &&
        !MeasureLookup(cli, marketplace, account, runs, warmups)) {
        return 1;
    }
    std::fflush(stdout);
    return 0;
}
