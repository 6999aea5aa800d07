#pragma once
// Saving lookups. A front end keeps one LookupHistory for as long as it runs
// and hands it every finished lookup; it saves them into the program's
// History (made, and brought up to date, by the first save).
//
// A history problem never costs a lookup its result: Save reports it on
// standard error and returns, and the file stays as it was (the lookup's
// transaction is rolled back whole).
//
// A file another program keeps locked, or a database server out of reach, is
// not waited for lookup after lookup: the lookup is kept in memory, saving
// pauses for a while (said once), and what was kept is saved with the next
// lookup after the pause, or at the end.
//
// One LookupHistory serves one thread at a time (it may be a thread of its
// own, apart from the one the lookups ran on).

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "history/History.h"
#include "history/LookupRecord.h"

namespace kestrova {

class LookupHistory {
  public:
    // `history` null: saving is off; else it outlives this. `program` names
    // the program in warnings.
    LookupHistory(History* history, std::string program);
    // Saves what is still kept, if the file lets it; says what could not be.
    ~LookupHistory();
    LookupHistory(const LookupHistory&) = delete;
    LookupHistory& operator=(const LookupHistory&) = delete;

    // Saves the lookup whole, in one transaction, and returns its id; nullopt
    // when it was not saved now (saving is off, the lookup sent no request, a
    // problem that has been reported, or kept until the file is free).
    std::optional<std::int64_t> Save(const LookupRecord& record);

    // Where lookups go; null when saving is off.
    History* Saving() const { return history_; }

    // Lookups kept for a locked file, not yet saved.
    std::size_t Kept() const { return kept_.size(); }

  private:
    struct KeptLookup;

    std::optional<std::int64_t> Write(const LookupRecord* record);
    std::int64_t WriteOne(const LookupRecord& record);
    void Keep(const LookupRecord& record);
    void Warn(const std::string& problem);

    History* history_;
    std::string program_;
    std::string lastWarning_;
    std::vector<std::unique_ptr<KeptLookup>> kept_;
    std::size_t keptBytes_ = 0;
    std::size_t dropped_ = 0;  // lookups beyond what may be kept
    std::chrono::steady_clock::time_point pausedUntil_{};
    std::string lockProblem_;  // how the history was found locked or out of reach
};

}  // namespace kestrova
