#pragma once
// Many members looked up in one run, several at once. Each member's lookup is
// the single lookup, on its own headless window and query state; the requests
// of all of them share the process's transfer engine, and so its limit of
// connections per host. Finished members come out in input order, each as
// soon as it and every earlier one have finished, so a long batch streams.

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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

    // Stopped at one of the query's early ends: the input check, or a status
    // bar message (unknown, blocked, no answer).
    bool EndedEarly() const;
};

struct BatchCounts {
    int total = 0;
    int done = 0;
    int running = 0;
    int endedEarly = 0;  // of those done, including any that broke off
    friend bool operator==(const BatchCounts&, const BatchCounts&) = default;
};

class BatchLookup {
  public:
    // jobs: lookups at once, kMinJobs to kMaxJobs.
    BatchLookup(std::vector<std::string> accounts, LookupMode mode, int jobs);

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

  private:
    std::vector<std::string> accounts_;
    LookupMode mode_;
    int jobs_;
    std::size_t maxAhead_;
    std::size_t maxWaitingBytes_;
};

// One member's lookup, as the single lookup runs it.
void LookUpMember(MemberLookup& member);

}  // namespace kestrova
