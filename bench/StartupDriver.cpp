// kestrova-bench-startup: how long the programs take to come up, and what
// memory that takes, several runs each:
//   window  kestrova --startup-probe on the offscreen platform: from the spawn
//           to the line it prints once the window's first paint is through
//           (exec and the loading of the libraries included), and the same as
//           the program itself measures it from the start of main;
//   cli     kestrova-cli --version: the cost every command-line lookup pays
//           before its query starts (and its exit), as wall and CPU time;
//   curl    curl --version the same way: a command-line HTTP client's own
//           start and exit, the yardstick for the one above.
//
// One line per run goes to standard error; standard output gets:
//   window <median ms to painted> <median ms main to painted> <max peak KB>
//   cli <median wall ms> <median CPU ms> <max peak KB>
//   curl <median wall ms> <median CPU ms> <max peak KB>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/ChildRun.h"

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

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Times the start of the window and of the command line."};
    std::string window;
    std::string cli;
    std::string curl;
    int runs = 5;
    int warmups = 1;
    app.add_option("--window", window, "path of kestrova")->check(CLI::ExistingFile);
    app.add_option("--cli", cli, "path of kestrova-cli")->check(CLI::ExistingFile);
    app.add_option("--curl", curl, "path of curl")->check(CLI::ExistingFile);
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
    std::fflush(stdout);
    return 0;
}
