#include "history/HistoryCopy.h"

#include <algorithm>

namespace kestrova {

CopyCounts CopyHistory(History& from, History& to) {
    CopyCounts counts;
    // Oldest first: the target lists them in the order they were saved.
    std::vector<LookupRow> lookups = from.Recent(std::nullopt, 0);
    if (lookups.empty() && from.Watched().empty() && from.AllMarks().empty()) {
        return counts;  // nothing saved there yet
    }
    to.Make();
    std::reverse(lookups.begin(), lookups.end());
    for (const LookupRow& row : lookups) {
        if (to.Has(row)) {
            ++counts.knownLookups;
            continue;
        }
        const std::optional<SavedLookup> saved = from.Load(row.id);
        if (!saved) {
            continue;  // gone since it was listed
        }
        to.Save(saved->row, saved->fields, saved->pages);
        ++counts.lookups;
    }
    counts.marks = to.ImportMarks(from.AllMarks());
    for (const WatchedMember& member : from.Watched()) {
        (to.Watch(member.account, member.added) ? counts.watched : counts.knownWatched) += 1;
    }
    return counts;
}

}  // namespace kestrova
