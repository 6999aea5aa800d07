#pragma once
// Many members looked up in one run, several at once. Each member's lookup is
// the single lookup, on its own headless window and query state; the requests
// of all of them share the process's transfer engine, and so its limit of
// connections per host. Finished members come out in input order, each as
// soon as it and every earlier one have finished, so a long batch streams.
//
// The run keeps the marketplace's patience: when it refuses a lookup, no new
// lookup starts until the pause is over (see RefusalPause), and the refused
// member is looked up again from the start, so that what is printed is one
// single lookup's result. A member still refused after kMaxReruns such runs
// stops the run: nothing new starts, the lookups under way finish, and every
// member not checked is handed out as such.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/batch/RefusalPause.h"
#include "form/Completeness.h"
#include "form/FieldStore.h"
#include "lookup/LookupSession.h"
#include "text/Text.h"

namespace kestrova {

inline constexpr int kMinJobs = 1;
inline constexpr int kMaxJobs = 16;
inline constexpr int kDefaultJobs = 4;

// One finished member, as the output stage gets it.
struct MemberLookup {
    std::size_t index = 0;  // place in the input, from 0
    std::string account;    // UTF-8, as given
    LookupMode mode = LookupMode::Sequential;
    std::chrono::system_clock::time_point started;
    std::chrono::system_clock::time_point ended;
    FieldStore window;
    // The run-time error's box text (GBK) when the query broke off with one;
    // the window then holds what was written up to it.
    std::optional<Text> fault;
    // The pages the lookup got, and whether the marketplace refused any.
    Completeness pages;
    bool refused = false;
    std::optional<std::chrono::seconds> retryAfter;  // the longest a refusal asked for
    int reruns = 0;                                  // lookups of the member after a refusal
    // Not looked up, and why: the run stopped before it could be.
    std::optional<std::string> notChecked;
    // Not looked up: this saved lookup is fresh enough to stand in.
    std::optional<std::int64_t> fromHistory;

    // Stopped at one of the query's early ends: the input check, or a status
    // bar message (unknown, blocked, no answer).
    bool EndedEarly() const;
};

struct BatchCounts {
    int total = 0;
    int done = 0;
    int running = 0;
    int endedEarly = 0;  // of those done, including any that broke off
    int reruns = 0;      // lookups run again after a refusal
    // While no new lookup starts because the marketplace refused one.
    std::optional<std::chrono::system_clock::time_point> pausedUntil = std::nullopt;
    friend bool operator==(const BatchCounts&, const BatchCounts&) = default;
};

struct BatchOptions {
    int jobs = kDefaultJobs;  // kMinJobs to kMaxJobs
    // The first back-off after a refusal that named no Retry-After.
    std::chrono::milliseconds firstBackoff = kFirstBackoff;
    // By input index: a saved lookup that stands in for the member.
    std::vector<std::optional<std::int64_t>> fromHistory;
    // Refused members are looked up again after a pause, up to the ceiling;
    // off, a refused lookup is handed out like any other (one member alone).
    bool rerunRefused = true;
};

class BatchLookup {
  public:
    BatchLookup(std::vector<std::string> accounts, LookupMode mode, BatchOptions options);
    BatchLookup(std::vector<std::string> accounts, LookupMode mode, int jobs)
        : BatchLookup(std::move(accounts), mode, BatchOptions{jobs, kFirstBackoff, {}, true}) {}

    // Runs every lookup. On the calling thread: `deliver` gets each finished
    // member in input order; `tick` gets the counts whenever they change, and
    // at least every tickInterval while lookups run.
    void Run(const std::function<void(MemberLookup&)>& deliver,
             const std::function<void(const BatchCounts&)>& tick = {},
             std::chrono::milliseconds tickInterval = std::chrono::milliseconds(250));

    // Members started and not yet handed out, at most: behind a slow member
    // only this many windows wait to be printed, not the rest of the batch.
    std::size_t MaxAhead() const { return maxAhead_; }
    // Bytes the finished windows waiting to be printed may hold before no
    // further member starts: it grows with the jobs, not with the pages.
    std::size_t MaxWaitingBytes() const { return maxWaitingBytes_; }
    // The run stopped at the ceiling of refusals.
    bool Stopped() const { return stopped_; }
    // Lookups run again after a refusal, in all, and the members they were of.
    int Reruns() const { return reruns_; }
    int RerunMembers() const { return rerunMembers_; }

  private:
    std::vector<std::string> accounts_;
    LookupMode mode_;
    BatchOptions options_;
    std::size_t maxAhead_;
    std::size_t maxWaitingBytes_;
    bool stopped_ = false;
    int reruns_ = 0;
    int rerunMembers_ = 0;
};

// One member's lookup, as the single lookup runs it.
void LookUpMember(MemberLookup& member);

}  // namespace kestrova
