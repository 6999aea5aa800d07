#pragma once
// One history, two stores: what the front ends keep and read back (lookups,
// marks and notes, the watch list) through one interface, kept either in an
// SQLite file on this machine or in a PostgreSQL database a team shares. The
// commands, the window and the batches never know which; HistoryPlace says.
//
// Every change is one transaction, or nothing. Each call may throw
// HistoryError (HistoryLocked or HistoryOutOfReach where trying again later
// may do), with a message that names the place, never its password.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/HistoryPlace.h"
#include "history/LookupWriter.h"
#include "history/MarkEntry.h"
#include "history/Marks.h"
#include "history/SavedLookups.h"
#include "history/WatchList.h"

namespace kestrova {

class HistoryStore {
  public:
    virtual ~HistoryStore() = default;

    // Where it is, as messages name it.
    virtual std::string Where() const = 0;

    // Saving a lookup: packed outside the transaction (the CPU's time, not
    // the store's), then written whole in one. The window must outlive the
    // prepared lookup.
    virtual std::unique_ptr<PreparedLookup> Prepare(LookupRow row, const FieldStore& window) = 0;
    virtual std::int64_t Save(const PreparedLookup& lookup) = 0;
    // True once what is written would be lost (a file deleted under us).
    virtual bool HasMoved() { return false; }
    // Whether a lookup with this account, start, end and end kind is kept
    // already: the same lookup, copied twice.
    virtual bool HasLookup(const LookupRow& row) = 0;

    // Latest first (the last saved first); nullopt account: every member;
    // limit 0: all.
    virtual std::vector<SavedLookupSummary> Recent(const std::optional<std::string>& account,
                                                   int limit) = 0;
    virtual std::optional<SavedLookup> Load(std::int64_t id) = 0;
    // The member's latest lookup that got every page.
    virtual std::optional<SavedLookupSummary> LatestComplete(const std::string& account) = 0;
    // Each member once, as typed last, the member looked up last first.
    virtual std::vector<std::string> RecentAccounts(int limit) = 0;

    virtual MemberMarks MarksOf(std::string_view account) = 0;
    // Every entry, cleared marks included: the members whose latest entry is
    // the newest first; each member's mark, then its notes oldest first.
    virtual std::vector<MarkEntry> AllMarks() = 0;
    virtual void SetMark(const MarkEntry& mark) = 0;
    // A mark where it is newer than the member's, a note unless the same is
    // there; all in one transaction.
    virtual ImportCounts ImportMarks(const std::vector<MarkEntry>& entries) = 0;

    // In the order they were added.
    virtual std::vector<WatchedMember> Watched() = 0;
    virtual bool Watch(const std::string& account, std::chrono::system_clock::time_point when) = 0;
    virtual bool Unwatch(const std::string& account) = 0;
};

enum class StoreUse {
    kRead,   // nothing is made: null for a history not written yet
    kWrite,  // made where missing
};

// Opened, and brought up to the current schema version. `busy`: how long to
// wait for another program's lock.
std::unique_ptr<HistoryStore> OpenHistoryStore(const HistoryPlace& place, StoreUse use,
                                               std::chrono::milliseconds busy);

// What each entry of a list checks before it is kept.
void CheckMarkEntry(const MarkEntry& entry);

// The status bar and the message box of a saved lookup, from its summary.
void RestoreStatus(SavedLookup& saved);

// Entries (each with its member) in the order AllMarks gives them: the
// members whose latest entry is the newest first, each member's entries in
// the order given (its mark, then its notes oldest first).
std::vector<MarkEntry> InListOrder(std::vector<std::pair<std::string, MarkEntry>> byMember);

}  // namespace kestrova
