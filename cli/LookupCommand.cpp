#include "cli/LookupCommand.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

#include "cli/AccountList.h"
#include "cli/BatchProgress.h"
#include "cli/FieldReport.h"
#include "cli/MarkReport.h"
#include "cli/MemberReport.h"
#include "history/HistoryError.h"
#include "history/LookupHistory.h"
#include "marketplace/SampleMarketplace.h"
#include "text/Gbk.h"
#include "text/TerminalText.h"
#include "web/Endpoints.h"
#include "web/NetworkGuard.h"

namespace kestrova {
namespace {

int UsageError(const std::string& problem) {
    std::fprintf(stderr, "kestrova-cli: %s\n", TerminalText(problem).c_str());
    return kUsageError;
}

void Print(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);  // a long batch streams, block by block
}

// The accounts of the command line, then those of the list; nothing (and the
// message told) on a usage error.
std::optional<std::vector<std::string>> Accounts(const LookupOptions& options) {
    std::vector<std::string> accounts = options.accounts;
    if (!options.from.empty()) {
        std::string error;
        const std::optional<std::string> text = ReadListFile(options.from, error);
        const std::string name = options.from == "-" ? "standard input" : "'" + options.from + "'";
        if (!text) {
            UsageError("cannot read the account list " + name + ": " + error);
            return std::nullopt;
        }
        std::vector<std::string> listed = ParseAccountList(*text);
        if (listed.empty() && accounts.empty()) {
            UsageError("no account to look up in " + name);
            return std::nullopt;
        }
        accounts.insert(accounts.end(), listed.begin(), listed.end());
    }
    if (accounts.empty()) {
        UsageError("no account to look up: give ACCOUNT or --from FILE");
        return std::nullopt;
    }
    return accounts;
}

// The history every finished member goes into, after it is printed. Whatever
// keeps the history from taking a lookup is one warning, never a changed
// result or exit.
std::optional<LookupHistory> OpenHistory(const HistoryOptions& options) {
    try {
        return std::optional<LookupHistory>(std::in_place, options.File(), "kestrova-cli");
    } catch (const HistoryError& error) {
        std::fprintf(stderr, "kestrova-cli: warning: lookups are not saved in the history: %s\n",
                     error.what());
        return std::nullopt;
    }
}

void Save(std::optional<LookupHistory>& history, const MemberLookup& member) {
    // A run-time error ends the query midway: nothing whole to keep.
    if (!history || member.fault) {
        return;
    }
    history->Save(LookupRecord{.fields = member.window,
                               .account = member.account,
                               .started = member.started,
                               .ended = member.ended,
                               .mode = LookupModeName(member.mode)});
}

// Prints one finished member, its marks beside its fields; returns the exit
// status it calls for. Text meant for reading passes TerminalText: page text
// never reaches a terminal raw. JSON keeps the exact text, its controls
// escaped by JSON's own rules.
int PrintMember(const MemberLookup& member, const MemberMarks& marks, bool json, bool batch,
                bool first) {
    if (!batch) {
        if (member.fault) {
            Print(stderr, TerminalText(FaultText(*member.fault)));
            return kRuntimeFaultExit;
        }
        Print(stdout, json ? LookupJson(member.window, marks)
                           : TerminalText(FieldListing(member.window) + MarkLines(marks)));
        return 0;
    }
    if (member.fault) {
        Print(stderr,
              TerminalText("kestrova-cli: " + member.account + ": " + FaultText(*member.fault)));
    }
    Print(stdout, json ? MemberJsonLine(member, marks)
                       : (first ? "" : "\n") + TerminalText(MemberBlock(member, marks)));
    return member.fault ? kRuntimeFaultExit : 0;
}

}  // namespace

