#pragma once
// One history, two stores: what the front ends keep and read back (lookups,
// marks and notes, the watch list), kept either in an SQLite file on this
// machine or in a PostgreSQL database a team shares. The commands, the window
// and the batches never know which; HistoryPlace says.
//
// A program holds one History for as long as it runs: opened on first use,
// one connection for everything it reads and writes, made anew by the next
// call after one that lost it. Reading never makes a history (one not written
// yet reads as empty); writing makes it where it is missing, and brings an
// older one up to date. Every change is one transaction, or nothing. Each
// call may throw HistoryError (HistoryLocked or HistoryOutOfReach where trying
// again later may do), with a message that names the place, never its
// password. Calls from several threads take turns.

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "form/Completeness.h"
#include "form/FieldStore.h"
#include "history/HistoryPlace.h"
#include "history/MarkEntry.h"
#include "history/store/HistoryError.h"
#include "history/store/LookupRow.h"

namespace kestrova {

class Database;

// What an import of marks and notes did.
struct ImportCounts {
    int marks = 0;       // marks taken (newer than the member's mark, or its first)
    int olderMarks = 0;  // marks left out: the member's mark is as new or newer
    int notes = 0;       // notes added
    int knownNotes = 0;  // notes the history had already
};

// A member re-checked on a schedule, kept by member (MemberKey): each at
// most once, under the account as first added.
struct WatchedMember {
    std::string account;  // as typed
    std::chrono::system_clock::time_point added;
    friend bool operator==(const WatchedMember&, const WatchedMember&) = default;
};

// How long a call waits for another program's lock. A program saving lookups
// as they end waits briefly: a save of ours holds the lock for a few
// milliseconds, so this is ample for the window and many command lines
// saving at once; a lock held longer is some other program's (a backup, an
// SQL shell, an upgrade of a large file), and is not waited for: the lookup
// is kept and saved later. One doing what a user just asked waits longer.
inline constexpr std::chrono::milliseconds kSavingLockWait{200};
inline constexpr std::chrono::milliseconds kLockWait{5000};

// The database at `place`: null where a file is not there and `make` is
// false; made where missing when it is true.
std::unique_ptr<Database> OpenDatabase(const HistoryPlace& place, bool make,
                                       std::chrono::milliseconds lockWait);

class History {
  public:
    explicit History(HistoryPlace place, std::chrono::milliseconds lockWait = kLockWait);
    ~History();
    History(const History&) = delete;
    History& operator=(const History&) = delete;

    const HistoryPlace& Place() const { return place_; }

    // Made where missing and brought up to date now, as the first write would.
    void Make();

    // Saves a lookup whole (the row's id, verdicts and counts aside: the
    // store numbers it, the fields and pages say the rest): packed outside
    // the store's transaction, then written in one. Its number.
    std::int64_t Save(LookupRow row, const FieldStore& window,
                      const std::optional<Completeness>& pages);
    // True, once, when the file saved into has been deleted or replaced:
    // what is written from here on goes into a new one.
    bool Moved();
    // Whether a lookup with this account, start, end and end kind is kept
    // already: the same lookup, copied twice.
    bool Has(const LookupRow& row);

    // Latest first: the last saved first, whatever the clock said when each
    // ran. nullopt account: every member, else the lookups of the member it
    // names (MemberKey); limit 0: all.
    std::vector<LookupRow> Recent(const std::optional<std::string>& account, int limit);
    std::optional<SavedLookup> Load(std::int64_t id);
    // The member's latest lookup.
    std::optional<SavedLookup> Latest(const std::string& account);
    // The member's latest lookup that got every page.
    std::optional<LookupRow> LatestComplete(const std::string& account);
    // Each member once, as typed last, the member looked up last first.
    std::vector<std::string> RecentAccounts(int limit);

    // A member as a lookup shows it: its mark unless cleared, its notes.
    MemberMarks MarksOf(std::string_view account);
    // Every entry, cleared marks included: the members whose latest entry is
    // the newest first; each member's mark, then its notes oldest first.
    std::vector<MarkEntry> AllMarks();
    // The member's mark becomes this one, whatever it was (kClear clears it).
    void SetMark(const MarkEntry& mark);
    void AddNote(const MarkEntry& note);
    // Every entry in one transaction: a mark is taken where it is newer than
    // the member's mark, a note unless the same note (member, time, who,
    // words) is there. Nothing is taken when any entry is refused.
    ImportCounts ImportMarks(const std::vector<MarkEntry>& entries);

    // In the order they were added.
    std::vector<WatchedMember> Watched();
    // False when the member is watched already (under any spelling).
    bool Watch(const std::string& account, std::chrono::system_clock::time_point when);
    // False when the member was not watched.
    bool Unwatch(const std::string& account);

    // Lets the connection go: the next call opens anew.
    void Close();
    // Round trips to a server since the connection was made (for the tests
    // and the benchmarks); -1 for a file.
    int RoundTrips();

  private:
    // Runs `call` on its turn; a connection lost midway is let go.
    template <typename Call>
    auto OnItsTurn(Call&& call);
    // Null while nothing is there to read.
    Database* Reader();
    Database& Writer();

    HistoryPlace place_;
    std::chrono::milliseconds lockWait_;
    std::mutex turn_;
    std::unique_ptr<Database> db_;
};

}  // namespace kestrova
