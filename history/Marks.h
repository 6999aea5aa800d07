#pragma once
// Marks and notes in the history file, by member (MemberKey): "青禾手作坊"
// and " 青禾手作坊" are one member. Reading never makes the file; writing
// does. Every change is one transaction.

#include <chrono>
#include <filesystem>
#include <memory>
#include <vector>

#include "history/HistoryPlace.h"
#include "history/MarkEntry.h"

namespace kestrova {

class HistoryStore;

// What an import did.
struct ImportCounts {
    int marks = 0;       // marks taken (newer than the member's mark, or its first)
    int olderMarks = 0;  // marks left out: the member's mark is as new or newer
    int notes = 0;       // notes added
    int knownNotes = 0;  // notes the history had already
};

class Marks {
  public:
    enum class Access { kRead, kWrite };
    // Throws HistoryError where the place cannot be opened as a history.
    // `busy`: how long to wait for another program's lock.
    Marks(const HistoryPlace& place, Access access,
          std::chrono::milliseconds busy = std::chrono::milliseconds(5000));
    ~Marks();
    Marks(const Marks&) = delete;
    Marks& operator=(const Marks&) = delete;

    // False while the file is not there (reading).
    bool Found() const { return store_ != nullptr; }

    MemberMarks Of(std::string_view account) const;
    // Every entry, cleared marks included: the members whose latest entry is
    // the newest first; each member's mark, then its notes oldest first.
    std::vector<MarkEntry> All() const;

    // The member's mark becomes this one, whatever it was (kClear clears it).
    void SetMark(const MarkEntry& mark);
    void AddNote(const MarkEntry& note);
    // Every entry in one transaction: a mark is taken where it is newer than
    // the member's mark, a note unless the same note (member, time, who,
    // words) is there. Entries must be valid (ProblemWithText); nothing is
    // taken when any write fails.
    ImportCounts Import(const std::vector<MarkEntry>& entries);

  private:
    std::unique_ptr<HistoryStore> store_;  // null: a history not yet written (reading)
};

}  // namespace kestrova