CLI::App* AddLookupCommand(CLI::App& app, LookupOptions& options) {
    CLI::App* lookup = app.add_subcommand(
        "lookup", "Run the query for one account name, or for many, several at once");
    lookup->add_option("ACCOUNT", options.accounts,
                       "the member's account name (UTF-8), used as given; several for a batch");
    lookup
        ->add_option("--from", options.from,
                     "look up the accounts listed in FILE (UTF-8, one a line; lines starting "
                     "with # are skipped), - for standard input")
        ->type_name("FILE");
    lookup
        ->add_option("--jobs", options.jobs,
                     "members looked up at once, " + std::to_string(kMinJobs) + " to " +
                         std::to_string(kMaxJobs) + " (default " + std::to_string(kDefaultJobs) +
                         ")")
        ->type_name("N");
    auto* connectOption = lookup->add_option("--connect-to", options.connectTo,
                                             "send every request to HOST:PORT over plain HTTP");
    lookup->add_flag("--demo", options.demo, "run against the built-in sample marketplace")
        ->excludes(connectOption);
    lookup->add_flag("--allow-private-network", options.allowPrivateNetwork,
                     "also connect to loopback and private network addresses (a marketplace "
                     "mirror on your own network); also KESTROVA_ALLOW_PRIVATE_NETWORK=1");
    lookup->add_flag("--json", options.json,
                     "print one JSON object instead of a field listing; for a batch, one "
                     "line per member (JSON Lines)");
    lookup->add_flag("--fast", options.fast,
                     "send every request as soon as its address is known (same results, less "
                     "waiting); also KESTROVA_FAST=1");
    options.history.AddTo(*lookup, true);
    return lookup;
}

int RunLookup(const LookupOptions& options) {
    if (options.jobs < kMinJobs || options.jobs > kMaxJobs) {
        return UsageError("--jobs wants a number from " + std::to_string(kMinJobs) + " to " +
                          std::to_string(kMaxJobs) + ", got " + std::to_string(options.jobs));
    }
    std::optional<ConnectTarget> target;
    if (!options.demo && !options.connectTo.empty()) {
        target = ParseConnectTarget(options.connectTo);
        if (!target) {
            return UsageError("--connect-to wants HOST:PORT, got '" + options.connectTo + "'");
        }
    }
    const std::optional<std::vector<std::string>> accounts = Accounts(options);
    if (!accounts) {
        return kUsageError;
    }

    if (options.allowPrivateNetwork) {
        SetPrivateNetworkAllowed(true);
    }
    std::unique_ptr<SampleMarketplace> marketplace;
    if (options.demo) {
        marketplace = std::make_unique<SampleMarketplace>();
        SetConnectTo(ConnectTarget{"127.0.0.1", marketplace->Start()});
    } else if (target) {
        SetConnectTo(*target);
    }

    // One account on the command line prints what a single lookup always has;
    // a list, or several accounts, print member by member.
    const bool batch = !options.from.empty() || accounts->size() > 1;
    std::optional<BatchProgress> progress;
    if (batch) {
        progress.emplace(STDERR_FILENO);
    }
    const bool sharesTerminal = progress && progress->Shown() && ::isatty(STDOUT_FILENO) == 1;

    std::optional<LookupHistory> history = OpenHistory(options.history);
    MarksBeside marks(options.history.MarksFile(), !history || !history->File());
    int status = 0;
    bool first = true;
    BatchLookup lookups(*accounts, ChooseLookupMode(options.fast), options.jobs);
    lookups.Run(
        // Every finished member, single or one of a batch, passes here once,
        // in input order: account, start and end, mode and window.
        [&](MemberLookup& member) {
            if (progress && (sharesTerminal || member.fault)) {
                progress->Clear();
            }
            status = std::max(
                status, PrintMember(member, marks.Of(member.account), options.json, batch, first));
            first = false;
            Save(history, member);
        },
        [&](const BatchCounts& counts) {
            if (progress) {
                progress->Update(counts);
            }
        });
    if (progress) {
        progress->Clear();
    }
    return status;
}

}  // namespace kestrova
