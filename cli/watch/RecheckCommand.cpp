#include "cli/watch/RecheckCommand.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/LookupCommand.h"
#include "cli/batch/BatchProgress.h"
#include "cli/batch/MemberReport.h"
#include "cli/history/HistoryCommand.h"
#include "cli/watch/Notifier.h"
#include "history/FieldDiff.h"
#include "history/LookupEnd.h"
#include "history/LookupHistory.h"
#include "history/PreviousLookup.h"
#include "history/store/HistoryError.h"
#include "marketplace/SampleMarketplace.h"
#include "text/Gbk.h"
#include "text/TerminalText.h"
#include "web/Endpoints.h"
#include "web/NetworkGuard.h"
#include "web/TransferEngine.h"

namespace kestrova {
namespace {

int Fault(const std::string& problem) {
    std::fprintf(stderr, "kestrova-cli: %s\n", problem.c_str());
    return kRuntimeFaultExit;
}

// The lookup as the history would list it, for one it could not take now.
SavedLookup Unsaved(const MemberLookup& member) {
    SavedLookup lookup{{}, member.window, member.pages};
    lookup.row.account = member.account;
    lookup.row.started = member.started;
    lookup.row.ended = member.ended;
    lookup.row.complete = member.pages.complete;
    lookup.row.missingPages = static_cast<int>(member.pages.missing.size());
    const auto end = EndOf(member.window, false);
    lookup.row.end = end ? std::string(EndName(*end)) : std::string();
    lookup.row.mode = LookupModeName(member.mode);
    lookup.row.status = member.window.StatusText();
    lookup.row.buyerVerdict = member.window.ReadText(Ctl::标签38);
    lookup.row.shopVerdict = member.window.ReadText(Ctl::标签48);
    return lookup;
}

// A member changed when any field but the typed account did: the same member
// typed with a space around it is no change.
bool Changed(const FieldStore& before, const FieldStore& after) {
    const std::vector<FieldChange> changes = ChangedFields(before, after);
    return std::any_of(changes.begin(), changes.end(),
                       [](const FieldChange& change) { return change.control != Ctl::编辑框1; });
}

// The exit status: a fault first, then a member that could not be compared
// because its new lookup was incomplete (told on standard error), then a
// change. An incomplete re-check is never reported as a success: a
// scheduler counts exit 1 as one.
int RecheckStatus(bool fault, bool changed, bool incomplete) {
    if (fault) {
        return kRuntimeFaultExit;
    }
    if (incomplete) {
        return kIncompleteExit;
    }
    return changed ? kRecheckChanged : 0;
}

}  // namespace

RecheckCommand::RecheckCommand(CLI::App& app)
    : command_(app.add_subcommand("recheck",
                                  "Look every watched member up again and show what changed")) {
    command_
        ->add_option("--jobs", jobs_,
                     "members looked up at once, " + std::to_string(kMinJobs) + " to " +
                         std::to_string(kMaxJobs) + " (default " + std::to_string(kDefaultJobs) +
                         ")")
        ->type_name("N");
    command_->add_flag("--fast", fast_,
                       "send every request as soon as its address is known; also KESTROVA_FAST=1");
    command_->add_flag("--json", json_,
                       "print one line of JSON per changed member (as history --diff --json)");
    command_->add_flag("--notify", notify_,
                       "a desktop notification for each changed member (needs kestrova-notify "
                       "and a session bus)");
    auto* connect = command_->add_option("--connect-to", connectTo_,
                                         "send every request to HOST:PORT over plain HTTP");
    command_->add_flag("--demo", demo_, "run against the built-in sample marketplace")
        ->excludes(connect);
    command_->add_flag("--allow-private-network", allowPrivateNetwork_,
                       "also connect to loopback and private network addresses (a marketplace "
                       "mirror on your own network); also KESTROVA_ALLOW_PRIVATE_NETWORK=1");
    history_.AddTo(*command_, false);
}

int RecheckCommand::Run() const {
    if (jobs_ < kMinJobs || jobs_ > kMaxJobs) {
        std::fprintf(stderr, "kestrova-cli: --jobs wants a number from %d to %d, got %d\n",
                     kMinJobs, kMaxJobs, jobs_);
        return kUsageError;
    }
    std::optional<ConnectTarget> target;
    if (!demo_ && !connectTo_.empty()) {
        target = ParseConnectTarget(connectTo_);
        if (!target) {
            std::fprintf(stderr, "kestrova-cli: --connect-to wants HOST:PORT, got '%s'\n",
                         connectTo_.c_str());
            return kUsageError;
        }
    }

    // One history for the run: the watch list, the lookups compared with and
    // the new ones saved.
    std::unique_ptr<History> saved;
    std::vector<std::string> accounts;
    std::vector<std::optional<std::int64_t>> previous;
    try {
        saved = std::make_unique<History>(*history_.Place(), kSavingLockWait);
        for (const WatchedMember& member : saved->Watched()) {
            accounts.push_back(member.account);
        }
        if (accounts.empty()) {
            std::fprintf(stderr,
                         "kestrova-cli: no member is watched (kestrova-cli watch add ACCOUNT)\n");
            return 0;
        }
        for (const std::string& account : accounts) {
            previous.push_back(LatestCompleteLookup(*saved, account));
        }
    } catch (const HistoryError& error) {
        return Fault(error.what());
    }

    if (allowPrivateNetwork_) {
        SetPrivateNetworkAllowed(true);
    }
    std::unique_ptr<SampleMarketplace> marketplace;
    if (demo_) {
        marketplace = std::make_unique<SampleMarketplace>();
        SetConnectTo(ConnectTarget{"127.0.0.1", marketplace->Start()});
    } else if (target) {
        SetConnectTo(*target);
    }

    BatchProgress progress(STDERR_FILENO);
    LookupHistory history(saved.get(), "kestrova-cli");
    Notifier notifier;
    bool fault = false;
    bool changed = false;
    bool incomplete = false;
    // A re-check is a batch: it keeps the marketplace's patience as one does.
    TransferEngine::Shared().SetPace(std::chrono::milliseconds(kDefaultBatchPaceMs));
    BatchLookup lookups(accounts, ChooseLookupMode(fast_), jobs_);
    lookups.Run(
        [&](MemberLookup& member) {
            // Whatever a member brings may be written to the terminal the
            // progress line is on; it is drawn again with the next count.
            progress.Clear();
            if (member.notChecked) {
                std::fprintf(stderr, "kestrova-cli: %s: not checked: %s\n",
                             TerminalText(member.account).c_str(),
                             TerminalText(*member.notChecked).c_str());
                incomplete = true;
                return;
            }
            if (member.fault) {
                std::fprintf(stderr, "kestrova-cli: %s: %s", member.account.c_str(),
                             FaultText(*member.fault).c_str());
                fault = true;
                return;  // broken off midway: nothing whole to keep or compare
            }
            const std::optional<std::int64_t> id =
                history.Save(LookupRecord{.fields = member.window,
                                          .account = member.account,
                                          .started = member.started,
                                          .ended = member.ended,
                                          .mode = LookupModeName(member.mode),
                                          .pages = member.pages});
            const std::optional<std::int64_t>& before = previous[member.index];
            if (!before) {
                return;  // the first lookup of the member: nothing to compare with
            }
            try {
                std::optional<SavedLookup> now = id ? saved->Load(*id) : Unsaved(member);
                if (!now) {
                    now = Unsaved(member);
                }
                if (!CountsAsComplete(now->row)) {
                    incomplete = true;
                    std::fprintf(stderr,
                                 "kestrova-cli: %s: not compared: the lookup is incomplete (%s)\n",
                                 member.account.c_str(), GbkToUtf8(now->row.status).c_str());
                    return;
                }
                const std::optional<SavedLookup> then = saved->Load(*before);
                if (!then || !Changed(then->fields, now->fields)) {
                    return;
                }
                changed = true;
                PrintFieldDiff(member.account, *then, *now,
                               json_ ? DiffFormat::kJsonLine : DiffFormat::kText);
                std::cout.flush();
                if (notify_) {
                    notifier.Send(NoticeOf(member.account, then->fields, now->fields));
                }
            } catch (const HistoryError& error) {
                Fault(member.account + ": not compared: " + error.what());
                fault = true;
            }
        },
        [&](const BatchCounts& counts) { progress.Update(counts); });
    progress.Clear();
    return RecheckStatus(fault, changed, incomplete);
}

}  // namespace kestrova
