#pragma once
// kestrova-cli lookup: one member, or many in one run, several at once.

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "cli/BatchLookup.h"
#include "cli/HistoryOptions.h"

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
    HistoryOptions history;
};

CLI::App* AddLookupCommand(CLI::App& app, LookupOptions& options);

// The exit status: 0 when every lookup ran to one of its ends, 2 for a usage
// error (told on standard error in one line), 3 when a query broke off with a
// run-time error.
int RunLookup(const LookupOptions& options);

inline constexpr int kUsageError = 2;
inline constexpr int kRuntimeFaultExit = 3;

}  // namespace kestrova
