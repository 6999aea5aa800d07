#pragma once
// kestrova-cli lookup: one member, or many in one run, several at once.

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "cli/batch/BatchLookup.h"
#include "cli/history/HistoryOptions.h"

namespace kestrova {

struct LookupOptions {
    std::vector<std::string> accounts;  // UTF-8, as given
    std::string from;                   // a list file, "-" for standard input
    int jobs = kDefaultJobs;
    std::string connectTo;
    bool demo = false;
    bool allowPrivateNetwork = false;
    bool json = false;
    bool fast = false;
    int paceMs = -1;        // --pace; -1: the run's default
    std::string skipFresh;  // --skip-fresh DURATION
    std::string backoff;    // --backoff DURATION
    HistoryOptions history;
};

CLI::App* AddLookupCommand(CLI::App& app, LookupOptions& options);

// The exit status: 0 when every lookup ran to one of its ends and got every
// page it asked for, 2 for a usage error (told on standard error in one line),
// 3 when a query broke off with a run-time error, 4 when a lookup ran to its
// end without some of its pages, or a batch stopped at the ceiling of
// refusals. 3 goes before 4.
int RunLookup(const LookupOptions& options);

inline constexpr int kUsageError = 2;
inline constexpr int kRuntimeFaultExit = 3;
inline constexpr int kIncompleteExit = 4;

// Milliseconds between the starts of two requests to one host: none for a
// single lookup, which sends what one person's browser would; this much in a
// batch, which would otherwise send a browser's hour in a minute.
inline constexpr int kDefaultBatchPaceMs = 50;
inline constexpr int kMaxPaceMs = 60000;

}  // namespace kestrova
