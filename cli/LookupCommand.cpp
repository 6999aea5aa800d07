#include "cli/LookupCommand.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

#include "cli/batch/AccountList.h"
#include "cli/batch/BatchProgress.h"
#include "cli/batch/Duration.h"
#include "cli/batch/MemberReport.h"
#include "cli/history/SavedLookupText.h"
#include "cli/report/FieldReport.h"
#include "cli/report/MarkReport.h"
#include "cli/report/MissingReport.h"
#include "history/LookupHistory.h"
#include "marketplace/SampleMarketplace.h"
#include "text/Gbk.h"
#include "text/TerminalText.h"
#include "web/Endpoints.h"
#include "web/NetworkGuard.h"
#include "web/TransferEngine.h"

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

// What saves every finished member into `history`, after it is printed.
// Whatever keeps the history from taking a lookup is one warning, never a
// changed result or exit.
std::optional<LookupHistory> SavingInto(History* history, const HistoryOptions& options) {
    try {
        return std::optional<LookupHistory>(std::in_place, options.Place() ? history : nullptr,
                                            "kestrova-cli");
    } catch (const HistoryError& error) {
        std::fprintf(stderr, "kestrova-cli: warning: lookups are not saved in the history: %s\n",
                     error.what());
        return std::nullopt;
    }
}

void Save(std::optional<LookupHistory>& history, const MemberLookup& member) {
    // A run-time error ends the query midway: nothing whole to keep. A member
    // not looked up, or stood in for by a saved lookup, has nothing new.
    if (!history || member.fault || member.notChecked || member.fromHistory) {
        return;
    }
    history->Save(LookupRecord{.fields = member.window,
                               .account = member.account,
                               .started = member.started,
                               .ended = member.ended,
                               .mode = LookupModeName(member.mode),
                               .pages = member.pages});
}

// The worse of two exit statuses: a run-time error before a missing page.
int Worse(int a, int b) {
    const auto rank = [](int status) {
        return status == kRuntimeFaultExit ? 2 : status == kIncompleteExit ? 1 : 0;
    };
    return rank(b) > rank(a) ? b : a;
}

// Prints a member whose saved lookup stands in for it, as show prints it.
void PrintSaved(History& history, const MemberLookup& member, const MemberMarks& marks, bool json,
                bool batch, bool first) {
    const std::optional<SavedLookup> lookup = history.Load(*member.fromHistory);
    if (!lookup) {
        throw HistoryError(history.Place().string() + ": a lookup went missing while reading");
    }
    const std::string label = LookupLabel(lookup->row);
    nlohmann::ordered_json savedObject = SavedObject(*lookup);
    AddMarksToJson(savedObject, marks);
    const std::string listing = SavedListing(*lookup) + MarkLines(marks);
    if (!batch) {
        if (json) {
            nlohmann::ordered_json object;
            object["from_history"] = *member.fromHistory;
            for (const auto& item : savedObject.items()) {
                object[item.key()] = item.value();
            }
            Print(stdout,
                  object.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) +
                      "\n");
        } else {
            Print(stdout, TerminalText(listing + "(from history)\t" + label + "\n"));
        }
        return;
    }
    Print(stdout, json ? SavedMemberJsonLine(member.account, *member.fromHistory, savedObject)
                       : (first ? "" : "\n") +
                             TerminalText(SavedMemberBlock(member.account, listing, label)));
}

// Prints one finished member, its marks beside its fields; returns the exit
// status it calls for. Text meant for reading passes TerminalText: page text
// never reaches a terminal raw. JSON keeps the exact text, its controls
// escaped by JSON's own rules.
int PrintMember(const MemberLookup& member, const MemberMarks& marks, bool json, bool batch,
                bool first) {
    const int missing = member.pages.complete ? 0 : kIncompleteExit;
    if (!batch) {
        if (member.fault) {
            Print(stderr, TerminalText(FaultText(*member.fault)));
            return kRuntimeFaultExit;
        }
        if (json) {
            nlohmann::ordered_json object = FieldObject(member.window);
            AddCompleteness(object, member.pages);
            AddMarksToJson(object, marks);
            // Notes and reasons are the user's UTF-8, checked when they were kept.
            Print(stdout,
                  object.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) +
                      "\n");
        } else {
            Print(stdout, TerminalText(FieldListing(member.window) + IncompleteLine(member.pages) +
                                       MarkLines(marks)));
        }
        return missing;
    }
    if (member.fault) {
        Print(stderr,
              TerminalText("kestrova-cli: " + member.account + ": " + FaultText(*member.fault)));
    }
    Print(stdout, json ? MemberJsonLine(member, marks)
                       : (first ? "" : "\n") + TerminalText(MemberBlock(member, marks)));
    if (member.fault) {
        return kRuntimeFaultExit;
    }
    return member.notChecked ? kIncompleteExit : missing;
}

