#pragma once
// Saving lookups. A front end keeps one LookupHistory for as long as it runs
// and hands it every finished lookup; the file is opened (and created, and
// brought up to date) on the first save and stays open for the next.
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
// own, apart from the one the lookups ran on). Lookups saved from several
// threads at once each need one of their own: they share the file as
// separate programs do.

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "history/HistoryPlace.h"
#include "history/LookupRecord.h"

namespace kestrova {

class LookupHistory {
  public:
    // `place` nullopt: saving is off. `program` names the program in warnings.
    LookupHistory(std::optional<HistoryPlace> place, std::string program);
    // Saves what is still kept, if the file lets it; says what could not be.
    ~LookupHistory();
    LookupHistory(const LookupHistory&) = delete;
    LookupHistory& operator=(const LookupHistory&) = delete;

    // Saves the lookup whole, in one transaction, and returns its id; nullopt
    // when it was not saved now (saving is off, the lookup sent no request, a
    // problem that has been reported, or kept until the file is free).
    std::optional<std::int64_t> Save(const LookupRecord& record);

    // Where lookups go; nullopt when saving is off.
    const std::optional<HistoryPlace>& File() const { return file_; }

    // Lookups kept for a locked file, not yet saved.
    std::size_t Kept() const { return kept_.size(); }

  private:
    struct Open;
    struct KeptLookup;

    std::optional<std::int64_t> Write(const LookupRecord* record);
    void Keep(const LookupRecord& record);
    void Warn(const std::string& problem);

    std::optional<HistoryPlace> file_;
    std::string program_;
    std::unique_ptr<Open> open_;
    std::string lastWarning_;
    std::vector<std::unique_ptr<KeptLookup>> kept_;
    std::size_t keptBytes_ = 0;
    std::size_t dropped_ = 0;  // lookups beyond what may be kept
    std::chrono::steady_clock::time_point pausedUntil_{};
    std::string lockProblem_;  // how the history was found locked or out of reach
};

}  // namespace kestrova