// By input index, the saved lookup of each member whose latest complete
// lookup is younger than `fresh`.
std::vector<std::optional<std::int64_t>> FreshLookups(History& history,
                                                      const std::vector<std::string>& accounts,
                                                      std::chrono::milliseconds fresh) {
    const auto now = std::chrono::system_clock::now();
    std::vector<std::optional<std::int64_t>> found(accounts.size());
    for (std::size_t i = 0; i < accounts.size(); ++i) {
        const std::optional<LookupRow> latest = history.LatestComplete(accounts[i]);
        if (latest && now - latest->ended < fresh && now >= latest->ended) {
            found[i] = latest->id;
        }
    }
    return found;
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
    lookup
        ->add_option("--pace", options.paceMs,
                     "at least MS milliseconds between the starts of two requests to one host "
                     "(default 0 for one member, " +
                         std::to_string(kDefaultBatchPaceMs) + " for a batch)")
        ->type_name("MS");
    lookup
        ->add_option("--skip-fresh", options.skipFresh,
                     "do not look up again a member whose latest complete lookup in the history "
                     "is younger than DURATION (30m, 12h, 2d); print that saved lookup instead")
        ->type_name("DURATION");
    lookup
        ->add_option("--backoff", options.backoff,
                     "in a batch, the first pause after the marketplace refused without "
                     "Retry-After; it doubles while refusals go on, up to 10 minutes (default 30s)")
        ->type_name("DURATION");
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
    if (options.paceMs != -1 && (options.paceMs < 0 || options.paceMs > kMaxPaceMs)) {
        return UsageError("--pace wants milliseconds from 0 to " + std::to_string(kMaxPaceMs) +
                          ", got " + std::to_string(options.paceMs));
    }
    std::optional<std::chrono::milliseconds> fresh;
    if (!options.skipFresh.empty()) {
        fresh = ParseDuration(options.skipFresh);
        if (!fresh || *fresh <= std::chrono::milliseconds(0)) {
            return UsageError("--skip-fresh wants a duration such as 30m, 12h or 2d, got '" +
                              options.skipFresh + "'");
        }
    }
    BatchOptions batchOptions{options.jobs, kFirstBackoff, {}, true};
    if (!options.backoff.empty()) {
        const std::optional<std::chrono::milliseconds> backoff = ParseDuration(options.backoff);
        if (!backoff || *backoff <= std::chrono::milliseconds(0) || *backoff > kLongestPause) {
            return UsageError("--backoff wants a duration from 1ms to 10m such as 30s, got '" +
                              options.backoff + "'");
        }
        batchOptions.firstBackoff = *backoff;
    }
    const std::optional<std::vector<std::string>> accounts = Accounts(options);
    if (!accounts) {
        return kUsageError;
    }
    // Fresh lookups are found in the history the run saves into.
    std::optional<HistoryPlace> saveTo;
    try {
        saveTo = options.history.Place();
    } catch (const HistoryError&) {
        // Said when the first lookup is saved.
    }
    if (fresh && !saveTo) {
        return UsageError("--skip-fresh reads the history; it cannot go with --no-history");
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
    batchOptions.rerunRefused = batch;
    TransferEngine::Shared().SetPace(std::chrono::milliseconds(options.paceMs != -1 ? options.paceMs
                                                               : batch ? kDefaultBatchPaceMs
                                                                       : 0));

    // One history for the run: lookups are saved into it, fresh ones found
    // in it, and marks read from it (--no-history stops the saving only).
    std::unique_ptr<History> history;
    if (const std::optional<HistoryPlace> place = options.history.MarksPlace()) {
        history = std::make_unique<History>(*place, kSavingLockWait);
    }
    if (fresh) {
        try {
            batchOptions.fromHistory = FreshLookups(*history, *accounts, *fresh);
        } catch (const HistoryError& error) {
            std::fprintf(stderr,
                         "kestrova-cli: warning: --skip-fresh: every member is looked up: %s\n",
                         error.what());
        }
    }

    std::optional<LookupHistory> saving = SavingInto(history.get(), options.history);
    MarksBeside marks(history.get(), !saving || saving->Saving() == nullptr);
    int status = 0;
    bool first = true;
    BatchLookup lookups(*accounts, ChooseLookupMode(options.fast), batchOptions);
    lookups.Run(
        // Every finished member, single or one of a batch, passes here once,
        // in input order: account, start and end, mode and window.
        [&](MemberLookup& member) {
            if (progress && (sharesTerminal || member.fault)) {
                progress->Clear();
            }
            const MemberMarks memberMarks = marks.Of(member.account);
            if (member.fromHistory) {
                try {
                    PrintSaved(*history, member, memberMarks, options.json, batch, first);
                } catch (const HistoryError& error) {
                    // The saved lookup cannot be read after all: said for the member.
                    member.fromHistory.reset();
                    member.notChecked =
                        std::string("its saved lookup cannot be read: ") + error.what();
                    status =
                        Worse(status, PrintMember(member, memberMarks, options.json, true, first));
                }
            } else {
                status =
                    Worse(status, PrintMember(member, memberMarks, options.json, batch, first));
            }
            first = false;
            Save(saving, member);
        },
        [&](const BatchCounts& counts) {
            if (progress) {
                progress->Update(counts);
            }
        });
    if (progress) {
        progress->Clear();
    }
    if (lookups.Reruns() > 0) {
        // Said once at the end, for a log or a script: the progress line that
        // counted them is gone.
        const int members = lookups.RerunMembers();
        const int runs = lookups.Reruns();
        std::fprintf(stderr, "kestrova-cli: re-ran %d member%s after refusals (%d lookup%s)\n",
                     members, members == 1 ? "" : "s", runs, runs == 1 ? "" : "s");
    }
    if (lookups.Stopped()) {
        std::fprintf(stderr,
                     "kestrova-cli: the run stopped: the marketplace kept refusing; run it again "
                     "later with --skip-fresh to go on where it stopped\n");
        status = Worse(status, kIncompleteExit);
    }
    return status;
}

}  // namespace kestrova
